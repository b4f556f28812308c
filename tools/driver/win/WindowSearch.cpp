#include "tools/driver/win/WindowSearch.h"

#include "tools/driver/win/Handle.h"
#include "tools/driver/win/Watchdog.h"

#include <algorithm>

std::uintptr_t HandleValue(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }

HWND HandleFromValue(std::int64_t value)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}

void ThrowLastError(const std::wstring& what)
{
    const DWORD code = GetLastError();
    throw EDriverFailure("os-error", what + L" failed, error " + std::to_wstring(code));
}

std::wstring WindowQuery::Describe() const
{
    std::wstring text;
    auto add = [&text](const std::wstring& part) {
        if (!text.empty())
            text += L", ";
        text += part;
    };
    if (Title)
        add(L"title \"" + *Title + L"\"");
    if (ClassName)
        add(L"class \"" + *ClassName + L"\"");
    if (Pid)
        add(L"pid " + std::to_wstring(*Pid));
    if (Hwnd)
        add(L"hwnd " + std::to_wstring(HandleValue(*Hwnd)));
    if (!ExcludePids.empty())
        add(L"not of " + std::to_wstring(ExcludePids.size()) + L" excluded processes");
    return text.empty() ? L"any window" : text;
}

std::vector<std::wstring> WindowQueryOptions()
{
    return {L"--title", L"--class", L"--pid", L"--exclude-pid", L"--hwnd"};
}

WindowQuery WindowQueryFrom(const ParsedCommand& cmd)
{
    WindowQuery query;
    query.Title = cmd.Optional(L"--title");
    query.ClassName = cmd.Optional(L"--class");
    if (auto pid = cmd.OptionalInteger(L"--pid"))
        query.Pid = static_cast<DWORD>(*pid);
    if (auto hwnd = cmd.OptionalInteger(L"--hwnd"))
        query.Hwnd = HandleFromValue(*hwnd);
    if (auto excluded = cmd.Optional(L"--exclude-pid")) {
        for (auto pid : ParseIntegerList(*excluded, L"--exclude-pid"))
            query.ExcludePids.push_back(static_cast<DWORD>(pid));
    }
    if (!query.Title && !query.ClassName && !query.Pid && !query.Hwnd)
        throw EUsageError(cmd.Command + L": name the window with --title, --class, --pid or --hwnd");
    return query;
}

std::wstring ClassNameOf(HWND hwnd)
{
    wchar_t buf[256] = {};
    const int n = GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::wstring CaptionOf(HWND hwnd)
{
    // InternalGetWindowText reads the caption the system stores and sends
    // nothing, so a hung program cannot stall the search.
    wchar_t buf[1024] = {};
    const int n = InternalGetWindowText(hwnd, buf, 1024);
    return std::wstring(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::optional<LRESULT> SendWithTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT timeoutMs)
{
    SetPhase(L"sending a message to a window", HandleValue(hwnd));
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_NORMAL, timeoutMs, &result))
        return std::nullopt;
    return static_cast<LRESULT>(result);
}

LRESULT SendOrFail(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto result = SendWithTimeout(hwnd, msg, wParam, lParam);
    if (!result)
        throw EDriverFailure("timeout", L"the window " + std::to_wstring(HandleValue(hwnd)) +
                                            L" did not answer message " + std::to_wstring(msg));
    return *result;
}

std::optional<std::wstring> TextOf(HWND hwnd)
{
    auto length = SendWithTimeout(hwnd, WM_GETTEXTLENGTH, 0, 0);
    if (!length)
        return std::nullopt;
    // The length may be an upper bound (and may grow meanwhile): read with room.
    std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
    auto copied = SendWithTimeout(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    if (!copied)
        return std::nullopt;
    text.resize(std::min<std::size_t>(static_cast<std::size_t>(*copied), text.size() - 1));
    return text;
}

DWORD ProcessIdOf(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

namespace {

bool Matches(HWND hwnd, const WindowQuery& query)
{
    if (query.VisibleOnly && !IsWindowVisible(hwnd))
        return false;
    if (query.Hwnd && *query.Hwnd != hwnd)
        return false;
    if (query.Pid || !query.ExcludePids.empty()) {
        const DWORD pid = ProcessIdOf(hwnd);
        if (query.Pid && *query.Pid != pid)
            return false;
        for (DWORD excluded : query.ExcludePids) {
            if (excluded == pid)
                return false;
        }
    }
    if (query.ClassName && *query.ClassName != ClassNameOf(hwnd))
        return false;
    if (query.Title && *query.Title != CaptionOf(hwnd))
        return false;
    return true;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> FindTopLevelWindows(const WindowQuery& query)
{
    SetPhase(L"listing windows");
    std::vector<HWND> all;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> found;
    for (HWND hwnd : all) {
        if (Matches(hwnd, query))
            found.push_back(hwnd);
    }
    return found;
}

bool PollUntil(DWORD timeoutMs, const std::function<bool()>& probe)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (probe())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(50);
    }
}

HWND WaitForTopLevelWindow(const WindowQuery& query, DWORD timeoutMs)
{
    HWND found = nullptr;
    PollUntil(timeoutMs, [&] {
        auto windows = FindTopLevelWindows(query);
        if (!windows.empty())
            found = windows.front();
        return found != nullptr;
    });
    if (!found)
        throw EDriverFailure(timeoutMs ? "timeout" : "not-found",
                             L"no visible top-level window with " + query.Describe());
    return found;
}

namespace {

void Walk(HWND parent, int depth, std::vector<ChildEntry>& out)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        out.push_back({child, depth});
        Walk(child, depth + 1, out);
    }
}

}  // namespace

std::vector<ChildEntry> WalkDescendants(HWND top)
{
    std::vector<ChildEntry> out;
    Walk(top, 1, out);
    return out;
}

HWND FindControl(HWND top, int id, const std::optional<std::wstring>& className)
{
    for (const auto& entry : WalkDescendants(top)) {
        if (GetDlgCtrlID(entry.Hwnd) != id)
            continue;
        if (className && _wcsicmp(ClassNameOf(entry.Hwnd).c_str(), className->c_str()) != 0)
            continue;
        return entry.Hwnd;
    }
    throw EDriverFailure("not-found", L"no control with ID " + std::to_wstring(id) +
                                          (className ? L" of class " + *className : std::wstring()) +
                                          L" in window \"" + CaptionOf(top) + L"\"");
}

HWND ComboEditOf(HWND combo)
{
    for (HWND child = GetWindow(combo, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(ClassNameOf(child).c_str(), L"Edit") == 0)
            return child;
    }
    return nullptr;
}

void LetSettle(HWND anyWindowOfTheProgram, DWORD settleMs)
{
    if (settleMs)
        Sleep(settleMs);
    KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                     ProcessIdOf(anyWindowOfTheProgram)));
    if (process)
        WaitForInputIdle(process.get(), 2000);
}
