// Ending a started child, or asking it to close.

#include "framework/win/OSError.h"
#include "process/ProcessTree.h"
#include "process/win/JvCreateProcess.h"

#include <tlhelp32.h>

namespace {

std::optional<std::vector<TProcessEntry>> ProcessSnapshot()
{
    TFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return std::nullopt;
    std::vector<TProcessEntry> processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
    return processes;
}

// The module handle of the system's console server library, loaded once and
// freed at once; hidden console windows of old systems carry it.
HINSTANCE ConsoleServerInstance()
{
    static const HINSTANCE instance = [] {
        const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
        const HMODULE module = LoadLibraryW(L"WINSRV.DLL");
        SetErrorMode(oldMode);
        if (module != nullptr)
            FreeLibrary(module);
        return static_cast<HINSTANCE>(module);
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

void TJvCreateProcess::Terminate()
{
    IdleGuard();
    TKernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, FProcessInfo.dwProcessId));
    if (!process)
        RaiseLastOSError();
    TerminateProcess(process.get(), 0);
}

void TJvCreateProcess::TerminateTree()
{
    IdleGuard();
    const std::vector<std::uint32_t> ids = CollectProcessTree(FProcessInfo.dwProcessId, &ProcessSnapshot);
    // The deepest first, the child itself last; one failure ends the walk.
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        TKernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, *it));
        if (!process)
            break;
        const BOOL ended = TerminateProcess(process.get(), 0);
        const BOOL closed = CloseHandle(process.release());
        if (!ended || !closed)
            break;
    }
}

bool TJvCreateProcess::CloseApplication(bool sendQuit)
{
    IdleGuard();
    TCloseRequest request{FProcessInfo.dwProcessId, sendQuit, ConsoleServerInstance(), false};
    EnumWindows(&CloseChildWindow, reinterpret_cast<LPARAM>(&request));
    return request.Found;
}
