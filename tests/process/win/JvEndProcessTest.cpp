// Ending a child: alone, with its descendants, or by asking its windows.

#include "tests/process/win/ProcessTestSupport.h"

#include <gtest/gtest.h>

using namespace cpstest;

namespace {

TKernelHandle OpenForWaiting(DWORD processID)
{
    return TKernelHandle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processID));
}

ULONGLONG ExitTime(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime;
}

}  // namespace

TEST(EndingAChild, TerminateOnAWaitingRunnerReportsExitCodeZero)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetCommandLine(Quote(NimChild()) + L" sleep 20000 exit 5");
    runner.Run();
    const ULONGLONG start = GetTickCount64();
    runner.Terminate();
    EXPECT_EQ(runner.State(), psWaiting) << "the end is reported as usual";
    WaitWhileWaiting(runner);
    EXPECT_LT(GetTickCount64() - start, 10000u);
    EXPECT_EQ(record.Terminations, 1);
    EXPECT_EQ(record.ExitCode, 0u);
}

TEST(EndingAChild, ReadyRunnerRefusesEveryWayOfEnding)
{
    TJvCreateProcess runner(nullptr);
    const std::function<void()> actions[] = {
        [&] { runner.Terminate(); },
        [&] { runner.TerminateTree(); },
        [&] { runner.CloseApplication(false); },
        [&] { runner.CloseApplication(true); },
    };
    for (const auto& action : actions) {
        try {
            action();
            ADD_FAILURE() << "no exception";
        } catch (const EJvCreateProcessError& e) {
            EXPECT_EQ(e.Message, L"Process is not running");
        }
        EXPECT_EQ(runner.State(), psReady);
    }
}

TEST(EndingAChild, TerminateTreeEndsTheGrandchildBeforeTheChild)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    // The child waits for a grandchild that announces its ID and sleeps, and
    // then sleeps itself: neither ends on its own while the test runs.
    runner.SetCommandLine(Quote(NimChild()) + L" run " + Quote(NimChild()) +
                          L" \"grandchild pid sleep 30000\" sleep 30000 exit 9");
    runner.Run();
    TKernelHandle child = OpenForWaiting(runner.ProcessInfo().dwProcessId);
    ASSERT_TRUE(PumpUntil([&] { return !record.Output.Lines.empty() && !record.Output.Lines[0].empty(); }));
    const DWORD grandchildID = static_cast<DWORD>(std::stoul(record.Output.Lines[0]));
    TKernelHandle grandchild = OpenForWaiting(grandchildID);
    ASSERT_TRUE(child);
    ASSERT_TRUE(grandchild);

    runner.TerminateTree();
    WaitWhileWaiting(runner);  // the output pipe breaks once both are gone

    EXPECT_EQ(WaitForSingleObject(grandchild.get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(child.get(), 5000), WAIT_OBJECT_0);
    EXPECT_LE(ExitTime(grandchild.get()), ExitTime(child.get()));
    EXPECT_EQ(record.ExitCode, 0u);
    EXPECT_EQ(record.Terminations, 1);
}

TEST(EndingAChild, CloseApplicationOnAChildWithoutWindowsReturnsFalse)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Quote(NimChild()) + L" sleep 1000 exit 4");
    runner.Run();
    EXPECT_FALSE(runner.CloseApplication(false));
    EXPECT_FALSE(runner.CloseApplication(true));
    WaitWhileWaiting(runner);
    EXPECT_EQ(record.ExitCode, 4u) << "nothing was posted that ended the child";
}

TEST(EndingAChild, CloseApplicationClosesTheChildsWindows)
{
    struct Case {
        bool sendQuit;
        const wchar_t* title;
        std::uint32_t code;
    };
    for (const Case& c : {Case{false, L"NimbrelCloseProbe", 7}, Case{true, L"NimbrelQuitProbe", 8}}) {
        SCOPED_TRACE(c.sendQuit ? "WM_QUIT" : "WM_CLOSE");
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetCommandLine(Quote(NimChildW()) + L" window " + c.title + L" exit " + std::to_wstring(c.code));
        runner.Run();
        // The window appears a little after the start, and may be found
        // before it is shown (then nothing is posted to it): ask until it is gone.
        bool found = false;
        const bool ended = PumpUntil([&] {
            if (runner.State() != psWaiting)
                return true;
            found = runner.CloseApplication(c.sendQuit) || found;
            return false;
        });
        if (!ended)
            runner.Terminate();  // do not leave a window behind
        WaitWhileWaiting(runner);
        EXPECT_TRUE(ended);
        EXPECT_TRUE(found);
        EXPECT_EQ(record.Terminations, 1);
        EXPECT_EQ(record.ExitCode, c.code);
    }
}
