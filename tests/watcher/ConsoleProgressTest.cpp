#include "watcher/ConsoleProgress.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using watcher::TConsoleProgress;

// A console screen as wide as given: a carriage return goes back to the
// start of the cursor's row, a line feed to the next row, and a full row
// continues on the next one (as the console does with wimlib's lines).
class FakeConsole {
public:
    explicit FakeConsole(std::size_t width) : FWidth(width), FRows(1, std::wstring(width, L' ')) {}

    void Write(std::wstring_view text)
    {
        for (const wchar_t c : text) {
            if (c == L'\r') {
                FColumn = 0;
            } else if (c == L'\n') {
                NewRow();
            } else {
                if (FColumn == FWidth)
                    NewRow();
                FRows.back()[FColumn++] = c;
            }
        }
    }
    std::optional<int> ReadBy(TConsoleProgress& progress) const { return progress.Read(FRows, FColumn); }

private:
    void NewRow()
    {
        FRows.emplace_back(FWidth, L' ');
        FColumn = 0;
    }
    std::size_t FWidth;
    std::vector<std::wstring> FRows;
    std::size_t FColumn = 0;
};

// Steps of one run, as wimlib-imagex 1.13 writes them: the batch file's
// lines, export with --check, verify --nocheck.
TEST(ConsoleProgress, OneBarForExportIntegrityTableAndVerification)
{
    struct Step {
        const wchar_t* Text;
        std::optional<int> Share;
    };
    const Step steps[] = {
        {L"Exportiere Image 1 mit \"--compress=LZX\" nach \"C:\\Nimbrel\\WIM\\install.wim.tmp\" ...\r\n\r\n", {}},
        {L"Using LZX compression with 2 threads\r\n", {}},
        {L"\rArchiving file data: 0 MiB of 30 MiB (0%) done", 5},
        {L"\rArchiving file data: 0 MiB of 30 MiB (0%) done", {}},  // no rise
        {L"\rArchiving file data: 11 MiB of 30 MiB (37%) done", 34},
        {L"\rArchiving file data: 30 MiB of 30 MiB (100%) done\n", 85},
        {L"\rCalculating integrity table for WIM: 10 MiB of 30 MiB (33%) done", 86},
        {L"\rCalculating integrity table for WIM: 30 MiB of 30 MiB (100%) done\n", 90},
        {L"\r\nPruefe \"C:\\Nimbrel\\WIM\\install.wim.tmp\" ...\r\n", {}},
        {L"Verifying metadata for image 1 of 1\n", {}},
        {L"\rVerifying file data: 15 MiB of 30 MiB (50%) done", 95},
        {L"\rVerifying file data: 30 MiB of 30 MiB (100%) done\n", 100},
        {L"\n\"C:\\Nimbrel\\WIM\\install.wim.tmp\" was successfully verified.\r\n", {}},
    };
    FakeConsole console(80);
    TConsoleProgress progress;
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        console.Write(steps[i].Text);
        EXPECT_EQ(console.ReadBy(progress), steps[i].Share) << "step " << i;
    }
}

TEST(ConsoleProgress, WhatTheScreenShowsBeforeTheCursor)
{
    const std::wstring longPath = L"C:\\Users\\Jörg Müller\\Downloads\\Windows 10 (x64) & Co\\" +
                                  std::wstring(120, L'x') + L"\\install.esd";
    struct Case {
        const wchar_t* Name;
        std::vector<std::wstring> Writes;
        std::optional<int> Share;
    };
    const Case cases[] = {
        {L"nothing yet", {L"Nimbrel: Konvertierung mit wimlib-imagex\r\n"}, {}},
        // A source's integrity check, its line wrapped over three rows and
        // written again from the start of its last row.
        {L"wrapped", {L"\rVerifying integrity of \"" + longPath + L"\": 1 MiB of 9 MiB (20%) done",
                      L"\rVerifying integrity of \"" + longPath + L"\": 5 MiB of 9 MiB (60%) done"}, 3},
        {L"half written", {L"\rArchiving file data: 3 MiB of 30 MiB (1"}, {}},
        {L"over 100", {L"\rArchiving file data: 1 MiB of 1 MiB (101%) done"}, {}},
        {L"no bracket", {L"\rArchiving file data: 1 MiB of 1 MiB 50%) done"}, {}},
        {L"unknown step", {L"\rSplitting WIM: 1 MiB of 2 MiB (50%) done"}, {}},
        // A later step seen, an earlier one showing up again is passed over.
        {L"back", {L"\rCalculating integrity table for WIM: 1 MiB of 2 MiB (50%) done\n",
                   L"\rArchiving file data: 2 MiB of 2 MiB (100%) done"}, {}},
    };
    for (const Case& c : cases) {
        FakeConsole console(80);
        TConsoleProgress progress;
        std::optional<int> last;
        for (const std::wstring& text : c.Writes) {
            console.Write(text);
            last = console.ReadBy(progress);
        }
        EXPECT_EQ(last, c.Share) << std::string(c.Name, c.Name + std::wcslen(c.Name));
    }
}

TEST(ConsoleProgress, WatcherCommandLine)
{
    const std::wstring exe = L"C:\\Programme\\Nimbrel (neu) & Co\\Nimbrel.exe";
    const std::wstring line = watcher::ComposeWatcherCommandLine(exe, 4242);
    EXPECT_EQ(line, L"\"" + exe + L"\" --watch-console 4242");
    EXPECT_EQ(watcher::WatchedProcessId(line), 4242u);
    EXPECT_EQ(watcher::WatchedProcessId(L"Nimbrel.exe  --watch-console\t17 "), 17u);
    // Every other command line starts the program as usual.
    for (const wchar_t* other : {L"\"C:\\Nimbrel\\Nimbrel.exe\"", L"\"C:\\Nimbrel\\Nimbrel.exe\" D:\\install.esd",
                                 L"\"C:\\Nimbrel\\Nimbrel.exe\" --watch-console", L"Nimbrel.exe --watch-console 0",
                                 L"Nimbrel.exe --watch-console 12x", L"Nimbrel.exe --watch-console 99999999999",
                                 L"Nimbrel.exe --watch-consoles 1", L"\"Nimbrel.exe --watch-console 1",
                                 L"--watch-console 1", L""})
        EXPECT_EQ(watcher::WatchedProcessId(other), std::nullopt) << std::wstring(other).size();
}

TEST(ConsoleProgress, PercentLines)
{
    const std::pair<const wchar_t*, std::optional<int>> cases[] = {
        {L"0", 0}, {L"37", 37}, {L"100", 100}, {L" 5 ", 5}, {L"", {}}, {L"101", {}}, {L"1000", {}}, {L"-1", {}}, {L"3a", {}},
    };
    for (const auto& [line, value] : cases)
        EXPECT_EQ(watcher::ParsePercentLine(line), value) << std::wstring(line).size();
}

}  // namespace
