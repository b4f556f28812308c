#include "tests/process/win/ProcessTestSupport.h"

#include "framework/win/Application.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace cpstest {

namespace {

// A build path of the cross build is a Unix path; Wine shows / as drive Z:.
std::wstring WindowsPath(const char* path)
{
    std::wstring result;
    for (const char* p = path; *p != '\0'; ++p)
        result += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    if (!result.empty() && result[0] == L'\\')
        result = L"Z:" + result;
    return result;
}

// Ends the test program when one test runs for more than two minutes: a fault
// must fail, not hang the test run. The longest tests take about 25 s on a
// quiet machine and more than twice that on a loaded one.
class TWatchdog : public testing::EmptyTestEventListener {
public:
    TWatchdog()
        : FThread([this] { Watch(); })
    {
    }
    ~TWatchdog() override
    {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FQuit = true;
        }
        FChanged.notify_all();
        FThread.join();
    }

    void OnTestStart(const testing::TestInfo& info) override
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FName = std::string(info.test_suite_name()) + "." + info.name();
        FDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        FArmed = true;
        FChanged.notify_all();
    }
    void OnTestEnd(const testing::TestInfo&) override
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FArmed = false;
        FChanged.notify_all();
    }

private:
    void Watch()
    {
        std::unique_lock<std::mutex> lock(FMutex);
        while (!FQuit) {
            if (!FArmed) {
                FChanged.wait(lock);
                continue;
            }
            if (FChanged.wait_until(lock, FDeadline) == std::cv_status::timeout && FArmed &&
                std::chrono::steady_clock::now() >= FDeadline) {
                std::fprintf(stderr, "\nwatchdog: %s still runs after 120 s; ending the test program\n",
                             FName.c_str());
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
    }

    std::mutex FMutex;
    std::condition_variable FChanged;
    bool FArmed = false;
    bool FQuit = false;
    std::string FName;
    std::chrono::steady_clock::time_point FDeadline;
    std::thread FThread;
};

// One application object for the whole test program, on the test thread,
// as in the program.
class TApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        FApplication = std::make_unique<TApplication>();
        Application = FApplication.get();
        FApplication->Initialize();
    }
    void TearDown() override
    {
        // Threads of stopped runs hand their end over on their way out.
        PumpFor(300);
        FApplication.reset();
    }

private:
    std::unique_ptr<TApplication> FApplication;
};

const bool gRegistered = [] {
    testing::AddGlobalTestEnvironment(new TApplicationEnvironment);
    testing::UnitTest::GetInstance()->listeners().Append(new TWatchdog);
    return true;
}();

}  // namespace

std::wstring NimChild()
{
    return WindowsPath(NIMCHILD_PATH);
}

std::wstring NimChildW()
{
    return WindowsPath(NIMCHILDW_PATH);
}

std::wstring NimPlant()
{
    return WindowsPath(NIMPLANT_PATH);
}

std::wstring Child(const std::wstring& commands)
{
    return Quote(NimChild()) + L" " + commands;
}

std::wstring Quote(const std::wstring& s)
{
    return L"\"" + s + L"\"";
}

void WaitWhileWaiting(TJvCreateProcess& runner)
{
    while (runner.State() == psWaiting) {
        Application->ProcessMessages();
        if (runner.State() == psWaiting)
            Application->WaitForMessage();
    }
}

void PumpFor(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        Application->ProcessMessages();
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            break;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void TScreen::Apply(const std::wstring& s, bool startsOnNewLine)
{
    if (startsOnNewLine || Lines.empty())
        Lines.push_back(s);
    else
        Lines.back() = s;
}

TRecorder::TRecorder(TJvCreateProcess& runner)
{
    runner.OnTerminate = [this](TJvCreateProcess* sender, std::uint32_t code) {
        ++Terminations;
        ExitCode = code;
        InfoInHandler = sender->ProcessInfo();
        Events.push_back({'T', L"", false, code, sender->State()});
    };
    runner.OnRead = [this](TJvCreateProcess* sender, const std::wstring& s, bool flag) {
        Output.Apply(s, flag);
        Events.push_back({'R', s, flag, 0, sender->State()});
    };
    runner.OnRawRead = [this](TJvCreateProcess* sender, const std::wstring& s) {
        Raw += s;
        Events.push_back({'W', s, false, 0, sender->State()});
    };
    runner.OnErrorRead = [this](TJvCreateProcess* sender, const std::wstring& s, bool flag) {
        Errors.Apply(s, flag);
        Events.push_back({'E', s, flag, 0, sender->State()});
    };
    runner.OnErrorRawRead = [this](TJvCreateProcess* sender, const std::wstring& s) {
        ErrorRaw += s;
        Events.push_back({'X', s, false, 0, sender->State()});
    };
}

bool TRecorder::HasLine(const std::wstring& line) const
{
    for (const std::wstring& l : Output.Lines)
        if (l == line)
            return true;
    return false;
}

namespace {

std::vector<std::wstring> gBoxTexts;
HHOOK gBoxHook = nullptr;

LRESULT CALLBACK CloseBoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(box, className, 16);
        if (std::wstring(className) == L"#32770") {
            wchar_t text[1024] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 1024);
            gBoxTexts.push_back(text);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(gBoxHook, code, wParam, lParam);
}

}  // namespace

TExceptionBoxCatcher::TExceptionBoxCatcher()
{
    gBoxTexts.clear();
    gBoxHook = SetWindowsHookExW(WH_CBT, &CloseBoxHook, nullptr, GetCurrentThreadId());
}

TExceptionBoxCatcher::~TExceptionBoxCatcher()
{
    if (gBoxHook != nullptr)
        UnhookWindowsHookEx(gBoxHook);
    gBoxHook = nullptr;
}

std::vector<std::wstring> TExceptionBoxCatcher::Texts() const
{
    return gBoxTexts;
}

int ThreadCount()
{
    TFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    return count;
}

int HandleCount()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0)
        return static_cast<int>(count);
    // Wine answers 0: count the handle values that name something.
    int valid = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++valid;
    }
    return valid;
}

bool SettlesTo(int threads, int handles, DWORD milliseconds)
{
    return PumpUntil([&] { return ThreadCount() <= threads && HandleCount() <= handles; }, milliseconds);
}

TStranger::TStranger(const std::wstring& commandLine)
{
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &FInfo))
        ADD_FAILURE() << "cannot start a process, error " << GetLastError();
}

TStranger::~TStranger()
{
    if (FInfo.hProcess != nullptr) {
        TerminateProcess(FInfo.hProcess, 0);
        WaitForSingleObject(FInfo.hProcess, 5000);
        CloseHandle(FInfo.hProcess);
        CloseHandle(FInfo.hThread);
    }
}

TOddFolder::TOddFolder()
{
    static int serial = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    FPath = std::wstring(temp) + L"nim proc & (" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial) + L") ^! \u00C4\u00E9";
    if (!CreateDirectoryW(FPath.c_str(), nullptr))
        ADD_FAILURE() << "cannot create the test folder, error " << GetLastError();
}

TOddFolder::~TOddFolder()
{
    for (const std::wstring& file : FFiles)
        DeleteFileW(file.c_str());
    RemoveDirectoryW(FPath.c_str());
}

std::wstring TOddFolder::Copy(const std::wstring& source, const std::wstring& name)
{
    const std::wstring target = FPath + L"\\" + name;
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE))
        ADD_FAILURE() << "cannot copy a helper child, error " << GetLastError();
    FFiles.push_back(target);
    return target;
}

}  // namespace cpstest
