// nimdrive: drives another program's windows from outside, one action per
// invocation, and answers in JSON on standard output.
//   exit 0  success
//   exit 1  wrong use (unknown command or option, missing value)
//   exit 2  not found, timed out, refused, or an unexpected window appeared

#include "tools/driver/CommandLine.h"
#include "tools/driver/Json.h"
#include "tools/driver/win/ConsoleAccess.h"
#include "tools/driver/win/Accessibility.h"
#include "tools/driver/win/DropFiles.h"
#include "tools/driver/win/HighContrast.h"
#include "tools/driver/win/Handle.h"
#include "tools/driver/win/Inspect.h"
#include "tools/driver/win/MessageBoxes.h"
#include "tools/driver/win/Watchdog.h"
#include "tools/driver/win/WindowSearch.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultSettleMs = 250;

void WriteStdout(const std::string& text)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode))
        SetConsoleOutputCP(CP_UTF8);
    const std::string line = text + "\n";
    std::size_t done = 0;
    while (done < line.size()) {
        DWORD written = 0;
        if (!WriteFile(out, line.data() + done, static_cast<DWORD>(line.size() - done), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

DWORD TimeoutOf(const ParsedCommand& cmd)
{
    const auto value = cmd.Integer(L"--timeout", kDefaultTimeoutMs);
    if (value < 0)
        throw EUsageError(L"--timeout must not be negative");
    return static_cast<DWORD>(value);
}

DWORD SettleOf(const ParsedCommand& cmd)
{
    const auto value = cmd.Integer(L"--settle", kDefaultSettleMs);
    if (value < 0)
        throw EUsageError(L"--settle must not be negative");
    return static_cast<DWORD>(value);
}

HWND TargetWindow(const ParsedCommand& cmd) { return WaitForTopLevelWindow(WindowQueryFrom(cmd), TimeoutOf(cmd)); }

int ControlIdOf(const ParsedCommand& cmd) { return static_cast<int>(cmd.Integer(L"--id")); }

// The control named by --id (and --control-class) in the window.
HWND ControlOf(const ParsedCommand& cmd, HWND top)
{
    return FindControl(top, ControlIdOf(cmd), cmd.Optional(L"--control-class"));
}

JsonValue WindowSummary(HWND hwnd)
{
    return JsonValue::MakeObject()
        .Set("hwnd", HandleValue(hwnd))
        .Set("pid", ProcessIdOf(hwnd))
        .Set("title", CaptionOf(hwnd))
        .Set("class", ClassNameOf(hwnd));
}

// A user can click only what is visible and enabled, inside a window that
// is enabled too (a modal box disables its owner).
void EnsureUsable(HWND control, HWND top)
{
    if (!IsWindowVisible(control))
        throw EDriverFailure("refused", L"control " + std::to_wstring(GetDlgCtrlID(control)) + L" is not visible");
    for (HWND w = control; w; w = GetAncestor(w, GA_PARENT)) {
        if (!IsWindowEnabled(w)) {
            const std::wstring which = w == control ? L"it" : (w == top ? L"its window" : L"its parent");
            throw EDriverFailure("refused", L"control " + std::to_wstring(GetDlgCtrlID(control)) +
                                                L" cannot be used: " + which + L" is disabled");
        }
        if (w == top)
            break;
    }
}

JsonValue TextOrNull(HWND hwnd)
{
    auto text = TextOf(hwnd);
    return text ? JsonValue(*text) : JsonValue();
}

bool IsButton(HWND hwnd) { return _wcsicmp(ClassNameOf(hwnd).c_str(), L"Button") == 0; }

// Typing goes to the edit field of a combo box, as it does for a user.
HWND TypingTarget(HWND control)
{
    if (_wcsicmp(ClassNameOf(control).c_str(), L"ComboBox") == 0) {
        if (HWND edit = ComboEditOf(control))
            return edit;
    }
    return control;
}

struct KeyMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
};

void Deliver(HWND target, const std::vector<KeyMessage>& messages, bool post)
{
    for (const auto& m : messages) {
        if (post) {
            if (!PostMessageW(target, m.Msg, m.WParam, m.LParam))
                ThrowLastError(L"PostMessageW");
        } else {
            SendOrFail(target, m.Msg, m.WParam, m.LParam);
        }
    }
}

bool IsExtendedKey(UINT vk)
{
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_INSERT: case VK_DELETE:
        return true;
    default:
        return false;
    }
}

LPARAM KeyDownParam(UINT vk)
{
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    LPARAM lp = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
    if (IsExtendedKey(vk))
        lp |= 1 << 24;
    return lp;
}

LPARAM KeyUpParam(UINT vk) { return KeyDownParam(vk) | (static_cast<LPARAM>(1) << 30) | (static_cast<LPARAM>(1) << 31); }

const std::map<std::wstring, UINT>& KeyNames()
{
    static const std::map<std::wstring, UINT> names = {
        {L"RETURN", VK_RETURN}, {L"ENTER", VK_RETURN}, {L"TAB", VK_TAB},     {L"ESCAPE", VK_ESCAPE},
        {L"ESC", VK_ESCAPE},    {L"SPACE", VK_SPACE},  {L"BACK", VK_BACK},   {L"BACKSPACE", VK_BACK},
        {L"DELETE", VK_DELETE}, {L"INSERT", VK_INSERT}, {L"HOME", VK_HOME},  {L"END", VK_END},
        {L"LEFT", VK_LEFT},     {L"RIGHT", VK_RIGHT},  {L"UP", VK_UP},       {L"DOWN", VK_DOWN},
        {L"PRIOR", VK_PRIOR},   {L"PAGEUP", VK_PRIOR}, {L"NEXT", VK_NEXT},   {L"PAGEDOWN", VK_NEXT},
        {L"F1", VK_F1},         {L"F2", VK_F2},        {L"F3", VK_F3},       {L"F4", VK_F4},
        {L"F5", VK_F5},         {L"F10", VK_F10},      {L"SHIFT", VK_SHIFT}, {L"CONTROL", VK_CONTROL},
        {L"MENU", VK_MENU},     {L"ALT", VK_MENU},
    };
    return names;
}

UINT ParseVirtualKey(const std::wstring& text)
{
    if (auto number = ParseInteger(text)) {
        if (*number <= 0 || *number > 0xFE)
            throw EUsageError(L"--vk must be between 1 and 0xFE");
        return static_cast<UINT>(*number);
    }
    std::wstring upper = text;
    for (auto& c : upper)
        c = static_cast<wchar_t>(towupper(c));
    if (upper.rfind(L"VK_", 0) == 0)
        upper = upper.substr(3);
    auto it = KeyNames().find(upper);
    if (it != KeyNames().end())
        return it->second;
    if (upper.size() == 1 && ((upper[0] >= L'A' && upper[0] <= L'Z') || (upper[0] >= L'0' && upper[0] <= L'9')))
        return upper[0];
    throw EUsageError(L"unknown key \"" + text + L"\"");
}

// The character TranslateMessage makes of a key, or 0.
wchar_t CharacterOfKey(UINT vk)
{
    switch (vk) {
    case VK_RETURN: return L'\r';
    case VK_TAB: return L'\t';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return 0x08;
    case VK_SPACE: return L' ';
    default: return 0;
    }
}

JsonValue ControlSummary(HWND hwnd, HWND top)
{
    if (!hwnd)
        return JsonValue();
    HWND parent = GetAncestor(hwnd, GA_PARENT);
    const auto text = TextOf(hwnd);
    return JsonValue::MakeObject()
        .Set("hwnd", HandleValue(hwnd))
        .Set("id", GetDlgCtrlID(hwnd))
        .Set("class", ClassNameOf(hwnd))
        .Set("text", text ? JsonValue(*text) : JsonValue())
        .Set("parent_id", parent ? JsonValue(GetDlgCtrlID(parent)) : JsonValue())
        .Set("parent_class", parent ? JsonValue(ClassNameOf(parent)) : JsonValue())
        .Set("in_window", hwnd == top || IsChild(top, hwnd) != FALSE);
}

MessageBoxQuery MessageBoxQueryFrom(const ParsedCommand& cmd)
{
    MessageBoxQuery query;
    if (auto pid = cmd.OptionalInteger(L"--pid"))
        query.Pid = static_cast<DWORD>(*pid);
    query.Title = cmd.Optional(L"--title");
    if (auto owner = cmd.OptionalInteger(L"--owner-hwnd"))
        query.Owner = HandleFromValue(*owner);
    if (auto ownerTitle = cmd.Optional(L"--owner-title")) {
        WindowQuery ownerQuery;
        ownerQuery.Title = *ownerTitle;
        ownerQuery.Pid = query.Pid;
        // The owner is disabled while its box is up, but still visible.
        query.Owner = WaitForTopLevelWindow(ownerQuery, TimeoutOf(cmd));
    }
    return query;
}

HWND WaitForMessageBox(const MessageBoxQuery& query, DWORD timeoutMs)
{
    HWND found = nullptr;
    PollUntil(timeoutMs, [&] {
        auto boxes = FindMessageBoxes(query);
        if (!boxes.empty())
            found = boxes.front();
        return found != nullptr;
    });
    if (!found)
        throw EDriverFailure(timeoutMs ? "timeout" : "not-found", L"no message box appeared");
    return found;
}

struct ProcessEntry {
    DWORD Pid;
    DWORD Parent;
    std::wstring Exe;
};

std::vector<ProcessEntry> AllProcesses()
{
    SetPhase(L"listing processes");
    SnapshotHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        ThrowLastError(L"CreateToolhelp32Snapshot");
    std::vector<ProcessEntry> out;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32FirstW(snapshot.get(), &entry); ok; ok = Process32NextW(snapshot.get(), &entry))
        out.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    return out;
}

// Processes of the system that a program may happen to have started, such
// as Wine's desktop process (started by the first program that shows a
// window) or its services: never a program's own to end.
bool IsSystemProcess(const ProcessEntry& p)
{
    static const wchar_t* const services[] = {L"services.exe", L"winedevice.exe", L"plugplay.exe",
                                              L"svchost.exe",  L"rpcss.exe",      L"csrss.exe",
                                              L"wininit.exe",  L"winlogon.exe"};
    for (const wchar_t* name : services) {
        if (_wcsicmp(p.Exe.c_str(), name) == 0)
            return true;
    }
    return p.Pid == ProcessIdOf(GetDesktopWindow());
}

// Descendants of pid, parents before their children; system processes
// and what they started are left out.
std::vector<ProcessEntry> Descendants(DWORD pid)
{
    const auto all = AllProcesses();
    std::vector<ProcessEntry> out;
    std::set<DWORD> seen{pid};
    std::vector<DWORD> frontier{pid};
    while (!frontier.empty()) {
        const DWORD parent = frontier.front();
        frontier.erase(frontier.begin());
        for (const auto& p : all) {
            if (p.Parent == parent && !seen.count(p.Pid) && !IsSystemProcess(p)) {
                seen.insert(p.Pid);
                out.push_back(p);
                frontier.push_back(p.Pid);
            }
        }
    }
    return out;
}

// The full image path, which tells apart two programs of the same name.
std::optional<std::wstring> ImagePath(DWORD pid)
{
    SetPhase(L"reading the image path of a process", pid);
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process)
        return std::nullopt;
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size))
        return std::nullopt;
    path.resize(size);
    return path;
}

JsonValue ImagePathOf(DWORD pid)
{
    auto path = ImagePath(pid);
    return path ? JsonValue(*path) : JsonValue();
}

JsonValue ProcessJson(const ProcessEntry& p)
{
    return JsonValue::MakeObject()
        .Set("pid", p.Pid)
        .Set("parent", p.Parent)
        .Set("exe", p.Exe)
        .Set("path", ImagePathOf(p.Pid))
        .Set("system", IsSystemProcess(p));
}

// ---- the commands ----------------------------------------------------------

using Handler = std::function<JsonValue(const ParsedCommand&)>;

struct Command {
    CommandSpec Spec;
    Handler Run;
    std::wstring Help;
};

JsonValue CmdWaitWindow(const ParsedCommand& cmd) { return WindowSummary(TargetWindow(cmd)); }

JsonValue CmdWindows(const ParsedCommand& cmd)
{
    WindowQuery query;
    query.Title = cmd.Optional(L"--title");
    query.ClassName = cmd.Optional(L"--class");
    if (auto pid = cmd.OptionalInteger(L"--pid"))
        query.Pid = static_cast<DWORD>(*pid);
    query.VisibleOnly = !cmd.Flag(L"--all");
    JsonValue list = JsonValue::MakeArray();
    for (HWND hwnd : FindTopLevelWindows(query))
        list.Push(WindowSummary(hwnd).Set("visible", IsWindowVisible(hwnd) != FALSE));
    return JsonValue::MakeObject().Set("windows", std::move(list));
}

// Fonts need a visit in the program's thread (FontReader); --no-fonts skips it.
std::optional<FontReader> FontsFor(HWND top, const ParsedCommand& cmd)
{
    if (cmd.Flag(L"--no-fonts"))
        return std::nullopt;
    return std::optional<FontReader>(std::in_place, top);
}

const FontReader* Ptr(const std::optional<FontReader>& fonts) { return fonts ? &*fonts : nullptr; }

JsonValue CmdWindow(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    const auto fonts = FontsFor(top, cmd);
    return DescribeWindow(top, Ptr(fonts));
}

JsonValue CmdControls(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    const auto fonts = FontsFor(top, cmd);
    return WindowSummary(top).Set("controls", DescribeControls(top, Ptr(fonts)));
}

JsonValue CmdControl(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    HWND control = ControlOf(cmd, top);
    int depth = 0;
    for (HWND w = control; w && w != top; w = GetAncestor(w, GA_PARENT))
        ++depth;
    const auto fonts = FontsFor(top, cmd);
    return DescribeControl(control, top, depth, Ptr(fonts));
}

JsonValue CmdDialog(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    const auto fonts = FontsFor(top, cmd);
    return DescribeWindow(top, Ptr(fonts)).Set("controls", DescribeControls(top, Ptr(fonts)));
}

JsonValue CmdClick(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    HWND control = ControlOf(cmd, top);
    if (!cmd.Flag(L"--force"))
        EnsureUsable(control, top);
    std::wstring method;
    // Posted, so that a modal box opened by the click cannot block us.
    if (IsButton(control)) {
        if (!PostMessageW(control, BM_CLICK, 0, 0))
            ThrowLastError(L"PostMessageW(BM_CLICK)");
        method = L"BM_CLICK";
    } else {
        RECT r{};
        GetClientRect(control, &r);
        const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
        if (!PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at) || !PostMessageW(control, WM_LBUTTONUP, 0, at))
            ThrowLastError(L"PostMessageW(WM_LBUTTON*)");
        method = L"mouse messages";
    }
    LetSettle(top, SettleOf(cmd));
    return JsonValue::MakeObject()
        .Set("clicked", GetDlgCtrlID(control))
        .Set("hwnd", HandleValue(control))
        .Set("method", method);
}

JsonValue CmdSetText(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    HWND control = ControlOf(cmd, top);
    const std::wstring& text = cmd.Required(L"--text");
    const LRESULT ok = SendOrFail(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return JsonValue::MakeObject()
        .Set("id", GetDlgCtrlID(control))
        .Set("accepted", ok != FALSE && ok != CB_ERR)
        .Set("text", TextOrNull(control));
}

JsonValue CmdType(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    HWND control = ControlOf(cmd, top);
    if (!cmd.Flag(L"--force"))
        EnsureUsable(control, top);
    HWND target = TypingTarget(control);
    const std::wstring& text = cmd.Required(L"--text");
    const bool post = cmd.Flag(L"--post");
    if (cmd.Flag(L"--replace"))
        SendOrFail(target, EM_SETSEL, 0, -1);
    for (wchar_t c : text) {
        // Key down, character, key up: what TranslateMessage makes of a
        // key stroke. Characters that need more than Shift come alone.
        std::vector<KeyMessage> messages;
        const SHORT scan = (c >= 0xD800 && c < 0xE000) ? -1 : VkKeyScanW(c);
        const bool plainKey = scan != -1 && (HIBYTE(scan) & ~1) == 0;
        const UINT vk = LOBYTE(scan);
        if (plainKey)
            messages.push_back({WM_KEYDOWN, vk, KeyDownParam(vk)});
        messages.push_back({WM_CHAR, static_cast<WPARAM>(c), plainKey ? KeyDownParam(vk) : 1});
        if (plainKey)
            messages.push_back({WM_KEYUP, vk, KeyUpParam(vk)});
        Deliver(target, messages, post);
    }
    if (post)
        LetSettle(top, SettleOf(cmd));
    return JsonValue::MakeObject()
        .Set("id", GetDlgCtrlID(control))
        .Set("target", HandleValue(target))
        .Set("typed", text)
        .Set("text", TextOrNull(target));
}

JsonValue CmdKey(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    HWND control = ControlOf(cmd, top);
    if (!cmd.Flag(L"--force"))
        EnsureUsable(control, top);
    HWND target = TypingTarget(control);
    const UINT vk = ParseVirtualKey(cmd.Required(L"--vk"));
    const bool post = cmd.Flag(L"--post");
    std::vector<KeyMessage> messages{{WM_KEYDOWN, vk, KeyDownParam(vk)}};
    // Posted keys pass the program's own loop, whose TranslateMessage makes
    // the character; sent keys get it from us.
    const wchar_t c = CharacterOfKey(vk);
    if (!post && c && !cmd.Flag(L"--no-char"))
        messages.push_back({WM_CHAR, static_cast<WPARAM>(c), KeyDownParam(vk)});
    messages.push_back({WM_KEYUP, vk, KeyUpParam(vk)});
    Deliver(target, messages, post);
    if (post)
        LetSettle(top, SettleOf(cmd));
    return JsonValue::MakeObject()
        .Set("id", GetDlgCtrlID(control))
        .Set("target", HandleValue(target))
        .Set("vk", vk)
        .Set("text", TextOrNull(target));
}

// A foreground change from a background process may be refused; sharing
// the input state of the current foreground thread for a moment lifts that
// without sending the program any input of its own.
bool BringToFront(HWND top)
{
    if (GetForegroundWindow() == top)
        return true;
    SetForegroundWindow(top);
    if (GetForegroundWindow() == top)
        return true;
    const DWORD self = GetCurrentThreadId();
    HWND current = GetForegroundWindow();
    const DWORD other = current ? GetWindowThreadProcessId(current, nullptr) : 0;
    if (other && other != self && AttachThreadInput(self, other, TRUE)) {
        SetForegroundWindow(top);
        AttachThreadInput(self, other, FALSE);
    }
    return PollUntil(1000, [top] { return GetForegroundWindow() == top; });
}

JsonValue CmdClickAt(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    HWND relative = top;
    POINT pt{};
    if (cmd.Has(L"--id")) {
        relative = ControlOf(cmd, top);
        RECT r{};
        GetClientRect(relative, &r);
        pt = {r.right / 2, r.bottom / 2};
    } else if (!cmd.Has(L"--x") || !cmd.Has(L"--y")) {
        throw EUsageError(L"click-at: give --x and --y, or --id");
    }
    if (cmd.Has(L"--x"))
        pt.x = static_cast<LONG>(cmd.Integer(L"--x"));
    if (cmd.Has(L"--y"))
        pt.y = static_cast<LONG>(cmd.Integer(L"--y"));
    const std::wstring button = cmd.Optional(L"--button").value_or(L"left");
    DWORD down;
    DWORD up;
    if (button == L"left") {
        down = MOUSEEVENTF_LEFTDOWN;
        up = MOUSEEVENTF_LEFTUP;
    } else if (button == L"right") {
        down = MOUSEEVENTF_RIGHTDOWN;
        up = MOUSEEVENTF_RIGHTUP;
    } else {
        throw EUsageError(L"--button is left or right");
    }

    POINT screen = pt;
    ClientToScreen(relative, &screen);
    const bool foreground = BringToFront(top);
    if (!SetCursorPos(screen.x, screen.y))
        ThrowLastError(L"SetCursorPos");
    POINT cursor{};
    PollUntil(1000, [&] { return GetCursorPos(&cursor) && cursor.x == screen.x && cursor.y == screen.y; });
    HWND hit = WindowFromPoint(screen);

    const int clicks = cmd.Flag(L"--double") ? 2 : 1;
    for (int i = 0; i < clicks; ++i) {
        INPUT input[2] = {};
        input[0].type = INPUT_MOUSE;
        input[0].mi.dwFlags = down;
        input[1].type = INPUT_MOUSE;
        input[1].mi.dwFlags = up;
        if (cmd.Flag(L"--hold")) {
            // Down, a pause the program can observe, then up.
            SendInput(1, &input[0], sizeof(INPUT));
            Sleep(static_cast<DWORD>(cmd.Integer(L"--hold-ms", 300)));
            SendInput(1, &input[1], sizeof(INPUT));
        } else if (SendInput(2, input, sizeof(INPUT)) != 2) {
            ThrowLastError(L"SendInput");
        }
    }
    LetSettle(top, SettleOf(cmd));
    return JsonValue::MakeObject()
        .Set("client", JsonValue::MakeObject().Set("x", pt.x).Set("y", pt.y))
        .Set("screen", JsonValue::MakeObject().Set("x", screen.x).Set("y", screen.y))
        .Set("cursor", JsonValue::MakeObject().Set("x", cursor.x).Set("y", cursor.y))
        .Set("foreground", foreground)
        .Set("hit", ControlSummary(hit, top));
}

JsonValue CmdMove(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    HWND relative = cmd.Has(L"--id") ? ControlOf(cmd, top) : top;
    POINT screen{static_cast<LONG>(cmd.Integer(L"--x")), static_cast<LONG>(cmd.Integer(L"--y"))};
    ClientToScreen(relative, &screen);
    if (!SetCursorPos(screen.x, screen.y))
        ThrowLastError(L"SetCursorPos");
    LetSettle(top, SettleOf(cmd));
    return JsonValue::MakeObject()
        .Set("screen", JsonValue::MakeObject().Set("x", screen.x).Set("y", screen.y))
        .Set("hit", ControlSummary(WindowFromPoint(screen), top));
}

JsonValue CmdClose(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    const DWORD pid = ProcessIdOf(top);
    if (!PostMessageW(top, WM_CLOSE, 0, 0))
        ThrowLastError(L"PostMessageW(WM_CLOSE)");
    LetSettle(top, SettleOf(cmd));
    return JsonValue::MakeObject().Set("hwnd", HandleValue(top)).Set("pid", pid).Set(
        "still_there", IsWindow(top) && IsWindowVisible(top));
}

JsonValue CmdFocus(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info))
        ThrowLastError(L"GetGUIThreadInfo");
    return JsonValue::MakeObject()
        .Set("focus", ControlSummary(info.hwndFocus, top))
        .Set("active", info.hwndActive ? JsonValue(WindowSummary(info.hwndActive)) : JsonValue())
        .Set("capture", ControlSummary(info.hwndCapture, top))
        .Set("foreground", GetForegroundWindow() == top);
}

JsonValue CmdMsgBox(const ParsedCommand& cmd)
{
    return DescribeMessageBox(WaitForMessageBox(MessageBoxQueryFrom(cmd), TimeoutOf(cmd)));
}

JsonValue CmdMsgBoxPress(const ParsedCommand& cmd)
{
    const DWORD timeout = TimeoutOf(cmd);
    HWND box = WaitForMessageBox(MessageBoxQueryFrom(cmd), timeout);
    JsonValue described = DescribeMessageBox(box);
    HWND button = FindMessageBoxButton(box, cmd.Required(L"--button"));
    if (!IsWindowEnabled(button))
        throw EDriverFailure("refused", L"the button is disabled");
    const int id = GetDlgCtrlID(button);
    const std::wstring caption = TextOf(button).value_or(L"");
    if (!PostMessageW(button, BM_CLICK, 0, 0))
        ThrowLastError(L"PostMessageW(BM_CLICK)");
    bool closed = false;
    if (!cmd.Flag(L"--no-wait")) {
        closed = PollUntil(timeout, [box] { return !IsWindow(box) || !IsWindowVisible(box); });
        if (!closed)
            throw EDriverFailure("timeout", L"the message box stayed open after the press", std::move(described));
    }
    return JsonValue::MakeObject()
        .Set("pressed", id)
        .Set("text", caption)
        .Set("closed", closed)
        .Set("box", std::move(described));
}

JsonValue CmdNoMsgBox(const ParsedCommand& cmd)
{
    const auto query = MessageBoxQueryFrom(cmd);
    if (!query.Pid && !query.Owner)
        throw EUsageError(L"no-msgbox: give --pid or --owner-title");
    const auto forMs = cmd.Integer(L"--for", 2000);
    if (forMs < 0)
        throw EUsageError(L"--for must not be negative");
    HWND found = nullptr;
    PollUntil(static_cast<DWORD>(forMs), [&] {
        auto boxes = FindMessageBoxes(query);
        if (!boxes.empty())
            found = boxes.front();
        return found != nullptr;
    });
    if (found)
        throw EDriverFailure("unexpected", L"a message box appeared", DescribeMessageBox(found));
    return JsonValue::MakeObject().Set("watched_ms", static_cast<long long>(forMs)).Set("msgbox", false);
}

JsonValue CmdWaitGone(const ParsedCommand& cmd)
{
    const auto query = WindowQueryFrom(cmd);
    const DWORD timeout = TimeoutOf(cmd);
    if (!PollUntil(timeout, [&] { return FindTopLevelWindows(query).empty(); }))
        throw EDriverFailure("timeout", L"the window is still there: " + query.Describe());
    return JsonValue::MakeObject().Set("gone", true);
}

JsonValue CmdWaitExit(const ParsedCommand& cmd)
{
    const auto pid = static_cast<DWORD>(cmd.Integer(L"--pid"));
    KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) {
        // Gone before we looked: it ended, but its exit code is lost.
        return JsonValue::MakeObject().Set("pid", pid).Set("exited", true).Set("exit_code", JsonValue());
    }
    const DWORD wait = WaitForSingleObject(process.get(), TimeoutOf(cmd));
    if (wait == WAIT_TIMEOUT)
        throw EDriverFailure("timeout", L"process " + std::to_wstring(pid) + L" is still running");
    if (wait != WAIT_OBJECT_0)
        ThrowLastError(L"WaitForSingleObject");
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code))
        ThrowLastError(L"GetExitCodeProcess");
    return JsonValue::MakeObject().Set("pid", pid).Set("exited", true).Set("exit_code", code);
}

JsonValue CmdProcesses(const ParsedCommand&)
{
    JsonValue list = JsonValue::MakeArray();
    for (const auto& p : AllProcesses())
        list.Push(ProcessJson(p));
    return JsonValue::MakeObject().Set("processes", std::move(list));
}

// Waits for a process started from that image path (compared without
// regard to case), other than the excluded ones: how a test finds the
// Windows process of a program it started before any window exists.
JsonValue CmdWaitProcess(const ParsedCommand& cmd)
{
    const std::wstring& path = cmd.Required(L"--path");
    std::set<DWORD> excluded;
    if (auto list = cmd.Optional(L"--exclude-pid")) {
        for (auto pid : ParseIntegerList(*list, L"--exclude-pid"))
            excluded.insert(static_cast<DWORD>(pid));
    }
    JsonValue found;
    PollUntil(TimeoutOf(cmd), [&] {
        for (const auto& p : AllProcesses()) {
            if (excluded.count(p.Pid))
                continue;
            const auto image = ImagePath(p.Pid);
            if (image && CompareStringOrdinal(image->c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL) {
                found = ProcessJson(p);
                return true;
            }
        }
        return false;
    });
    if (found.IsNull())
        throw EDriverFailure("timeout", L"no process of " + path);
    return found;
}

JsonValue CmdChildren(const ParsedCommand& cmd)
{
    const auto pid = static_cast<DWORD>(cmd.Integer(L"--pid"));
    JsonValue list = JsonValue::MakeArray();
    for (const auto& p : Descendants(pid))
        list.Push(ProcessJson(p));
    return JsonValue::MakeObject().Set("pid", pid).Set("children", std::move(list));
}

JsonValue CmdKill(const ParsedCommand& cmd)
{
    const auto pid = static_cast<DWORD>(cmd.Integer(L"--pid"));
    const auto exitCode = static_cast<UINT>(cmd.Integer(L"--exit-code", 1));
    std::vector<DWORD> victims;
    if (cmd.Flag(L"--tree")) {
        for (const auto& p : Descendants(pid))
            victims.push_back(p.Pid);
        std::reverse(victims.begin(), victims.end());  // children before parents
    }
    victims.push_back(pid);
    JsonValue killed = JsonValue::MakeArray();
    JsonValue failed = JsonValue::MakeArray();
    for (DWORD victim : victims) {
        KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, victim));
        if (process && TerminateProcess(process.get(), exitCode)) {
            WaitForSingleObject(process.get(), 5000);
            killed.Push(victim);
        } else {
            failed.Push(victim);
        }
    }
    return JsonValue::MakeObject().Set("killed", std::move(killed)).Set("failed", std::move(failed));
}

std::vector<Command> BuildCommands();

JsonValue CmdHelp(const ParsedCommand&)
{
    JsonValue list = JsonValue::MakeArray();
    for (const auto& c : BuildCommands()) {
        JsonValue options = JsonValue::MakeArray();
        for (const auto& o : c.Spec.Options)
            options.Push(o);
        for (const auto& f : c.Spec.Flags)
            options.Push(f);
        list.Push(JsonValue::MakeObject().Set("command", c.Spec.Name).Set("help", c.Help).Set("options", std::move(options)));
    }
    return JsonValue::MakeObject().Set("commands", std::move(list));
}

// Drops files as Explorer does; --files separates paths with "|", the
// drop point (client coordinates) is the middle unless --x/--y say.
JsonValue CmdDropFiles(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    std::vector<std::wstring> paths;
    const std::wstring& list = cmd.Required(L"--files");
    for (std::size_t start = 0;;) {
        const std::size_t bar = list.find(L'|', start);
        paths.push_back(list.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
        if (bar == std::wstring::npos)
            break;
        start = bar + 1;
    }
    RECT r{};
    GetClientRect(top, &r);
    POINT pt{r.right / 2, r.bottom / 2};
    if (cmd.Has(L"--x"))
        pt.x = static_cast<LONG>(cmd.Integer(L"--x"));
    if (cmd.Has(L"--y"))
        pt.y = static_cast<LONG>(cmd.Integer(L"--y"));
    return DropFiles(top, paths, pt);
}

// What a screen reader in its own process learns of a control's client
// (--id; the window itself without), optionally navigating from a child or
// doing a child's default action.
JsonValue CmdAccessible(const ParsedCommand& cmd)
{
    HWND top = TargetWindow(cmd);
    HWND target = cmd.Has(L"--id") ? ControlOf(cmd, top) : top;
    AccessibleRequest request;
    request.Direction = cmd.Optional(L"--navigate");
    request.From = static_cast<long>(cmd.Integer(L"--from", 0));
    if (cmd.Has(L"--do-default"))
        request.DoDefault = static_cast<long>(cmd.Integer(L"--do-default"));
    JsonValue result = AccessibleClient(target, request);
    if (request.DoDefault)
        LetSettle(top, SettleOf(cmd));
    return result;
}

JsonValue CmdHighContrast(const ParsedCommand& cmd)
{
    const std::wstring& state = cmd.Required(L"--state");
    if (state != L"on" && state != L"off")
        throw EUsageError(L"--state takes on or off");
    return SetHighContrast(TargetWindow(cmd), state == L"on", SettleOf(cmd));
}

JsonValue CmdConsoleText(const ParsedCommand& cmd)
{
    return ConsoleText(static_cast<DWORD>(cmd.Integer(L"--pid")));
}

JsonValue CmdConsoleKey(const ParsedCommand& cmd)
{
    const std::wstring key = cmd.Optional(L"--char").value_or(L" ");
    if (key.size() != 1)
        throw EUsageError(L"--char takes one character");
    return ConsoleKey(static_cast<DWORD>(cmd.Integer(L"--pid")), key[0]);
}

std::vector<Command> BuildCommands()
{
    auto windowOptions = [](std::initializer_list<std::wstring> more) {
        std::set<std::wstring> options{L"--timeout"};
        for (const auto& o : WindowQueryOptions())
            options.insert(o);
        options.insert(more.begin(), more.end());
        return options;
    };
    const std::set<std::wstring> boxOptions{L"--pid", L"--title", L"--owner-title", L"--owner-hwnd", L"--timeout"};
    std::set<std::wstring> pressOptions = boxOptions;
    pressOptions.insert(L"--button");
    std::set<std::wstring> noBoxOptions = boxOptions;
    noBoxOptions.insert(L"--for");

    auto spec = [](const wchar_t* name, std::set<std::wstring> options, std::set<std::wstring> flags = {},
                   std::set<std::wstring> required = {}) {
        return CommandSpec{name, std::move(options), std::move(flags), std::move(required)};
    };
    return {
        {spec(L"help", {}), CmdHelp, L"lists the commands"},
        {spec(L"wait-window", windowOptions({})), CmdWaitWindow, L"waits for a visible top-level window"},
        {spec(L"windows", {L"--title", L"--class", L"--pid"}, {L"--all"}), CmdWindows, L"lists top-level windows"},
        {spec(L"window", windowOptions({}), {L"--no-fonts"}), CmdWindow, L"describes a top-level window"},
        {spec(L"controls", windowOptions({}), {L"--no-fonts"}), CmdControls, L"describes every control"},
        {spec(L"control", windowOptions({L"--id", L"--control-class"}), {L"--no-fonts"}, {L"--id"}), CmdControl,
         L"describes one control"},
        {spec(L"dialog", windowOptions({}), {L"--no-fonts"}), CmdDialog, L"window and controls together"},
        {spec(L"click", windowOptions({L"--id", L"--control-class", L"--settle"}), {L"--force"}, {L"--id"}), CmdClick,
         L"clicks a control"},
        {spec(L"set-text", windowOptions({L"--id", L"--control-class", L"--text"}), {}, {L"--id", L"--text"}), CmdSetText,
         L"WM_SETTEXT"},
        {spec(L"type", windowOptions({L"--id", L"--control-class", L"--text", L"--settle"}), {L"--post", L"--replace", L"--force"},
              {L"--id", L"--text"}),
         CmdType, L"types characters"},
        {spec(L"key", windowOptions({L"--id", L"--control-class", L"--vk", L"--settle"}), {L"--post", L"--no-char", L"--force"},
              {L"--id", L"--vk"}),
         CmdKey, L"presses a key"},
        {spec(L"click-at", windowOptions({L"--id", L"--control-class", L"--x", L"--y", L"--button", L"--settle", L"--hold-ms"}),
              {L"--double", L"--hold"}),
         CmdClickAt, L"a real mouse click"},
        {spec(L"move", windowOptions({L"--id", L"--control-class", L"--x", L"--y", L"--settle"}), {}, {L"--x", L"--y"}), CmdMove,
         L"moves the mouse pointer"},
        {spec(L"close", windowOptions({L"--settle"})), CmdClose, L"posts WM_CLOSE"},
        {spec(L"drop-files", windowOptions({L"--files", L"--x", L"--y"}), {}, {L"--files"}), CmdDropFiles,
         L"drops files on the window as Explorer does"},
        {spec(L"accessible", windowOptions({L"--id", L"--control-class", L"--navigate", L"--from", L"--do-default", L"--settle"})),
         CmdAccessible, L"what a screen reader in another process learns of a window's client"},
        {spec(L"high-contrast", windowOptions({L"--state", L"--settle"}), {}, {L"--state"}), CmdHighContrast,
         L"makes the program see high contrast switched on or off"},
        {spec(L"console-text", {L"--pid"}, {}, {L"--pid"}), CmdConsoleText, L"reads the screen of a process's console"},
        {spec(L"console-key", {L"--pid", L"--char"}, {}, {L"--pid"}), CmdConsoleKey,
         L"presses a key in a process's console"},
        {spec(L"focus", windowOptions({})), CmdFocus, L"which control has the keyboard focus"},
        {spec(L"msgbox", boxOptions), CmdMsgBox, L"waits for a message box and describes it"},
        {spec(L"msgbox-press", pressOptions, {L"--no-wait"}, {L"--button"}), CmdMsgBoxPress,
         L"presses a message box button"},
        {spec(L"no-msgbox", noBoxOptions), CmdNoMsgBox, L"asserts that no message box appears"},
        {spec(L"wait-gone", windowOptions({})), CmdWaitGone, L"waits until a window is gone"},
        {spec(L"wait-exit", {L"--pid", L"--timeout"}, {}, {L"--pid"}), CmdWaitExit, L"waits for a process to end"},
        {spec(L"processes", {}), CmdProcesses, L"lists all processes"},
        {spec(L"wait-process", {L"--path", L"--exclude-pid", L"--timeout"}, {}, {L"--path"}), CmdWaitProcess,
         L"waits for a process of an image path"},
        {spec(L"children", {L"--pid"}, {}, {L"--pid"}), CmdChildren, L"lists the descendants of a process"},
        {spec(L"kill", {L"--pid", L"--exit-code"}, {L"--tree"}, {L"--pid"}), CmdKill,
         L"terminates a process (and its descendants)"},
    };
}

// Our own splitting keeps shell32 (and what it loads) out of the driver,
// which starts once per action.
std::vector<std::wstring> Arguments() { return SplitCommandLine(GetCommandLineW()); }

JsonValue ErrorJson(const std::wstring& command, const std::string& kind, const std::wstring& message)
{
    return JsonValue::MakeObject().Set("error", message).Set("kind", std::wstring(kind.begin(), kind.end())).Set(
        "command", command);
}

}  // namespace

int main()
{
    // Said first, so that a caller can tell a driver that ended without an
    // answer from one that Wine never started (which is safe to start again).
    static const char started[] = "nimdrive: started\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), started, sizeof started - 1, &written, nullptr);
    const auto args = Arguments();
    const std::wstring command = args.empty() ? L"" : args[0];
    try {
        const auto commands = BuildCommands();
        std::vector<CommandSpec> specs;
        for (const auto& c : commands)
            specs.push_back(c.Spec);
        const ParsedCommand parsed = ParseCommand(args, specs);
        // Every command ends within its own time limit plus a margin.
        const auto limit = std::max<std::int64_t>(parsed.Integer(L"--timeout", kDefaultTimeoutMs), 0) +
                           std::max<std::int64_t>(parsed.Integer(L"--for", 0), 0) + 30000;
        StartWatchdog(parsed.Command, static_cast<unsigned long>(std::min<std::int64_t>(limit, 0x7FFFFFFF)));
        for (const auto& c : commands) {
            if (c.Spec.Name == parsed.Command) {
                WriteStdout(c.Run(parsed).Serialize());
                return 0;
            }
        }
        throw EUsageError(L"unknown command");
    } catch (const EUsageError& e) {
        WriteStdout(ErrorJson(command, "usage", e.Message + L" (nimdrive help lists the commands)").Serialize());
        return 1;
    } catch (const EDriverFailure& e) {
        JsonValue out = ErrorJson(command, e.Kind, e.Message);
        if (!e.Detail.IsNull())
            out.Set("detail", e.Detail);
        WriteStdout(out.Serialize());
        return 2;
    } catch (const Exception& e) {
        WriteStdout(ErrorJson(command, "error", e.Message).Serialize());
        return 2;
    } catch (const std::exception& e) {
        const std::string what = e.what();
        WriteStdout(ErrorJson(command, "error", std::wstring(what.begin(), what.end())).Serialize());
        return 2;
    }
}
