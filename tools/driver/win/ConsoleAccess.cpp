#include "tools/driver/win/ConsoleAccess.h"

#include "tools/driver/CommandLine.h"
#include "tools/driver/win/Handle.h"
#include "tools/driver/win/WindowSearch.h"

#include <string>

namespace {

// Attached to the console of pid for its lifetime; a process has at most
// one console, so ours (if any) is given up first.
// Attaching replaces the standard handles with the console's; ours (pipes
// to the test) are put back afterwards, so the answer reaches the test.
class AttachedConsole {
public:
    explicit AttachedConsole(DWORD pid)
        : FIn(GetStdHandle(STD_INPUT_HANDLE)),
          FOut(GetStdHandle(STD_OUTPUT_HANDLE)),
          FErr(GetStdHandle(STD_ERROR_HANDLE))
    {
        FreeConsole();
        if (!AttachConsole(pid)) {
            const DWORD error = GetLastError();
            Restore();
            SetLastError(error);
            ThrowLastError(L"AttachConsole(" + std::to_wstring(pid) + L")");
        }
    }
    ~AttachedConsole()
    {
        FreeConsole();
        Restore();
    }
    AttachedConsole(const AttachedConsole&) = delete;
    AttachedConsole& operator=(const AttachedConsole&) = delete;

private:
    void Restore()
    {
        SetStdHandle(STD_INPUT_HANDLE, FIn);
        SetStdHandle(STD_OUTPUT_HANDLE, FOut);
        SetStdHandle(STD_ERROR_HANDLE, FErr);
    }

    HANDLE FIn;
    HANDLE FOut;
    HANDLE FErr;
};

KernelHandle OpenConsoleFile(const wchar_t* name)
{
    KernelHandle h(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    if (!h)
        ThrowLastError(std::wstring(L"CreateFileW(") + name + L")");
    return h;
}

}  // namespace

JsonValue ConsoleText(DWORD pid)
{
    AttachedConsole console(pid);
    KernelHandle out = OpenConsoleFile(L"CONOUT$");
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(out.get(), &info))
        ThrowLastError(L"GetConsoleScreenBufferInfo");
    JsonValue lines = JsonValue::MakeArray();
    const SHORT width = info.dwSize.X;
    std::wstring row(static_cast<std::size_t>(width), L' ');
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        DWORD got = 0;
        if (!ReadConsoleOutputCharacterW(out.get(), row.data(), static_cast<DWORD>(width), COORD{0, y}, &got))
            ThrowLastError(L"ReadConsoleOutputCharacterW");
        std::wstring line = row.substr(0, got);
        line.erase(line.find_last_not_of(L' ') + 1);
        lines.Push(line);
    }
    return JsonValue::MakeObject()
        .Set("hwnd", HandleValue(GetConsoleWindow()))
        .Set("lines", std::move(lines));
}

JsonValue ConsoleKey(DWORD pid, wchar_t character)
{
    AttachedConsole console(pid);
    KernelHandle in = OpenConsoleFile(L"CONIN$");
    const SHORT scan = VkKeyScanW(character);
    const WORD vk = scan == -1 ? 0 : LOBYTE(scan);
    INPUT_RECORD records[2]{};
    for (int i = 0; i < 2; ++i) {
        records[i].EventType = KEY_EVENT;
        KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
        key.bKeyDown = i == 0;
        key.wRepeatCount = 1;
        key.wVirtualKeyCode = vk;
        key.wVirtualScanCode = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        key.uChar.UnicodeChar = character;
    }
    DWORD written = 0;
    if (!WriteConsoleInputW(in.get(), records, 2, &written) || written != 2)
        ThrowLastError(L"WriteConsoleInputW");
    return JsonValue::MakeObject().Set("pressed", std::wstring(1, character)).Set("pid", pid);
}
