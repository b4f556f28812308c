#include "tools/driver/win/Watchdog.h"

#include "tools/driver/Json.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<const wchar_t*> g_phase{L"starting"};
std::atomic<std::uintptr_t> g_subject{0};

struct WatchdogArgs {
    std::wstring Command;
    DWORD LimitMs;
};

DWORD WINAPI WatchdogThread(void* param)
{
    // Owned by this thread, which ends only with the process.
    const auto* args = static_cast<const WatchdogArgs*>(param);
    Sleep(args->LimitMs);
    try {
        const std::wstring phase = g_phase.load();
        const JsonValue answer = JsonValue::MakeObject()
                                     .Set("error", L"the driver hung while " + phase)
                                     .Set("kind", L"hung")
                                     .Set("command", args->Command)
                                     .Set("subject", static_cast<unsigned long long>(g_subject.load()));
        const std::string line = answer.Serialize() + "\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } catch (...) {
    }
    TerminateProcess(GetCurrentProcess(), 2);
    return 0;
}

}  // namespace

void SetPhase(const wchar_t* what, std::uintptr_t subject)
{
    g_subject.store(subject);
    g_phase.store(what);
}

void StartWatchdog(const std::wstring& command, unsigned long limitMs)
{
    // Lives as long as the process: the thread may still read it at exit.
    static WatchdogArgs args;
    args.Command = command;
    args.LimitMs = limitMs;
    HANDLE thread = CreateThread(nullptr, 0, WatchdogThread, &args, 0, nullptr);
    if (thread)
        CloseHandle(thread);
}
