// Times how long a program's first window takes to appear: until a
// top-level window of it is visible, and until it and every visible child
// window have been painted (no update region left). Then closes the window.
//
//   startwatch.exe [--title T] <program> [arguments...]
//       starts the program itself and prints "<visible ms> <painted ms>",
//       counted from its CreateProcess;
//   startwatch.exe --wait --title T
//       for a program someone else starts: prints "ready", then "visible"
//       and "painted" at those moments (the caller keeps the time), for the
//       first window titled T of any process.

#include "tools/startbench/win/Clock.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct TSearch {
    DWORD ProcessId;  // 0: any process
    const std::wstring* Title;
    HWND Found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<TSearch*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((search->ProcessId != 0 && pid != search->ProcessId) || !IsWindowVisible(window))
        return TRUE;
    if (!search->Title->empty()) {
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        if (*search->Title != title)
            return TRUE;
    }
    search->Found = window;
    return FALSE;
}

BOOL CALLBACK FindUnpaintedChild(HWND child, LPARAM data)
{
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(data) = true;
        return FALSE;
    }
    return TRUE;
}

bool Painted(HWND window)
{
    if (GetUpdateRect(window, nullptr, FALSE))
        return false;
    bool unpainted = false;
    EnumChildWindows(window, &FindUnpaintedChild, reinterpret_cast<LPARAM>(&unpainted));
    return !unpainted;
}

std::wstring Quoted(const std::wstring& argument)
{
    return L"\"" + argument + L"\"";
}

void Say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Closes the window and waits for its program to end.
void CloseAndWait(HWND window, HANDLE process)
{
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (process != nullptr && WaitForSingleObject(process, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process, 1);
}

// Looks every millisecond until the window is there and painted; pause is
// what waits between looks (on the process when there is one).
template <typename OnVisible, typename Pause>
HWND WatchWindow(DWORD processId, const std::wstring& title, OnVisible onVisible, Pause pause)
{
    bool visible = false;
    for (;;) {
        TSearch search{processId, &title, nullptr};
        EnumWindows(&FindWindowOf, reinterpret_cast<LPARAM>(&search));
        if (search.Found != nullptr) {
            if (!visible) {
                visible = true;
                onVisible();
            }
            if (Painted(search.Found))
                return search.Found;
        }
        if (!pause())
            return nullptr;
    }
}

int WaitForOthers(const std::wstring& title)
{
    const TStopwatch clock;
    Say("ready");
    const HWND window = WatchWindow(
        0, title, [] { Say("visible"); },
        [&clock] {
            Sleep(1);
            return clock.Milliseconds() < 60000;
        });
    if (window == nullptr) {
        std::fprintf(stderr, "no window appeared\n");
        return 2;
    }
    Say("painted");
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    CloseAndWait(window, process);
    if (process != nullptr)
        CloseHandle(process);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring title;
    bool wait = false;
    int first = 1;
    for (; first < argc; ++first) {
        const std::wstring option = argv[first];
        if (option == L"--wait")
            wait = true;
        else if (option == L"--title" && first + 1 < argc)
            title = argv[++first];
        else
            break;
    }
    if (wait)
        return title.empty() ? 1 : WaitForOthers(title);
    if (first >= argc) {
        std::fprintf(stderr, "usage: startwatch [--title T] program [arguments...] | --wait --title T\n");
        return 1;
    }
    std::wstring commandLine;
    for (int i = first; i < argc; ++i)
        commandLine += (i > first ? L" " : L"") + Quoted(argv[i]);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const TStopwatch clock;
    if (!CreateProcessW(argv[first], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start the program: error %lu\n", GetLastError());
        return 2;
    }
    CloseHandle(process.hThread);

    double visible = -1;
    const HWND window = WatchWindow(
        process.dwProcessId, title, [&] { visible = clock.Milliseconds(); },
        [&] {
            // Waiting on the process doubles as the pause between looks.
            return WaitForSingleObject(process.hProcess, 1) != WAIT_OBJECT_0 && clock.Milliseconds() < 60000;
        });
    const double painted = clock.Milliseconds();
    if (window == nullptr) {
        std::fprintf(stderr, "the program ended or showed no window\n");
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        return 2;
    }
    std::printf("%.1f %.1f\n", visible, painted);
    std::fflush(stdout);
    CloseAndWait(window, process.hProcess);
    CloseHandle(process.hProcess);
    return 0;
}
