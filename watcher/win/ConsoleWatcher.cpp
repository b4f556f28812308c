#include "watcher/win/ConsoleWatcher.h"

#include "framework/win/Handle.h"
#include "watcher/ConsoleProgress.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

// Often enough for a bar that moves by a few pixels a second, seldom enough
// to cost nothing beside the conversion.
constexpr DWORD kLookIntervalMs = 500;

struct TConsoleScreen {
    std::vector<std::wstring> Rows;
    std::size_t CursorColumn = 0;
};

// Attached to another process's console for one look. Attaching may put the
// console's handles in place of the standard ones; ours (the pipe to the
// main window) are put back when it lets go.
class TAttachedConsole {
public:
    explicit TAttachedConsole(DWORD processId)
        : FIn(GetStdHandle(STD_INPUT_HANDLE)),
          FOut(GetStdHandle(STD_OUTPUT_HANDLE)),
          FErr(GetStdHandle(STD_ERROR_HANDLE)),
          FAttached(AttachConsole(processId) != FALSE)
    {
    }
    ~TAttachedConsole()
    {
        if (FAttached)
            FreeConsole();
        SetStdHandle(STD_INPUT_HANDLE, FIn);
        SetStdHandle(STD_OUTPUT_HANDLE, FOut);
        SetStdHandle(STD_ERROR_HANDLE, FErr);
    }
    TAttachedConsole(const TAttachedConsole&) = delete;
    TAttachedConsole& operator=(const TAttachedConsole&) = delete;

    bool Attached() const noexcept { return FAttached; }

private:
    HANDLE FIn;
    HANDLE FOut;
    HANDLE FErr;
    bool FAttached;
};

// The rows from a few above the cursor down to the cursor's row; nothing
// when the console cannot be reached (not there yet, or gone).
std::optional<TConsoleScreen> LookAtConsole(DWORD processId)
{
    TAttachedConsole console(processId);
    if (!console.Attached())
        return std::nullopt;
    // Read access alone: the screen is only looked at. Closed before the
    // console is let go.
    TFileHandle screen(CreateFileW(L"CONOUT$", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!screen || !GetConsoleScreenBufferInfo(screen.get(), &info) || info.dwSize.X <= 0)
        return std::nullopt;
    const int width = info.dwSize.X;
    const int last = info.dwCursorPosition.Y;
    const int first = last > watcher::kRowsAboveCursor ? last - watcher::kRowsAboveCursor : 0;
    // One read across the rows: the console continues a read on the next row.
    std::wstring cells(static_cast<std::size_t>(width) * static_cast<std::size_t>(last - first + 1), L' ');
    DWORD got = 0;
    if (!ReadConsoleOutputCharacterW(screen.get(), cells.data(), static_cast<DWORD>(cells.size()),
                                     COORD{0, static_cast<SHORT>(first)}, &got))
        return std::nullopt;
    cells.resize(got);
    TConsoleScreen result;
    for (std::size_t at = 0; at < cells.size(); at += static_cast<std::size_t>(width))
        result.Rows.push_back(cells.substr(at, static_cast<std::size_t>(width)));
    result.CursorColumn = static_cast<std::size_t>(info.dwCursorPosition.X);
    return result;
}

bool WriteLine(HANDLE out, int percent)
{
    const std::string line = std::to_string(percent) + "\r\n";
    DWORD written = 0;
    return WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) && written == line.size();
}

int WatchConsole(DWORD processId)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return 1;
    TKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process)
        return 1;
    // Ctrl+C in the watched console is meant for the batch file.
    SetConsoleCtrlHandler(nullptr, TRUE);
    watcher::TConsoleProgress progress;
    do {
        if (const std::optional<TConsoleScreen> screen = LookAtConsole(processId)) {
            const std::optional<int> percent = progress.Read(screen->Rows, screen->CursorColumn);
            // Nobody reads any more: the main window has gone.
            if (percent && !WriteLine(out, *percent))
                return 0;
        }
    } while (WaitForSingleObject(process.get(), kLookIntervalMs) == WAIT_TIMEOUT);
    return 0;
}

}  // namespace

std::optional<int> RunConsoleWatcherIfAsked()
{
    const std::optional<std::uint32_t> processId = watcher::WatchedProcessId(GetCommandLineW());
    if (!processId)
        return std::nullopt;
    try {
        return WatchConsole(*processId);
    } catch (...) {
        return 1;
    }
}
