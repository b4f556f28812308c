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

}  // namespace

LRESULT CALLBACK CPSNotificationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* runner = reinterpret_cast<TJvCreateProcess*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (runner != nullptr) {
        if (message == CPS_READ_NOTIFICATION) {
            GuardCallback([&] { runner->HandleReadNotification(wParam); });
            return 0;
        }
        if (message == CPS_THREAD_FINISHED) {
            GuardCallback([&] { runner->HandleThreadFinished(static_cast<std::uint32_t>(wParam)); });
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
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
    FErrorReader.reset();
    FInputReader.reset();
    if (FHandle) {
        SetWindowLongPtrW(FHandle.get(), GWLP_USERDATA, 0);
        FHandle.reset();
    }
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
    CloseProcessHandles();
}

void TJvCreateProcess::EnterWaiting(std::int32_t count)
{
    ReadyCheck();
    FState = psWaiting;
    FRunningThreadCount = count;
    ++FRunSerial;
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
    const std::wstring applicationName = Trim(FApplicationName);
    const std::wstring directory = Trim(FCurrentDirectory);
    // Raises for an empty entry before anything is created.
    const std::wstring environment = StringsToMultiSz(FEnvironment);
    // The block is always UTF-16; without the flag the system would read it
    // as ANSI text and hand the child a garbled environment.
    if (!environment.empty())
        creationFlags |= CREATE_UNICODE_ENVIRONMENT;

    STARTUPINFOW startupInfo = FStartupInfo->StartupInfo();

    const bool redirect = FConsoleOptions.Contains(coRedirect);
    const bool separateError = redirect && FConsoleOptions.Contains(coSeparateError);
    // Our ends and the child's ends of the pipes; whatever is left in them
    // when Run returns, also after a failure, is closed with them.
    TJvRWEHandles parentEnds;
    TJvRWEHandles childEnds;
    if (redirect) {
        NotificationWindow();
        CreateCapturePipes(separateError, parentEnds, childEnds);
        startupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startupInfo.hStdInput = childEnds.Read();
        startupInfo.hStdOutput = childEnds.Write();
        startupInfo.hStdError = childEnds.Error();
    }

    // The system may write into the command line: hand it a copy.
    std::vector<wchar_t> commandLine(FCommandLine.begin(), FCommandLine.end());
    commandLine.push_back(L'\0');

    if (!CreateProcessW(applicationName.empty() ? nullptr : applicationName.c_str(), commandLine.data(), nullptr,
                        nullptr, redirect ? TRUE : FALSE, creationFlags,
                        environment.empty() ? nullptr : const_cast<wchar_t*>(environment.data()),
                        directory.empty() ? nullptr : directory.c_str(), &startupInfo, &FProcessInfo)) {
        const DWORD error = GetLastError();
        CloseProcessHandlesNoThrow();
        RaiseOSError(error);
    }

    if (redirect) {
        // Every thread is created before the run commits to any of them.
        std::unique_ptr<TJvConsoleThread> console;
        std::unique_ptr<TJvReadThread> inputThread;
        std::unique_ptr<TJvReadThread> errorThread;
        try {
            console = std::make_unique<TJvConsoleThread>(FProcessInfo.hProcess, parentEnds.ExtractWrite());
            inputThread = FInputReader->PrepareThread(parentEnds.ExtractRead());
            if (separateError)
                errorThread = FErrorReader->PrepareThread(parentEnds.ExtractError());
        } catch (...) {
            CloseProcessHandlesNoThrow();
            throw;
        }
        EnterWaiting(separateError ? 3 : 2);
        StartWaitThread(std::move(console));
        FInputReader->StartThread(std::move(inputThread));
        if (errorThread)
            FErrorReader->StartThread(std::move(errorThread));
    } else if (FWaitForTerminate) {
        std::unique_ptr<TJvWaitForProcessThread> thread;
        try {
            thread = std::make_unique<TJvWaitForProcessThread>(FProcessInfo.hProcess);
        } catch (...) {
            CloseProcessHandlesNoThrow();
            throw;
        }
        EnterWaiting(1);
        StartWaitThread(std::move(thread));
    } else {
        WaitForInputIdle(FProcessInfo.hProcess, INFINITE);
        EnterRunning();
    }
}

void TJvCreateProcess::StartWaitThread(std::unique_ptr<TJvWaitForProcessThread> thread)
{
    FWaitThread = thread.release();
    FWaitThread->OnTerminate = [this](TThread* sender) { WaitFinished(sender); };
    FWaitThread->Start();
}

void TJvCreateProcess::WaitFinished(TThread* sender)
{
    FExitCode = static_cast<TJvWaitForProcessThread*>(sender)->ExitCode();
    FWaitThread = nullptr;
    PostThreadFinished();
}

void TJvCreateProcess::StopWaiting()
{
    if (FState != psWaiting)
        return;
    if (FWaitThread != nullptr) {
        FWaitThread->OnTerminate = nullptr;
        FWaitThread->TerminateThread();
        FWaitThread = nullptr;
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

void TJvCreateProcess::PostThreadFinished()
{
    const HWND window = NotificationWindow();
    // A full message queue must not leave the run open for ever.
    if (!PostMessageW(window, CPS_THREAD_FINISHED, static_cast<WPARAM>(FRunSerial), 0))
        HandleThreadFinished(FRunSerial);
}

void TJvCreateProcess::HandleReadNotification(WPARAM reader)
{
    // Only our own readers; a notification of a stopped reader finds nothing.
    if (reader == reinterpret_cast<WPARAM>(FInputReader.get()))
        FInputReader->Drain();
    else if (reader == reinterpret_cast<WPARAM>(FErrorReader.get()))
        FErrorReader->Drain();
}

void TJvCreateProcess::HandleThreadFinished(std::uint32_t run)
{
    if (FState != psWaiting || run != FRunSerial || FRunningThreadCount <= 0)
        return;
    if (--FRunningThreadCount > 0)
        return;
    ResetToReady();
    if (OnTerminate)
        OnTerminate(this, FExitCode);
}
