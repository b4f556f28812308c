#pragma once
// Finding another program's windows and controls, and reading them without
// ever blocking on a program that hangs.

#include "tools/driver/CommandLine.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The upper limit for every message the driver sends to another program.
constexpr UINT kSendTimeoutMs = 5000;

// How long waiting commands wait unless --timeout says otherwise.
constexpr DWORD kDefaultTimeoutMs = 20000;

struct WindowQuery {
    std::optional<std::wstring> Title;     // exact caption
    std::optional<std::wstring> ClassName; // exact window class
    std::optional<DWORD> Pid;
    std::vector<DWORD> ExcludePids;
    std::optional<HWND> Hwnd;
    bool VisibleOnly = true;

    std::wstring Describe() const;
};

// The query of the window options every window command accepts:
// --title, --class, --pid, --exclude-pid (comma-separated), --hwnd.
WindowQuery WindowQueryFrom(const ParsedCommand& cmd);
// The option names of WindowQueryFrom, to declare in a CommandSpec.
std::vector<std::wstring> WindowQueryOptions();

// Top-level windows matching the query, in Z-order (topmost first).
std::vector<HWND> FindTopLevelWindows(const WindowQuery& query);

// Polls (Sleep(50)) until a matching window exists; EDriverFailure "timeout"
// when none comes. A timeout of 0 looks once.
HWND WaitForTopLevelWindow(const WindowQuery& query, DWORD timeoutMs);

// Every descendant of a window: depth first, siblings in Z-order (which is
// the tab order of a dialog-like window).
struct ChildEntry {
    HWND Hwnd;
    int Depth;  // 1 for direct children
};
std::vector<ChildEntry> WalkDescendants(HWND top);

// The first descendant (in WalkDescendants order) with that control ID
// and, when given, that window class (IDs repeat inside composite
// controls, such as 1 for the list view and the "Open" button of a file
// dialog).
HWND FindControl(HWND top, int id, const std::optional<std::wstring>& className = std::nullopt);

// The edit field of a combo box with one, else nullptr.
HWND ComboEditOf(HWND combo);

std::wstring ClassNameOf(HWND hwnd);
// The caption as the system keeps it (no message to the program).
std::wstring CaptionOf(HWND hwnd);
// WM_GETTEXT through SendMessageTimeout; std::nullopt when it timed out.
std::optional<std::wstring> TextOf(HWND hwnd);

// SendMessageTimeoutW with kSendTimeoutMs; std::nullopt on timeout/failure.
std::optional<LRESULT> SendWithTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                       UINT timeoutMs = kSendTimeoutMs);
// SendWithTimeout that turns a failure into EDriverFailure "timeout".
LRESULT SendOrFail(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

DWORD ProcessIdOf(HWND hwnd);

// Repeats probe every 50 ms until it returns true or the time is up.
bool PollUntil(DWORD timeoutMs, const std::function<bool()>& probe);

// Lets a program settle after an asynchronous action: waits settleMs and
// then until its UI thread is waiting for input again (bounded).
void LetSettle(HWND anyWindowOfTheProgram, DWORD settleMs);

std::uintptr_t HandleValue(HWND hwnd);
HWND HandleFromValue(std::int64_t value);

[[noreturn]] void ThrowLastError(const std::wstring& what);
