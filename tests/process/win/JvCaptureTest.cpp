// Console output capture: bytes through the pipes into read events, in order
// and complete, standard error with and without its own stream, input to the
// child, and the end of a run only after its last line.

#include "tests/process/win/ProcessTestSupport.h"

#include "framework/Exception.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace cpstest;

namespace {

std::wstring Child(const std::wstring& commands)
{
    return Quote(NimChild()) + L" " + commands;
}

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
