#pragma once
// What the conversion's console shows of its progress, as one percentage.
// wimlib-imagex rewrites one line for each step of its work, for example
// "\rArchiving file data: 12 MiB of 80 MiB (15%) done"; the console watcher
// reads the screen and this turns it into the share of the whole conversion
// that is done. Portable: the screen arrives as text rows.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace watcher {

// A step as wimlib-imagex labels its lines, and the part of the bar it
// fills: From when it starts, To when it reports 100 %.
struct TProgressStep {
    std::wstring_view Label;
    int From;
    int To;
};

// The steps of the batch file's run, in their order. The shares are those
// measured on an 80 MB solid ESD exported to LZX with --check and verified;
// an image of compressible files spends more of its time archiving.
inline constexpr TProgressStep kConversionSteps[] = {
    // export --check first checks a source that carries an integrity table
    {L"Verifying integrity", 0, 5},
    {L"Archiving file data", 5, 85},
    {L"Calculating integrity table", 85, 90},
    // verify --nocheck: the file data alone, decompressed and checksummed
    {L"Verifying file data", 90, 100},
};

// How many rows above the cursor the watcher reads: a progress line with a
// long path wraps over several rows.
inline constexpr int kRowsAboveCursor = 40;

// Follows one conversion's console. The share only grows: a step that lies
// before one already seen, and a percentage below the last, are passed over.
class TConsoleProgress {
public:
    // rows: the screen's rows down to the cursor's row (as wide as the
    // screen, wrapped lines continuing on the next row); cursorColumn: where
    // the cursor stands in the last row. Returns the conversion's percentage
    // when it has risen since the last call.
    std::optional<int> Read(const std::vector<std::wstring>& rows, std::size_t cursorColumn);

private:
    std::size_t FStep = 0;
    int FPercent = -1;
};

// The command line that starts the program as the watcher of the console
// of process processId, and the process ID read back from such a line
// (nothing for any other command line: the program then starts as usual).
std::wstring ComposeWatcherCommandLine(const std::wstring& exePath, std::uint32_t processId);
std::optional<std::uint32_t> WatchedProcessId(std::wstring_view commandLine);

// The watcher prints one percentage a line; a line that is not one (a part
// of a line, anything else) gives nothing.
std::optional<int> ParsePercentLine(std::wstring_view line);

}  // namespace watcher
