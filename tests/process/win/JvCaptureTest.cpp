// Console output capture: bytes through the pipes into read events, in order
// and complete, standard error with and without its own stream, input to the
// child, and the end of a run only after its last line.

#include "tests/process/win/ProcessTestSupport.h"

#include "framework/Exception.h"
#include "framework/StrUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

using namespace cpstest;

namespace {

TKernelHandle OpenChild(const TJvCreateProcess& runner)
{
    return TKernelHandle(OpenProcess(SYNCHRONIZE, FALSE, runner.ProcessInfo().dwProcessId));
}

// Line i of nimchild's "lines" pattern, without its CR LF.
std::wstring PatternLine(unsigned i)
{
    char number[16];
    std::snprintf(number, sizeof number, "%08u ", i);
    std::wstring line(number, number + 9);
    for (unsigned k = 0; k < 53; ++k)
        line.push_back(static_cast<wchar_t>(L'a' + (i + k) % 26));
    return line;
}

// Whether the event of the given kind and text comes before the termination.
bool EndsAfterEverything(const TRecorder& record)
{
    return !record.Events.empty() && record.Events.back().Kind == 'T' && record.Terminations == 1;
}

}  // namespace

TEST(ConsoleCapture, BytesArriveInOrderAsRawPiecesAndAssembledLines)
{
    for (bool ownerData : {false, true}) {
        SCOPED_TRACE(ownerData ? "with coOwnerData" : "without coOwnerData");
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetConsoleOptions(ownerData ? TJvConsoleOptions{coRedirect, coOwnerData} : TJvConsoleOptions{coRedirect});
        // "ab" | "c" CR LF | "10%" CR | "20%" CR LF | "x" TAB "y" NUL "z" BEL, no final line feed
        runner.SetCommandLine(Child(L"out 6162 sleep 50 out 630d0a sleep 50 out 3130250d sleep 50 "
                                    L"out 3230250d0a sleep 50 out 78097900 out 7a07 exit 3"));
        runner.Run();
        WaitWhileWaiting(runner);

        EXPECT_EQ(record.ExitCode, 3u);
        EXPECT_TRUE(EndsAfterEverything(record));
        EXPECT_EQ(record.Raw, std::wstring(L"abc\r\n10%\r20%\r\nx\ty\0z\a", 20));
        const std::vector<std::wstring> screen = {L"abc", L"20%", L"x        y z "};
        EXPECT_EQ(record.Output.Lines, screen);
        for (const auto& event : record.Events) {
            if (event.Kind == 'R') {
                EXPECT_EQ(event.Text.find_first_of(L"\r\n"), std::wstring::npos);
                EXPECT_EQ(event.StateInHandler, psWaiting);
            }
            EXPECT_NE(event.Kind, 'E');
        }
        if (ownerData)
            EXPECT_TRUE(runner.ConsoleOutput().empty());
        else
            EXPECT_EQ(runner.ConsoleOutput(), screen);
    }
}

TEST(ConsoleCapture, StandardErrorSharesTheOutputOrHasItsOwnStream)
{
    const std::wstring commands = L"out 610d0a sleep 100 err 620d0a sleep 100 out 630d0a";
    {
        SCOPED_TRACE("shared");
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetConsoleOptions({coRedirect});
        runner.SetCommandLine(Child(commands));
        runner.Run();
        WaitWhileWaiting(runner);
        EXPECT_EQ(record.Output.Lines, (std::vector<std::wstring>{L"a", L"b", L"c", L""}));
        EXPECT_TRUE(record.Errors.Lines.empty());
        EXPECT_TRUE(record.ErrorRaw.empty());
        EXPECT_TRUE(EndsAfterEverything(record));
    }
    {
        SCOPED_TRACE("separate");
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetConsoleOptions({coRedirect, coSeparateError});
        runner.SetCommandLine(Child(commands));
        runner.Run();
        WaitWhileWaiting(runner);
        EXPECT_EQ(record.Output.Lines, (std::vector<std::wstring>{L"a", L"c", L""}));
        EXPECT_EQ(record.Errors.Lines, (std::vector<std::wstring>{L"b", L""}));
        EXPECT_EQ(record.ErrorRaw, L"b\r\n");
        EXPECT_EQ(runner.ConsoleOutput(), (std::vector<std::wstring>{L"a", L"c", L""}));
        EXPECT_EQ(runner.ErrorReader()->ConsoleOutput(), (std::vector<std::wstring>{L"b", L""}));
        EXPECT_TRUE(EndsAfterEverything(record));
    }
}

TEST(ConsoleCapture, LargeOutputArrivesCompleteAlsoWhenTheUserInterfaceFallsBehind)
{
    struct Case {
        unsigned lines;
        DWORD stallMs;  // the user-interface thread handles no message for this long
    };
    for (const Case& c : {Case{3200, 0}, Case{8000, 2000}}) {
        SCOPED_TRACE(c.lines);
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetConsoleOptions({coRedirect});
        runner.SetCommandLine(Child(L"lines " + std::to_wstring(c.lines)));
        runner.Run();
        if (c.stallMs != 0)
            Sleep(c.stallMs);
        WaitWhileWaiting(runner);

        EXPECT_EQ(record.Raw.size(), c.lines * 64u);
        ASSERT_EQ(record.Output.Lines.size(), c.lines + 1u);
        unsigned wrong = 0;
        for (unsigned i = 1; i <= c.lines; ++i)
            if (record.Output.Lines[i - 1] != PatternLine(i) && ++wrong < 5)
                ADD_FAILURE() << "line " << i << " differs";
        EXPECT_EQ(wrong, 0u);
        EXPECT_TRUE(EndsAfterEverything(record));
    }
}

TEST(ConsoleCapture, WriteReachesTheChildsInput)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Child(L"echo"));
    runner.Run();

    EXPECT_TRUE(runner.Write(""));
    EXPECT_TRUE(runner.WriteLn("hallo welt"));
    EXPECT_TRUE(PumpUntil([&] { return record.HasLine(L"hallo welt"); }));
    EXPECT_FALSE(runner.Write(std::string(1025, 'x'))) << "more than the pending buffer holds";
    EXPECT_TRUE(runner.Write(std::string(1024, 'y')));
    EXPECT_TRUE(PumpUntil([&] { return record.HasLine(std::wstring(1024, L'y')); }));
    EXPECT_FALSE(record.HasLine(std::wstring(1025, L'x')));

    runner.Terminate();
    WaitWhileWaiting(runner);
    EXPECT_EQ(record.ExitCode, 0u);
    EXPECT_FALSE(runner.Write("late")) << "no console thread after the run";
    EXPECT_TRUE(runner.Write("") == false);
}

TEST(ConsoleCapture, WriteFailsOnceTheChildHasClosedItsInput)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Child(L"close in say closed sleep 1500"));
    runner.Run();
    ASSERT_TRUE(PumpUntil([&] { return record.HasLine(L"closed"); }));
    // The first write is queued; the pipe then refuses it and the runner
    // stops feeding the input.
    EXPECT_TRUE(PumpUntil([&] { return !runner.Write("z"); }, 5000));
    EXPECT_EQ(runner.State(), psWaiting);
    WaitWhileWaiting(runner);
    EXPECT_TRUE(EndsAfterEverything(record));
}

TEST(ConsoleCapture, GrandchildHoldingTheOutputKeepsTheRunOpen)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Child(L"say child spawn sleep 3000 say grand-done exit 4"));
    runner.Run();
    TKernelHandle child = OpenChild(runner);
    ASSERT_TRUE(child);
    ASSERT_EQ(WaitForSingleObject(child.get(), 10000), WAIT_OBJECT_0);
    PumpFor(200);
    EXPECT_EQ(runner.State(), psWaiting) << "the grandchild still holds the pipe";
    EXPECT_EQ(record.Terminations, 0);

    WaitWhileWaiting(runner);
    EXPECT_TRUE(record.HasLine(L"grand-done"));
    EXPECT_EQ(record.ExitCode, 0u) << "the child's code, not the grandchild's";
    EXPECT_TRUE(EndsAfterEverything(record));
}

TEST(ConsoleCapture, StopWaitingEndsTheReadersWithoutEventOrHang)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect, coSeparateError});
    // Warm up: the first run creates what a run keeps (window, system threads).
    runner.SetCommandLine(Child(L"exit 0"));
    runner.Run();
    WaitWhileWaiting(runner);
    PumpFor(200);
    const int threadsBefore = ThreadCount();
    record.Events.clear();

    runner.SetCommandLine(Child(L"say started sleep 6000 say late"));
    runner.Run();
    TKernelHandle child = OpenChild(runner);
    ASSERT_TRUE(PumpUntil([&] { return record.HasLine(L"started"); }));
    record.Events.clear();

    const ULONGLONG start = GetTickCount64();
    runner.StopWaiting();
    EXPECT_LT(GetTickCount64() - start, 1500u) << "stopping must not wait for the child";
    EXPECT_EQ(runner.State(), psReady);
    // The blocked pipe reads end at once, long before the child writes again.
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() <= threadsBefore; }, 4000))
        << "threads before " << threadsBefore << ", now " << ThreadCount();
    EXPECT_EQ(WaitForSingleObject(child.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    ASSERT_EQ(WaitForSingleObject(child.get(), 10000), WAIT_OBJECT_0);
    PumpFor(300);
    EXPECT_TRUE(record.Events.empty());
}

TEST(ConsoleCapture, ExceptionInTheLastDrainIsShownAndTheRunStillEnds)
{
    TExceptionBoxCatcher boxes;
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.OnRead = [&](TJvCreateProcess*, const std::wstring& s, bool startsOnNewLine) {
        record.Output.Apply(s, startsOnNewLine);
        if (s == L"last" && !startsOnNewLine)
            throw Exception(L"Lesefehler");
    };
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Child(L"out 6c617374 exit 6"));  // "last" without a line feed
    runner.Run();
    WaitWhileWaiting(runner);
    PumpFor(100);
    EXPECT_EQ(record.Terminations, 1);
    EXPECT_EQ(record.ExitCode, 6u);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"Lesefehler."});
}

namespace {

// How often each line occurs on a screen.
std::map<std::wstring, int> LineCounts(const std::vector<std::wstring>& lines)
{
    std::map<std::wstring, int> counts;
    for (const std::wstring& line : lines)
        ++counts[line];
    return counts;
}

// The count of a pattern line that the screen does not hold exactly `times`
// times; 0 when all do.
unsigned WrongPatternLines(const std::map<std::wstring, int>& counts, unsigned lines, int times)
{
    unsigned wrong = 0;
    for (unsigned i = 1; i <= lines; ++i) {
        const auto it = counts.find(PatternLine(i));
        if ((it == counts.end() ? 0 : it->second) != times)
            ++wrong;
    }
    return wrong;
}

// Takes the read notifications waiting in this thread's queue, then hands
// them on as they were; returns their number.
int ReadNotificationsQueued()
{
    std::vector<MSG> taken;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, CPS_READ_NOTIFICATION, CPS_READ_NOTIFICATION, PM_REMOVE))
        taken.push_back(msg);
    for (const MSG& m : taken)
        DispatchMessageW(&m);
    return static_cast<int>(taken.size());
}

}  // namespace

TEST(ConsoleCapture, FloodOnBothStreamsWhileWritingInputLosesNothingAndWriteNeverBlocks)
{
    // The child fills both pipes before it reads any input, so its input pipe
    // is full and a write to it blocks for a long while.
    constexpr unsigned kLines = 4096;  // 256 KiB on each stream
    constexpr unsigned kInput = 256 * 1024;
    for (bool separate : {true, false}) {
        SCOPED_TRACE(separate ? "separate error stream" : "shared error stream");
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetConsoleOptions(separate ? TJvConsoleOptions{coRedirect, coSeparateError} : TJvConsoleOptions{coRedirect});
        runner.SetCommandLine(Child(L"flood " + std::to_wstring(kLines) + L" readin " + std::to_wstring(kInput)));
        runner.Run();

        unsigned sent = 0;
        unsigned sum = 0;
        ULONGLONG longestWrite = 0;
        while (runner.State() == psWaiting) {
            while (sent < kInput) {
                std::string piece(std::min(1000u, kInput - sent), '\0');
                for (std::size_t k = 0; k < piece.size(); ++k)
                    piece[k] = static_cast<char>('0' + (sent + k) % 75);
                const ULONGLONG start = GetTickCount64();
                const bool queued = runner.Write(piece);
                longestWrite = std::max(longestWrite, GetTickCount64() - start);
                if (!queued)
                    break;
                for (char c : piece)
                    sum += static_cast<unsigned char>(c);
                sent += static_cast<unsigned>(piece.size());
            }
            PumpFor(2);
        }

        EXPECT_LT(longestWrite, 1000u) << "Write waited for the pipe";
        EXPECT_EQ(sent, kInput);
        EXPECT_TRUE(record.HasLine(L"got " + std::to_wstring(kInput) + L" sum " + std::to_wstring(sum)));
        EXPECT_EQ(record.Terminations, 1);
        // Every output line arrives whole: once per stream.
        if (separate) {
            EXPECT_EQ(WrongPatternLines(LineCounts(record.Output.Lines), kLines, 1), 0u);
            EXPECT_EQ(WrongPatternLines(LineCounts(record.Errors.Lines), kLines, 1), 0u);
        } else {
            EXPECT_EQ(WrongPatternLines(LineCounts(record.Output.Lines), kLines, 2), 0u);
        }
    }
}

TEST(ConsoleCapture, ManySmallWritesWhileTheUserInterfaceIsBusyEndTheRunWithEveryByte)
{
    constexpr unsigned kBytes = 20000;
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect, coSeparateError});
    runner.SetCommandLine(Child(L"exit 0"));  // warm up: the window and the system's own threads
    runner.Run();
    WaitWhileWaiting(runner);
    PumpFor(200);
    const int threadsBefore = ThreadCount();
    const int handlesBefore = HandleCount();
    record.Terminations = 0;

    runner.SetCommandLine(Child(L"drip " + std::to_wstring(kBytes)));
    runner.Run();
    Sleep(3000);  // the user-interface thread handles nothing meanwhile
    // One notification waits for all that piled up, not one per pipe read.
    EXPECT_LE(ReadNotificationsQueued(), 1);
    WaitWhileWaiting(runner);

    EXPECT_EQ(record.Terminations, 1);
    EXPECT_EQ(record.Raw.size(), kBytes);
    ASSERT_EQ(record.Output.Lines.size(), kBytes / 64 + 1);
    EXPECT_EQ(record.Output.Lines[10].size(), 63u);
    EXPECT_TRUE(SettlesTo(threadsBefore, handlesBefore))
        << "threads " << threadsBefore << " -> " << ThreadCount() << ", handles " << handlesBefore << " -> "
        << HandleCount();
}

TEST(ConsoleCapture, DoubleByteCharactersSplitAcrossPipeReadsArriveWhole)
{
    if (!IsValidCodePage(932))
        GTEST_SKIP() << "no Shift-JIS code page here";
    // U+3042 is 82 A0 in Shift-JIS.
    std::wstring longHex = L"41";
    std::wstring longText = L"A";
    for (int i = 0; i < 1500; ++i) {  // 3001 bytes in one write: every piece ends inside a character
        longHex += L"82a0";
        longText += L'\u3042';
    }
    struct Case {
        const char* name;
        std::wstring commands;
        std::vector<std::wstring> screen;
    };
    const Case cases[] = {
        {"two writes", L"out 4182 sleep 300 out a0420d0a", {L"A\u3042B", L""}},
        {"a long line", L"out " + longHex + L" sleep 300 out 0d0a", {longText, L""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.InputReader()->UseCodePage(932);
        runner.SetConsoleOptions({coRedirect});
        runner.SetCommandLine(Child(c.commands));
        runner.Run();
        WaitWhileWaiting(runner);
        EXPECT_EQ(record.Output.Lines, c.screen);
        std::size_t raws = 0;
        for (const auto& event : record.Events)
            raws += event.Kind == 'W' ? 1 : 0;
        EXPECT_GE(raws, 2u) << "the bytes came in one read: nothing was split";
    }
}

TEST(ConsoleCapture, ChildInheritsOnlyItsPipeEnds)
{
    // A handle this program made inheritable for some other purpose.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    TKernelHandle bait(CreateEventW(&inheritable, TRUE, FALSE, nullptr));
    ASSERT_TRUE(bait);
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Child(L"probe " + std::to_wstring(reinterpret_cast<ULONG_PTR>(bait.get())) + L" say done"));
    runner.Run();
    WaitWhileWaiting(runner);
    ASSERT_TRUE(record.HasLine(L"done"));
    EXPECT_EQ(record.Output.Lines[0].rfind(L"probe refused", 0), 0u) << WideToUtf8(record.Output.Lines[0]);
    EXPECT_EQ(WaitForSingleObject(bait.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(ConsoleCapture, BatchFileThroughTheInterpreterGetsItsArgumentsUnchanged)
{
    // As the conversion runs its batch file: the interpreter from COMSPEC,
    // the batch file and a program beside it in a folder with an odd name.
    TOddFolder folder;
    const std::wstring program = folder.Copy(NimChild(), L"werkzeug (x86).exe");
    const std::wstring batch = folder.Path() + L"\\aufruf & test.bat";
    {
        const std::string text = "@echo off\r\nsetlocal EnableExtensions DisableDelayedExpansion\r\n"
                                 "\"%~1\" args %2 %3 %4 %5\r\n";
        TFileHandle file(CreateFileW(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    const std::vector<std::wstring> arguments = {
        folder.Path() + L"\\Quelle mit Leerzeichen.esd", L"a&b ^c !d!", L"(Klammer) \u00C4\u00D6\u00DC \u00E4\u00F6\u00FC\u00DF",
        L"LZX"};
    wchar_t comspec[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableW(L"COMSPEC", comspec, MAX_PATH), 0u);
    std::wstring commandLine = L" /C \" " + Quote(batch) + L" " + Quote(program);
    for (const std::wstring& argument : arguments)
        commandLine += L" " + Quote(argument);
    commandLine += L" \"";

    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.SetApplicationName(comspec);
    runner.SetCommandLine(commandLine);
    runner.Run();
    WaitWhileWaiting(runner);
    DeleteFileW(batch.c_str());

    std::vector<std::wstring> expected;
    for (const std::wstring& argument : arguments)
        expected.push_back(L"[" + argument + L"]");
    expected.push_back(L"");
    EXPECT_EQ(record.Output.Lines, expected);
    EXPECT_EQ(record.ExitCode, 0u);
}
