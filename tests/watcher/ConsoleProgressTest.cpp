#include "watcher/ConsoleProgress.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using watcher::TConsoleProgress;

// A console screen 80 columns wide, written as the console does: a carriage
// return goes back to the start of the cursor's row, a line feed and a full
// row go on in the next row.
struct FakeConsole {
    std::vector<std::wstring> Rows{std::wstring(80, L' ')};
    std::size_t Column = 0;

    std::optional<int> WriteAndRead(std::wstring_view text, TConsoleProgress& progress)
    {
        for (const wchar_t c : text) {
            if (c == L'\r') {
                Column = 0;
                continue;
            }
            if (c == L'\n' || Column == 80) {
                Rows.emplace_back(80, L' ');
                Column = 0;
            }
            if (c != L'\n')
                Rows.back()[Column++] = c;
        }
        return progress.Read(Rows, Column);
    }
};

TEST(ConsoleProgress, OneBarForExportIntegrityTableAndVerification)
{
    // One run as wimlib-imagex 1.13 writes it: export --check, verify --nocheck.
    const std::pair<const wchar_t*, std::optional<int>> steps[] = {
        {L"Exportiere Image 1 mit \"--compress=LZX\" nach \"C:\\Nimbrel\\WIM\\install.wim.tmp\" ...\r\n\r\n", {}},
        {L"Using LZX compression with 2 threads\r\n", {}},
        {L"\rArchiving file data: 0 MiB of 30 MiB (0%) done", 5},
        {L"\rArchiving file data: 0 MiB of 30 MiB (0%) done", {}},  // no rise
        {L"\rArchiving file data: 11 MiB of 30 MiB (37%) done", 34},
        {L"\rArchiving file data: 30 MiB of 30 MiB (100%) done\n", 85},
        {L"\rCalculating integrity table for WIM: 10 MiB of 30 MiB (33%) done", 86},
        {L"\rCalculating integrity table for WIM: 30 MiB of 30 MiB (100%) done\n", 90},
        {L"\r\nPrüfe \"C:\\Nimbrel\\WIM\\install.wim.tmp\" ...\r\n", {}},
        {L"Verifying metadata for image 1 of 1\n", {}},
        {L"\rVerifying file data: 15 MiB of 30 MiB (50%) done", 95},
        {L"\rVerifying file data: 30 MiB of 30 MiB (100%) done\n", 100},
        {L"\n\"C:\\Nimbrel\\WIM\\install.wim.tmp\" was successfully verified.\r\n", {}},
    };
    FakeConsole console;
    TConsoleProgress progress;
    for (const auto& [text, share] : steps)
        EXPECT_EQ(console.WriteAndRead(text, progress), share) << std::wstring(text).size();
}

TEST(ConsoleProgress, WhatTheScreenShowsBeforeTheCursor)
{
    const std::wstring line = L"\rVerifying integrity of \"C:\\Users\\Jörg\\Windows 10 (x64) & Co\\" +
                              std::wstring(150, L'x') + L"\\install.esd\": ";
    const std::pair<std::vector<std::wstring>, std::optional<int>> cases[] = {
        {{L"Nimbrel: Konvertierung mit wimlib-imagex\r\n"}, {}},
        // A source's integrity check, its line wrapped over four rows and
        // written again from the start of its last row.
        {{line + L"1 MiB of 9 MiB (20%) done", line + L"5 MiB of 9 MiB (60%) done"}, 3},
        {{L"\rArchiving file data: 3 MiB of 30 MiB (1"}, {}},  // half written
        {{L"\rArchiving file data: 1 MiB of 1 MiB (101%) done"}, {}},
        {{L"\rArchiving file data: 1 MiB of 1 MiB 50%) done"}, {}},
        {{L"\rSplitting WIM: 1 MiB of 2 MiB (50%) done"}, {}},
        // A later step seen, an earlier one showing up again is passed over.
        {{L"\rCalculating integrity table for WIM: 1 MiB of 2 MiB (50%) done\n",
          L"\rArchiving file data: 2 MiB of 2 MiB (100%) done"}, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        FakeConsole console;
        TConsoleProgress progress;
        std::optional<int> last;
        for (const std::wstring& text : cases[i].first)
            last = console.WriteAndRead(text, progress);
        EXPECT_EQ(last, cases[i].second) << "case " << i;
    }
}

TEST(ConsoleProgress, WatcherCommandLineAndItsLines)
{
    const std::wstring exe = L"C:\\Programme\\Nimbrel (neu) & Co\\Nimbrel.exe";
    EXPECT_EQ(watcher::ComposeWatcherCommandLine(exe, 4242), L"\"" + exe + L"\" --watch-console 4242");
    EXPECT_EQ(watcher::WatchedProcessId(watcher::ComposeWatcherCommandLine(exe, 4242)), 4242u);
    EXPECT_EQ(watcher::WatchedProcessId(L"Nimbrel.exe  --watch-console\t17 "), 17u);
    // Every other command line starts the program as usual.
    for (const wchar_t* other : {L"\"C:\\Nimbrel\\Nimbrel.exe\"", L"\"C:\\Nimbrel\\Nimbrel.exe\" D:\\install.esd",
                                 L"\"C:\\Nimbrel\\Nimbrel.exe\" --watch-console", L"Nimbrel.exe --watch-console 0",
                                 L"Nimbrel.exe --watch-console 12x", L"Nimbrel.exe --watch-console 99999999999",
                                 L"Nimbrel.exe --watch-consoles 1", L"\"Nimbrel.exe --watch-console 1", L""})
        EXPECT_EQ(watcher::WatchedProcessId(other), std::nullopt) << std::wstring(other).size();

    const std::pair<const wchar_t*, std::optional<int>> lines[] = {
        {L"0", 0}, {L"37", 37}, {L"100", 100}, {L" 5 ", 5}, {L"", {}}, {L"101", {}}, {L"-1", {}}, {L"3a", {}},
    };
    for (const auto& [text, value] : lines)
        EXPECT_EQ(watcher::ParsePercentLine(text), value) << std::wstring(text).size();
}

}  // namespace
