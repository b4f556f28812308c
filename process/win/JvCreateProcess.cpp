#include "process/win/JvCreateProcess.h"

#include "framework/StrUtils.h"
#include "framework/win/Application.h"
#include "framework/win/OSError.h"
#include "process/EnvironmentBlock.h"

#include <exception>
#include <utility>

// The portable composition writes these values out; they must be the system's.
static_assert(IDLE_PRIORITY_CLASS == 0x40 && NORMAL_PRIORITY_CLASS == 0x20 && HIGH_PRIORITY_CLASS == 0x80 &&
              REALTIME_PRIORITY_CLASS == 0x100 && BELOW_NORMAL_PRIORITY_CLASS == 0x4000 &&
              ABOVE_NORMAL_PRIORITY_CLASS == 0x8000);
static_assert(CREATE_DEFAULT_ERROR_MODE == 0x4000000 && CREATE_NEW_CONSOLE == 0x10 &&
              CREATE_NEW_PROCESS_GROUP == 0x200 && CREATE_SEPARATE_WOW_VDM == 0x800 &&
              CREATE_SHARED_WOW_VDM == 0x1000 && CREATE_SUSPENDED == 0x4 && CREATE_UNICODE_ENVIRONMENT == 0x400 &&
              DETACHED_PROCESS == 0x8);
static_assert(SW_HIDE == 0 && SW_SHOWMINIMIZED == 2 && SW_SHOWMAXIMIZED == 3 && SW_SHOWNORMAL == 1);
static_assert(STARTF_USESHOWWINDOW == STARTF_USESHOWWINDOW_VALUE && STARTF_USESIZE == STARTF_USESIZE_VALUE &&
              STARTF_USEPOSITION == STARTF_USEPOSITION_VALUE &&
              STARTF_FORCEONFEEDBACK == STARTF_FORCEONFEEDBACK_VALUE &&
              STARTF_FORCEOFFFEEDBACK == STARTF_FORCEOFFFEEDBACK_VALUE &&
              STARTF_USESTDHANDLES == STARTF_USESTDHANDLES_VALUE);
static_assert(CPS_READ_NOTIFICATION == 1025 && CPS_THREAD_FINISHED == 1026);

// ---------------------------------------------------------------------------

void TJvCPSStartupInfo::AssignTo(TPersistent& dest) const
{
    auto* target = dynamic_cast<TJvCPSStartupInfo*>(&dest);
    if (target == nullptr)
        throw Exception(L"Cannot assign a TJvCPSStartupInfo to this object");
    static_cast<TJvCPSStartupValues&>(*target) = *this;
}

STARTUPINFOW TJvCPSStartupInfo::StartupInfo() const
{
    const TJvCPSStartupRecord record = ComposeStartupRecord(*this);
    STARTUPINFOW info{};
    info.cb = sizeof info;
    if (record.UseDesktop)
        info.lpDesktop = const_cast<LPWSTR>(Desktop.c_str());
    if (record.UseTitle)
        info.lpTitle = const_cast<LPWSTR>(Title.c_str());
    info.dwX = record.X;
    info.dwY = record.Y;
    info.dwXSize = record.XSize;
    info.dwYSize = record.YSize;
    info.wShowWindow = record.ShowWindow;
    info.dwFlags = record.Flags;
    return info;
}

// ---------------------------------------------------------------------------

namespace {

constexpr wchar_t kNotificationWindowClass[] = L"TPUtilWindowEx";

// How long Run waits on the user-interface thread for an unwatched child to
// become idle for input: long enough for a window to come up, never for ever.
constexpr DWORD kInputIdleLimitMs = 3000;

// The exit code of a child that is ended because its run could not be set up.
constexpr UINT kAbandonedChildExitCode = 1;

// What a runner destroyed inside one of its own handlers still has on the
// stack (its readers, its window): freed once the outermost notification
// has been handled. User-interface thread only.
struct TRemains {
    std::unique_ptr<TJvReader> InputReader;
    std::unique_ptr<TJvReader> ErrorReader;
    TWindowHandle Window;
};
int gDispatchDepth = 0;
std::vector<TRemains> gRemains;

// The handles a child inherits, and nothing else.
class TInheritedHandles {
public:
    explicit TInheritedHandles(std::vector<HANDLE> handles) : FHandles(std::move(handles))
    {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        FStorage.reset(new char[size]);
        if (!InitializeProcThreadAttributeList(List(), 1, 0, &size))
            RaiseLastOSError();
        FInitialized = true;
        if (!UpdateProcThreadAttribute(List(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, FHandles.data(),
                                       FHandles.size() * sizeof(HANDLE), nullptr, nullptr))
            RaiseLastOSError();
    }
    ~TInheritedHandles()
    {
        if (FInitialized)
            DeleteProcThreadAttributeList(List());
    }
    TInheritedHandles(const TInheritedHandles&) = delete;
    TInheritedHandles& operator=(const TInheritedHandles&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST List() noexcept { return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(FStorage.get()); }

private:
    std::vector<HANDLE> FHandles;  // the list points into this
    std::unique_ptr<char[]> FStorage;
    bool FInitialized = false;
};

}  // namespace

LRESULT CALLBACK CPSNotificationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* runner = reinterpret_cast<TJvCreateProcess*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (runner == nullptr ||
        (message != CPS_READ_NOTIFICATION && message != CPS_THREAD_FINISHED && message != CPS_THREAD_ENDING))
        return DefWindowProcW(window, message, wParam, lParam);

    ++gDispatchDepth;
    GuardCallback([&] {
        if (message == CPS_READ_NOTIFICATION)
            runner->HandleReadNotification(wParam);
        else if (message == CPS_THREAD_ENDING)
            runner->HandleThreadEnding(wParam, lParam);
        else
            runner->HandleThreadFinished(static_cast<std::uint32_t>(wParam));
    });
    if (--gDispatchDepth == 0 && !gRemains.empty()) {
        std::vector<TRemains> remains;
        remains.swap(gRemains);
    }
    return 0;
}

TJvCreateProcess::TJvCreateProcess(TComponent* owner)
    : TComponent(owner),
      FStartupInfo(std::make_unique<TJvCPSStartupInfo>()),
      FErrorReader(std::make_unique<TJvReader>(this)),
      FInputReader(std::make_unique<TJvReader>(this)),
      OnRead(FInputReader->OnRead),
      OnRawRead(FInputReader->OnRawRead),
      OnErrorRead(FErrorReader->OnRead),
      OnErrorRawRead(FErrorReader->OnRawRead)
{
}

TJvCreateProcess::~TJvCreateProcess()
{
    try {
        StopWaiting();
    } catch (...) {
        // Only the closing of a process handle can fail here; nothing to report to.
    }
    // A piece or a finishing step under way stops after its handler.
    FInputReader->Terminate();
    FErrorReader->Terminate();
    if (FHandle)
        SetWindowLongPtrW(FHandle.get(), GWLP_USERDATA, 0);
    if (gDispatchDepth > 0) {
        // Destroyed by one of the handlers: the steps that raised them still
        // use the readers and the window until they return.
        gRemains.push_back({std::move(FInputReader), std::move(FErrorReader), std::move(FHandle)});
    } else {
        FErrorReader.reset();
        FInputReader.reset();
        FHandle.reset();
    }
    FChildProcess.reset();
    CloseProcessHandlesNoThrow();
}

void TJvCreateProcess::BusyGuard() const
{
    if (FState == psWaiting && FRunningThreadCount > 0)
        throw EJvCreateProcessError(RsProcessIsRunning);
}

void TJvCreateProcess::ReadyCheck() const
{
    if (FState != psReady)
        throw EJvCreateProcessError(RsProcessIsRunning);
}

void TJvCreateProcess::IdleGuard() const
{
    if (FState == psReady)
        throw EJvCreateProcessError(RsProcessNotRunning);
}

void TJvCreateProcess::CloseProcessHandles()
{
    for (HANDLE* slot : {&FProcessInfo.hProcess, &FProcessInfo.hThread}) {
        if (*slot != nullptr) {
            const HANDLE handle = std::exchange(*slot, nullptr);
            if (!CloseHandle(handle))
                RaiseLastOSError();
        }
    }
}

void TJvCreateProcess::CloseProcessHandlesNoThrow() noexcept
{
    for (HANDLE* slot : {&FProcessInfo.hProcess, &FProcessInfo.hThread}) {
        if (*slot != nullptr)
            CloseHandle(std::exchange(*slot, nullptr));
    }
}

void TJvCreateProcess::ResetToReady()
{
    BusyGuard();
    FState = psReady;
    FRunningThreadCount = 0;
    FChildProcess.reset();
    CloseProcessHandles();
}

void TJvCreateProcess::EnterWaiting(std::int32_t count, std::uint32_t run)
{
    ReadyCheck();
    FState = psWaiting;
    FRunningThreadCount = count;
    FRunSerial = run;
}

void TJvCreateProcess::EnterRunning()
{
    ReadyCheck();
    FState = psRunning;
    CloseProcessHandles();
}

void TJvCreateProcess::SetWaitForTerminate(bool value)
{
    ResetToReady();
    FWaitForTerminate = value;
}

void TJvCreateProcess::Run()
{
    ResetToReady();
    FProcessInfo = PROCESS_INFORMATION{};

    DWORD creationFlags = ComposeCreationFlags(FPriority, FCreationFlags);
    const bool suspendedByCaller = FCreationFlags.Contains(cfSuspended);
    const std::wstring applicationName = Trim(FApplicationName);
    const std::wstring directory = Trim(FCurrentDirectory);
    // Raises for an empty entry before anything is created.
    const std::wstring environment = StringsToMultiSz(FEnvironment);
    // The block is always UTF-16; without the flag the system would read it
    // as ANSI text and hand the child a garbled environment.
    if (!environment.empty())
        creationFlags |= CREATE_UNICODE_ENVIRONMENT;

    STARTUPINFOEXW startupInfo{};
    startupInfo.StartupInfo = FStartupInfo->StartupInfo();

    const bool redirect = FConsoleOptions.Contains(coRedirect);
    const bool separateError = redirect && FConsoleOptions.Contains(coSeparateError);
    const bool waiting = redirect || FWaitForTerminate;
    // The threads of a waited run report to the window from their start on.
    if (waiting)
        NotificationWindow();

    // Our ends and the child's ends of the pipes; whatever is left in them
    // when Run returns, also after a failure, is closed with them.
    TJvRWEHandles parentEnds;
    TJvRWEHandles childEnds;
    std::unique_ptr<TInheritedHandles> inherited;
    if (redirect) {
        CreateCapturePipes(separateError, parentEnds, childEnds);
        startupInfo.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startupInfo.StartupInfo.hStdInput = childEnds.Read();
        startupInfo.StartupInfo.hStdOutput = childEnds.Write();
        startupInfo.StartupInfo.hStdError = childEnds.Error();
        // Exactly its pipe ends: no other inheritable handle of this program
        // (another runner's pipes, a library's handles) reaches the child.
        inherited = std::make_unique<TInheritedHandles>(
            std::vector<HANDLE>{childEnds.Read(), childEnds.Write(), childEnds.Error()});
        startupInfo.StartupInfo.cb = sizeof startupInfo;
        startupInfo.lpAttributeList = inherited->List();
        creationFlags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    // The child runs only once everything that watches it exists.
    creationFlags |= CREATE_SUSPENDED;

    // The system may write into the command line: hand it a copy.
    std::vector<wchar_t> commandLine(FCommandLine.begin(), FCommandLine.end());
    commandLine.push_back(L'\0');

    if (!CreateProcessW(applicationName.empty() ? nullptr : applicationName.c_str(), commandLine.data(), nullptr,
                        nullptr, redirect ? TRUE : FALSE, creationFlags,
                        environment.empty() ? nullptr : const_cast<wchar_t*>(environment.data()),
                        directory.empty() ? nullptr : directory.c_str(), &startupInfo.StartupInfo, &FProcessInfo)) {
        const DWORD error = GetLastError();
        CloseProcessHandlesNoThrow();
        RaiseOSError(error);
    }

    const std::uint32_t run = FRunSerial + 1;
    std::unique_ptr<TJvWaitForProcessThread> waitThread;
    std::unique_ptr<TJvReadThread> inputThread;
    std::unique_ptr<TJvReadThread> errorThread;
    try {
        const HANDLE self = GetCurrentProcess();
        if (!DuplicateHandle(self, FProcessInfo.hProcess, self, FChildProcess.put(),
                             SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0))
            RaiseLastOSError();
        const HWND window = waiting ? FHandle.get() : nullptr;
        if (redirect) {
            waitThread = std::make_unique<TJvConsoleThread>(FProcessInfo.hProcess, parentEnds.ExtractWrite(), window, run);
            inputThread = FInputReader->PrepareThread(parentEnds.ExtractRead(), run);
            if (separateError)
                errorThread = FErrorReader->PrepareThread(parentEnds.ExtractError(), run);
        } else if (FWaitForTerminate) {
            waitThread = std::make_unique<TJvWaitForProcessThread>(FProcessInfo.hProcess, window, run);
        }
        if (!suspendedByCaller && ResumeThread(FProcessInfo.hThread) == static_cast<DWORD>(-1))
            RaiseLastOSError();
    } catch (...) {
        // Nothing would watch the child: it does not run at all.
        TerminateProcess(FProcessInfo.hProcess, kAbandonedChildExitCode);
        FChildProcess.reset();
        CloseProcessHandlesNoThrow();
        throw;
    }

    if (redirect) {
        EnterWaiting(separateError ? 3 : 2, run);
        StartWaitThread(std::move(waitThread));
        FInputReader->StartThread(std::move(inputThread));
        if (errorThread)
            FErrorReader->StartThread(std::move(errorThread));
    } else if (FWaitForTerminate) {
        EnterWaiting(1, run);
        StartWaitThread(std::move(waitThread));
    } else {
        if (!suspendedByCaller)
            WaitForInputIdle(FProcessInfo.hProcess, kInputIdleLimitMs);
        EnterRunning();
    }
}

void TJvCreateProcess::StartWaitThread(std::unique_ptr<TJvWaitForProcessThread> thread)
{
    FWaitThread = thread.release();
    FWaitThread->Start();
}

void TJvCreateProcess::WaitFinished(TJvWaitForProcessThread* thread)
{
    FExitCode = thread->ExitCode();
    FWaitThread = nullptr;
    const std::uint32_t run = thread->HandOff().Run();
    thread->HandOff().LetGo();
    PostThreadFinished(run);
}

void TJvCreateProcess::StopWaiting()
{
    if (FState != psWaiting)
        return;
    if (FWaitThread != nullptr) {
        TJvWaitForProcessThread* const thread = std::exchange(FWaitThread, nullptr);
        thread->TerminateThread();
        thread->HandOff().LetGo();
    }
    FInputReader->Terminate();
    FErrorReader->Terminate();
    FRunningThreadCount = 0;
    ResetToReady();
}

bool TJvCreateProcess::Write(const std::string& s)
{
    if (auto* console = dynamic_cast<TJvConsoleThread*>(FWaitThread))
        return console->Write(s);
    return false;
}

bool TJvCreateProcess::WriteLn(const std::string& s)
{
    return Write(s + "\r\n");
}

HWND TJvCreateProcess::NotificationWindow()
{
    if (!FHandle) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        static bool registered = false;
        if (!registered) {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = &CPSNotificationWindowProc;
            windowClass.hInstance = instance;
            windowClass.lpszClassName = kNotificationWindowClass;
            if (!RegisterClassW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
                RaiseLastOSError();
            registered = true;
        }
        FHandle.reset(CreateWindowExW(WS_EX_TOOLWINDOW, kNotificationWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, instance, nullptr));
        if (!FHandle)
            RaiseLastOSError();
        SetWindowLongPtrW(FHandle.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    return FHandle.get();
}

void TJvCreateProcess::PostThreadFinished(std::uint32_t run)
{
    // A full message queue must not leave the run open for ever.
    if (!FHandle || !PostMessageW(FHandle.get(), CPS_THREAD_FINISHED, static_cast<WPARAM>(run), 0))
        HandleThreadFinished(run);
}

void TJvCreateProcess::HandleReadNotification(WPARAM reader)
{
    // Only our own readers; a notification of a stopped reader finds nothing.
    if (reader == reinterpret_cast<WPARAM>(FInputReader.get()))
        FInputReader->Drain();
    else if (reader == reinterpret_cast<WPARAM>(FErrorReader.get()))
        FErrorReader->Drain();
}

void TJvCreateProcess::HandleThreadEnding(WPARAM thread, LPARAM run)
{
    const auto runNumber = static_cast<std::uint32_t>(run);
    // Only pointer values are compared until one is known to be ours.
    if (FWaitThread != nullptr && thread == reinterpret_cast<WPARAM>(FWaitThread) &&
        FWaitThread->HandOff().Run() == runNumber) {
        WaitFinished(FWaitThread);
        return;
    }
    for (TJvReader* reader : {FInputReader.get(), FErrorReader.get()}) {
        TJvReadThread* const readThread = reader->Thread();
        if (readThread != nullptr && thread == reinterpret_cast<WPARAM>(readThread) &&
            readThread->HandOff().Run() == runNumber) {
            reader->ThreadEnded();
            return;
        }
    }
}

void TJvCreateProcess::HandleThreadFinished(std::uint32_t run)
{
    if (FState != psWaiting || run != FRunSerial || FRunningThreadCount <= 0)
        return;
    if (--FRunningThreadCount > 0)
        return;
    ResetToReady();
    if (OnTerminate) {
        const TJvCPSTerminateEvent handler = OnTerminate;  // survives the runner's end inside the call
        handler(this, FExitCode);
    }
}
