// Ending a started child, or asking it to close.

#include "framework/win/OSError.h"
#include "framework/win/SystemLibrary.h"
#include "process/ProcessTree.h"
#include "process/win/JvCreateProcess.h"

#include <tlhelp32.h>

#include <map>
#include <string>

namespace {

std::uint64_t FileTimeValue(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::optional<std::uint64_t> CreationTimeOf(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return std::nullopt;
    return FileTimeValue(created);
}

// The module handle of the system's console server library, loaded once and
// freed at once; hidden console windows of old systems carry it. Only the
// system folder's copy: the program runs as administrator, and a file of
// that name in its own folder must never be run.
HINSTANCE ConsoleServerInstance()
{
    static const HINSTANCE instance = []() -> HINSTANCE {
        const HMODULE module = LoadSystemLibrary(L"WINSRV.DLL");
        if (module != nullptr)
            FreeLibrary(module);
        return module;
    }();
    return instance;
}

struct TCloseRequest {
    DWORD ProcessID;
    bool SendQuit;
    HINSTANCE ConsoleServer;
    bool Found;
};

BOOL CALLBACK CloseChildWindow(HWND window, LPARAM parameter)
{
    auto& request = *reinterpret_cast<TCloseRequest*>(parameter);
    DWORD processID = 0;
    const DWORD threadID = GetWindowThreadProcessId(window, &processID);
    if (processID == request.ProcessID) {
        request.Found = true;
        if (request.SendQuit) {
            PostThreadMessageW(threadID, WM_QUIT, 0, 0);
        } else if (IsWindowVisible(window) ||
                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)) == request.ConsoleServer) {
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
    }
    return TRUE;
}

}  // namespace

std::optional<TProcessList> SystemProcessList()
{
    // The time first: every process listed was created before it.
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    TFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return std::nullopt;
    TProcessList list;
    list.TakenAt = FileTimeValue(now);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        list.Entries.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
    return list;
}

void TJvCreateProcess::Terminate()
{
    IdleGuard();
    if (!FChildProcess)
        RaiseOSError(ERROR_INVALID_HANDLE);
    // Fails harmlessly when the child has already ended.
    TerminateProcess(FChildProcess.get(), 0);
}

void TJvCreateProcess::TerminateTree()
{
    IdleGuard();
    const HANDLE child = FChildProcess.get();
    if (child == nullptr)
        return;
    // Each descendant is opened once, when it is found, and ended through
    // that handle: its ID cannot pass to another process meanwhile.
    std::map<std::uint32_t, TKernelHandle> opened;
    const auto creationTime = [&opened](std::uint32_t id) -> std::optional<std::uint64_t> {
        auto it = opened.find(id);
        if (it == opened.end())
            it = opened.emplace(id, OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id))
                     .first;
        return it->second ? CreationTimeOf(it->second.get()) : std::nullopt;
    };
    std::vector<std::uint32_t> ids;
    if (const std::optional<std::uint64_t> created = CreationTimeOf(child)) {
        const TProcessTreeRoot root{FProcessInfo.dwProcessId, *created};
        ids = CollectProcessTree(root, GetCurrentProcessId(),
                                 FProcessListSource ? FProcessListSource : TProcessSnapshot(&SystemProcessList),
                                 creationTime);
    }
    // The deepest first, the child itself last. One that has already ended
    // or refuses to end is no reason to spare the others.
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        if (*it == FProcessInfo.dwProcessId)
            continue;
        const auto found = opened.find(*it);
        if (found != opened.end() && found->second)
            TerminateProcess(found->second.get(), 0);
    }
    TerminateProcess(child, 0);
}

bool TJvCreateProcess::CloseApplication(bool sendQuit)
{
    IdleGuard();
    // While the runner holds the child, its ID names no other process.
    TCloseRequest request{FProcessInfo.dwProcessId, sendQuit, ConsoleServerInstance(), false};
    EnumWindows(&CloseChildWindow, reinterpret_cast<LPARAM>(&request));
    return request.Found;
}
