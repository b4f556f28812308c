// nimchild.exe / nimchildw.exe: a scriptable child process for the tests of
// the process runner. The arguments are a list of commands run in order;
// see tools/children/README.md. The same source builds the console program
// and the GUI-subsystem one.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/children/win/ToolSupport.h"

namespace {

using tools::LocalArgv;
using tools::UniqueHandle;

// Exit code for a command line that nimchild does not understand.
constexpr UINT UsageError = 250;

[[noreturn]] void Fail(std::wstring_view what, std::wstring_view arg)
{
    std::string text = "nimchild: " + tools::ToUtf8(what);
    if (!arg.empty())
        text += " '" + tools::ToUtf8(arg) + "'";
    text += "\r\n";
    tools::WriteAll(GetStdHandle(STD_ERROR_HANDLE), text);
    ExitProcess(UsageError);
}

// Decimal, 0x-prefixed hexadecimal, or negative decimal (two's complement).
std::optional<DWORD> ParseNumber(std::wstring_view text)
{
    if (text.empty())
        return std::nullopt;
    const std::wstring s(text);
    wchar_t* end = nullptr;
    DWORD value;
    if (s[0] == L'-')
        value = static_cast<DWORD>(std::wcstol(s.c_str(), &end, 10));
    else
        value = static_cast<DWORD>(std::wcstoul(s.c_str(), &end, 0));
    if (end != s.c_str() + s.size())
        return std::nullopt;
    return value;
}

std::optional<std::string> ParseHex(std::wstring_view text)
{
    auto digit = [](wchar_t c) -> int {
        if (c >= L'0' && c <= L'9')
            return c - L'0';
        if (c >= L'a' && c <= L'f')
            return c - L'a' + 10;
        if (c >= L'A' && c <= L'F')
            return c - L'A' + 10;
        return -1;
    };
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = digit(text[i]);
        const int lo = digit(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
    }
    return bytes;
}

HANDLE StdOut() { return GetStdHandle(STD_OUTPUT_HANDLE); }

// Output goes out unbuffered, one WriteFile per piece, so that the tests see
// exactly the writes they asked for. A missing or closed handle is ignored.
void Put(HANDLE h, std::string_view bytes)
{
    if (h && h != INVALID_HANDLE_VALUE && !bytes.empty())
        tools::WriteAll(h, bytes);
}

void PutLine(std::wstring_view text) { Put(StdOut(), tools::ToCodePage(text, CP_ACP) + "\r\n"); }

// Line i (from 1): eight digits, a blank, 53 letters starting at the i-th
// letter of the alphabet, CR LF; 64 bytes in all.
std::string PatternLine(unsigned i)
{
    char number[16];
    std::snprintf(number, sizeof number, "%08u ", i);
    std::string line = number;
    for (unsigned k = 0; k < 53; ++k)
        line.push_back(static_cast<char>('a' + (i + k) % 26));
    line += "\r\n";
    return line;
}

void WriteLines(unsigned count)
{
    std::string chunk;
    for (unsigned i = 1; i <= count; ++i) {
        chunk += PatternLine(i);
        if (chunk.size() >= 4096) {
            Put(StdOut(), chunk);
            chunk.clear();
        }
    }
    Put(StdOut(), chunk);
}

// The "lines" pattern, each 4 KiB chunk written to standard output and then
// to standard error: both pipes fill while the child reads no input.
void Flood(unsigned count)
{
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    std::string chunk;
    for (unsigned i = 1; i <= count; ++i) {
        chunk += PatternLine(i);
        if (chunk.size() >= 4096 || i == count) {
            Put(StdOut(), chunk);
            Put(err, chunk);
            chunk.clear();
        }
    }
}

// COUNT bytes, one WriteFile each: every 64th a line feed, the others letters.
DWORD WINAPI ThreadRound(void* milliseconds)
{
    Sleep(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(milliseconds)));
    return 0;
}

// COUNT rounds of two threads that run at once and end, as a process
// runner's reader and console threads do; then "threads COUNT".
void TwoThreads(unsigned count)
{
    for (unsigned round = 0; round < count; ++round) {
        HANDLE threads[2];
        for (int k = 0; k < 2; ++k) {
            threads[k] = CreateThread(nullptr, 0, &ThreadRound, reinterpret_cast<void*>(UINT_PTR(10 * k)), 0, nullptr);
            if (threads[k] == nullptr)
                Fail(L"cannot create a thread", L"");
        }
        WaitForMultipleObjects(2, threads, TRUE, INFINITE);
        CloseHandle(threads[0]);
        CloseHandle(threads[1]);
    }
    PutLine(L"threads " + std::to_wstring(count));
}

void Drip(unsigned count)
{
    for (unsigned i = 1; i <= count; ++i) {
        const char byte = i % 64 == 0 ? '\n' : static_cast<char>('a' + i % 26);
        Put(StdOut(), std::string_view(&byte, 1));
    }
}

// Reads COUNT bytes of input (fewer when it ends first) and reports how many
// and their sum.
void ReadInput(unsigned count)
{
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    unsigned got = 0;
    unsigned sum = 0;
    char buffer[4096];
    while (got < count && in && in != INVALID_HANDLE_VALUE) {
        const DWORD want = count - got < sizeof buffer ? count - got : static_cast<DWORD>(sizeof buffer);
        DWORD n = 0;
        if (!ReadFile(in, buffer, want, &n, nullptr) || n == 0)
            break;
        for (DWORD k = 0; k < n; ++k)
            sum += static_cast<unsigned char>(buffer[k]);
        got += n;
    }
    char text[64];
    std::snprintf(text, sizeof text, "got %u sum %u", got, sum);
    PutLine(tools::FromUtf8(text));
}

// Whether a handle value names a usable event in this process.
void ProbeHandle(DWORD value)
{
    const HANDLE h = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value));
    if (SetEvent(h)) {
        PutLine(L"probe usable");
    } else {
        char text[48];
        std::snprintf(text, sizeof text, "probe refused %lu", static_cast<unsigned long>(GetLastError()));
        PutLine(tools::FromUtf8(text));
    }
}

void EchoInput()
{
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (!in || in == INVALID_HANDLE_VALUE)
        return;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0)
            return;
        Put(StdOut(), std::string_view(buffer, got));
    }
}

void PrintEnvironmentVariable(std::wstring_view name)
{
    const std::wstring n(name);
    const DWORD size = GetEnvironmentVariableW(n.c_str(), nullptr, 0);
    if (size == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
        PutLine(L"<unset>");
        return;
    }
    std::wstring value(size, L'\0');
    const DWORD len = GetEnvironmentVariableW(n.c_str(), value.data(), size);
    value.resize(len < size ? len : 0);
    PutLine(value);
}

void PrintEnvironment()
{
    LPWCH block = GetEnvironmentStringsW();
    if (!block)
        return;
    for (const wchar_t* p = block; *p; p += std::wcslen(p) + 1)
        PutLine(p);
    FreeEnvironmentStringsW(block);
}

void PrintCurrentDirectory()
{
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring dir(size, L'\0');
    const DWORD len = GetCurrentDirectoryW(size, dir.data());
    dir.resize(len < size ? len : 0);
    PutLine(dir);
}

void CloseStd(std::wstring_view which)
{
    DWORD id;
    if (which == L"in")
        id = STD_INPUT_HANDLE;
    else if (which == L"out")
        id = STD_OUTPUT_HANDLE;
    else if (which == L"err")
        id = STD_ERROR_HANDLE;
    else
        Fail(L"close takes in, out or err, not", which);
    const HANDLE h = GetStdHandle(id);
    SetStdHandle(id, nullptr);
    if (h && h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
}

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring QuoteArgument(std::wstring_view arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring_view::npos)
        return std::wstring(arg);
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
        } else if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        out.push_back(c);
    }
    out.append(backslashes, L'\\');
    out.push_back(L'"');
    return out;
}

std::wstring OwnPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD len = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (len == 0)
            return {};
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Makes our standard handles inheritable so that a started process shares
// them (a pipe stays open for as long as the grandchild lives).
void ShareStdHandles(STARTUPINFOW& si)
{
    const DWORD ids[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE* slots[3] = {&si.hStdInput, &si.hStdOutput, &si.hStdError};
    for (int i = 0; i < 3; ++i) {
        const HANDLE h = GetStdHandle(ids[i]);
        if (h && h != INVALID_HANDLE_VALUE)
            SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        *slots[i] = h;
    }
    si.dwFlags |= STARTF_USESTDHANDLES;
}

// Starts a copy of this program with the remaining arguments and does not
// wait for it.
void SpawnCopy(const LocalArgv& args, int first)
{
    const std::wstring self = OwnPath();
    std::wstring commandLine = QuoteArgument(self);
    for (int i = first; i < args.Count; ++i)
        commandLine += L" " + QuoteArgument(args.Argv[i]);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ShareStdHandles(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &si, &pi))
        Fail(L"cannot start a copy of itself", self);
    UniqueHandle process(pi.hProcess);
    UniqueHandle thread(pi.hThread);
}

// Runs APP with exactly CMDLINE (APP empty: none), sharing our standard
// handles, waits for it and returns its exit code.
DWORD RunAndWait(std::wstring_view app, std::wstring_view commandLine)
{
    const std::wstring appName(app);
    std::wstring line(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ShareStdHandles(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(appName.empty() ? nullptr : appName.c_str(), line.data(), nullptr, nullptr, TRUE,
                        0, nullptr, nullptr, &si, &pi))
        Fail(L"cannot start", appName.empty() ? commandLine : app);
    UniqueHandle process(pi.hProcess);
    UniqueHandle thread(pi.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

// Asks the visible top-level window of ours with this title to close.
bool CloseWindowByTitle(std::wstring_view title)
{
    const std::wstring caption(title);
    HWND hwnd = FindWindowW(L"NimChildWindow", caption.c_str());
    return hwnd && IsWindowVisible(hwnd) && PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A visible top-level window; returns when it was closed or WM_QUIT arrived.
void ShowWindowUntilClosed(std::wstring_view title)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"NimChildWindow";
    RegisterClassW(&wc);
    const std::wstring caption(title);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        Fail(L"cannot create the window", title);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // Ended by WM_QUIT while still open: the window goes with us.
    if (IsWindow(hwnd))
        DestroyWindow(hwnd);
}

UINT Run()
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    LocalArgv args(argv, argc);
    if (!args.Argv)
        Fail(L"cannot read the command line", L"");

    int i = 1;
    auto need = [&](std::wstring_view command) -> std::wstring_view {
        if (i >= args.Count)
            Fail(L"missing argument for", command);
        return args.Argv[i++];
    };
    auto number = [&](std::wstring_view command) -> DWORD {
        const std::wstring_view text = need(command);
        const auto value = ParseNumber(text);
        if (!value)
            Fail(L"not a number", text);
        return *value;
    };
    auto hex = [&](std::wstring_view command) -> std::string {
        const std::wstring_view text = need(command);
        const auto value = ParseHex(text);
        if (!value)
            Fail(L"not a hex byte string", text);
        return *value;
    };

    // The exit code of the last "run"; ours unless "exit" says otherwise.
    DWORD lastCode = 0;
    while (i < args.Count) {
        const std::wstring_view command = args.Argv[i++];
        if (command == L"exit") {
            return number(command);
        } else if (command == L"sleep") {
            Sleep(number(command));
        } else if (command == L"out") {
            Put(StdOut(), hex(command));
        } else if (command == L"err") {
            Put(GetStdHandle(STD_ERROR_HANDLE), hex(command));
        } else if (command == L"say") {
            PutLine(need(command));
        } else if (command == L"lines") {
            WriteLines(number(command));
        } else if (command == L"echo") {
            EchoInput();
        } else if (command == L"flood") {
            Flood(number(command));
        } else if (command == L"drip") {
            Drip(number(command));
        } else if (command == L"threads") {
            TwoThreads(number(command));
        } else if (command == L"readin") {
            ReadInput(number(command));
        } else if (command == L"probe") {
            ProbeHandle(number(command));
        } else if (command == L"args") {
            for (; i < args.Count; ++i)
                PutLine(L"[" + std::wstring(args.Argv[i]) + L"]");
        } else if (command == L"env") {
            PrintEnvironmentVariable(need(command));
        } else if (command == L"setenv") {
            const std::wstring name(need(command));
            const std::wstring value(need(command));
            SetEnvironmentVariableW(name.c_str(), value.c_str());
        } else if (command == L"unsetenv") {
            SetEnvironmentVariableW(std::wstring(need(command)).c_str(), nullptr);
        } else if (command == L"envall") {
            PrintEnvironment();
        } else if (command == L"cwd") {
            PrintCurrentDirectory();
        } else if (command == L"cmdline") {
            PutLine(GetCommandLineW());
        } else if (command == L"pid") {
            PutLine(std::to_wstring(GetCurrentProcessId()));
        } else if (command == L"close") {
            CloseStd(need(command));
        } else if (command == L"spawn") {
            SpawnCopy(args, i);
            return 0;
        } else if (command == L"run") {
            const std::wstring_view app = need(command);
            lastCode = RunAndWait(app, need(command));
        } else if (command == L"code") {
            char text[16];
            std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(lastCode));
            PutLine(tools::FromUtf8(text));
        } else if (command == L"closewin") {
            if (!CloseWindowByTitle(need(command)))
                return 1;
        } else if (command == L"window") {
            ShowWindowUntilClosed(need(command));
        } else {
            Fail(L"unknown command", command);
        }
    }
    return lastCode;
}

} // namespace

int main()
{
    return static_cast<int>(Run());
}
