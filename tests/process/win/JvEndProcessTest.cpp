// Ending a child: alone, with its descendants, or by asking its windows.

#include "tests/process/win/ProcessTestSupport.h"

#include "framework/win/Application.h"

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

namespace {

// The system's process list with extra entries that name a parent.
TProcessSnapshot ListWith(std::vector<TProcessEntry> extra)
{
    return [extra]() {
        std::optional<TProcessList> list = SystemProcessList();
        if (list)
            list->Entries.insert(list->Entries.end(), extra.begin(), extra.end());
        return list;
    };
}

bool Ended(HANDLE process, DWORD milliseconds = 5000)
{
    return WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
}

}  // namespace

TEST(EndingAChild, TerminateOnAChildThatHasAlreadyEndedChangesNothing)
{
    for (bool waited : {true, false}) {
        SCOPED_TRACE(waited ? "waited run" : "unwatched run");
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetWaitForTerminate(waited);
        runner.SetCommandLine(Child(L"exit 5"));
        runner.Run();
        TKernelHandle child = OpenForWaiting(runner.ProcessInfo().dwProcessId);
        ASSERT_TRUE(child);
        ASSERT_TRUE(Ended(child.get()));
        // Not yet reported (the test handles no message), or never reported.
        ASSERT_NE(runner.State(), psReady);
        EXPECT_NO_THROW(runner.Terminate());
        EXPECT_NO_THROW(runner.TerminateTree());
        EXPECT_FALSE(runner.CloseApplication(false));
        WaitWhileWaiting(runner);
        DWORD code = 0;
        GetExitCodeProcess(child.get(), &code);
        EXPECT_EQ(code, 5u);
        EXPECT_EQ(record.Terminations, waited ? 1 : 0);
        if (waited) {
            EXPECT_EQ(record.ExitCode, 5u);
        }
    }
}

TEST(EndingAChild, UnwatchedRunIsEndedByTerminateAndRunDoesNotWaitForeverForIdle)
{
    TJvCreateProcess runner(nullptr);
    runner.SetWaitForTerminate(false);
    // A program without a console that never handles a message: it never
    // becomes idle for input.
    runner.SetCommandLine(Quote(NimChildW()) + L" sleep 120000");
    const ULONGLONG start = GetTickCount64();
    runner.Run();
    EXPECT_LT(GetTickCount64() - start, 15000u) << "Run waited for the child to become idle";
    EXPECT_EQ(runner.State(), psRunning);
    TKernelHandle child = OpenForWaiting(runner.ProcessInfo().dwProcessId);
    ASSERT_TRUE(child);
    runner.Terminate();
    EXPECT_TRUE(Ended(child.get()));
    DWORD code = 1;
    GetExitCodeProcess(child.get(), &code);
    EXPECT_EQ(code, 0u);
}

TEST(EndingAChild, TerminateTreeEndsTheChildWhateverItsListedDescendantsDo)
{
    // The child runs a grandchild that announces itself and ends at once;
    // the child itself waits. The list then still names the grandchild
    // (ended, but held open by the test), and an ID that opens nothing.
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Child(L"run " + Quote(NimChild()) + L" \"grandchild pid sleep 300\" sleep 30000"));
    runner.Run();
    const DWORD childID = runner.ProcessInfo().dwProcessId;
    TKernelHandle child = OpenForWaiting(childID);
    ASSERT_TRUE(PumpUntil([&] { return !record.Output.Lines.empty() && !record.Output.Lines[0].empty(); }));
    const DWORD grandchildID = static_cast<DWORD>(std::stoul(record.Output.Lines[0]));
    TKernelHandle grandchild = OpenForWaiting(grandchildID);
    ASSERT_TRUE(grandchild);
    ASSERT_TRUE(Ended(grandchild.get()));

    runner.SetProcessListSource(ListWith({{grandchildID, childID}, {0x7FFFFFF0u, childID}}));
    runner.TerminateTree();
    EXPECT_TRUE(Ended(child.get()));
    WaitWhileWaiting(runner);
    EXPECT_EQ(record.Terminations, 1);
    EXPECT_EQ(record.ExitCode, 0u);
}

TEST(EndingAChild, TerminateTreeSparesAProcessWhoseParentIDWasRecycled)
{
    // Started before the child: whatever parent ID the list shows for it,
    // it cannot descend from the child. (That this program is never listed
    // is checked on the host: ending it here would look like a pass.)
    TStranger stranger(Child(L"sleep 30000"));
    ASSERT_TRUE(stranger.Alive());
    Sleep(50);
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetCommandLine(Child(L"sleep 30000"));
    runner.Run();
    const DWORD childID = runner.ProcessInfo().dwProcessId;
    TKernelHandle child = OpenForWaiting(childID);
    runner.SetProcessListSource(ListWith({{stranger.ID(), childID}}));

    runner.TerminateTree();
    EXPECT_TRUE(Ended(child.get()));
    WaitWhileWaiting(runner);
    EXPECT_EQ(record.Terminations, 1);
    EXPECT_TRUE(stranger.Alive());
}

TEST(EndingAChild, CloseApplicationNeverLoadsTheConsoleLibraryFromTheProgramFolder)
{
    // The program runs as administrator; a file of the system library's name
    // in its own folder must not be loaded.
    std::wstring folder = ExecutablePath();
    folder.erase(folder.find_last_of(L'\\'));
    const std::wstring planted = folder + L"\\WINSRV.DLL";
    ASSERT_TRUE(CopyFileW(NimPlant().c_str(), planted.c_str(), FALSE)) << GetLastError();
    struct TRemove {
        std::wstring Path;
        ~TRemove() { DeleteFileW(Path.c_str()); }
    } remove{planted};
    SetEnvironmentVariableW(L"NIMBREL_PLANTED_DLL", nullptr);

    TJvCreateProcess runner(nullptr);
    runner.SetCommandLine(Child(L"sleep 20000"));
    runner.Run();
    EXPECT_FALSE(runner.CloseApplication(false));
    runner.Terminate();
    WaitWhileWaiting(runner);

    wchar_t mark[16] = {};
    EXPECT_EQ(GetEnvironmentVariableW(L"NIMBREL_PLANTED_DLL", mark, 16), 0u) << "the planted library ran";
    EXPECT_EQ(GetModuleHandleW(L"WINSRV.DLL"), nullptr);
}
