// The runner's life cycle: starting, waiting, the end report, the guards,
// letting go of a child, and what the child receives.

#include "tests/process/win/ProcessTestSupport.h"

#include "framework/Exception.h"
#include "framework/StrUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace cpstest;

namespace {

TKernelHandle OpenChild(const TJvCreateProcess& runner)
{
    return TKernelHandle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                     runner.ProcessInfo().dwProcessId));
}

template <typename E>
std::wstring MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& e) {
        return e.Message;
    }
    return L"<no exception>";
}

}  // namespace

TEST(ProcessRunner, StartsWithTheDocumentedDefaults)
{
    TComponent owner(nullptr);
    auto* runner = new TJvCreateProcess(&owner);  // owned and freed by owner
    EXPECT_EQ(runner->Owner(), &owner);
    EXPECT_EQ(runner->ApplicationName(), L"");
    EXPECT_EQ(runner->CommandLine(), L"");
    EXPECT_EQ(runner->CreationFlags(), TJvCPSFlags{cfUnicode});
    EXPECT_EQ(runner->CurrentDirectory(), L"");
    EXPECT_TRUE(runner->Environment().empty());
    EXPECT_EQ(runner->Priority(), ppNormal);
    EXPECT_TRUE(runner->WaitForTerminate());
    EXPECT_EQ(runner->ConsoleOptions(), TJvConsoleOptions{coOwnerData});
    EXPECT_EQ(runner->State(), psReady);
    EXPECT_EQ(static_cast<const TJvCPSStartupValues&>(runner->StartupInfo()), TJvCPSStartupValues{});
    EXPECT_NE(runner->InputReader(), runner->ErrorReader());
    EXPECT_FALSE(runner->Write("x"));  // no console thread
}

TEST(ProcessRunner, OnTerminateReportsTheExitCodeOnceWithTheRunnerReady)
{
    for (std::uint32_t code : {0u, 1u, 3000000000u}) {
        SCOPED_TRACE(code);
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetCommandLine(Child(L"exit " + std::to_wstring(code)));
        runner.Run();
        EXPECT_EQ(runner.State(), psWaiting);
        EXPECT_NE(runner.ProcessInfo().dwProcessId, 0u);
        WaitWhileWaiting(runner);
        PumpFor(100);
        EXPECT_EQ(record.Terminations, 1);
        EXPECT_EQ(record.ExitCode, code);
        ASSERT_EQ(record.Events.size(), 1u);
        EXPECT_EQ(record.Events[0].StateInHandler, psReady);
        EXPECT_EQ(record.InfoInHandler.hProcess, nullptr);
        EXPECT_EQ(record.InfoInHandler.hThread, nullptr);
        EXPECT_NE(record.InfoInHandler.dwProcessId, 0u);
    }
}

TEST(ProcessRunner, MissingProgramRaisesTheSystemErrorAndLeaksNothing)
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring missing = std::wstring(temp) + L"nimbrel-no-such-program.exe";
    for (bool capture : {false, true}) {
        SCOPED_TRACE(capture ? "with capture" : "without capture");
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetApplicationName(missing);
        runner.SetCommandLine(L"nothing");
        if (capture)
            runner.SetConsoleOptions({coRedirect});
        // The first failing run creates what lives with the runner (its window).
        EXPECT_THROW(runner.Run(), EOSError);
        const int handlesBefore = HandleCount();
        try {
            runner.Run();
            ADD_FAILURE() << "Run did not raise";
        } catch (const EOSError& e) {
            EXPECT_EQ(e.ErrorCode, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
            EXPECT_EQ(e.Message.rfind(L"Systemfehler.  Code: 2.\r\n", 0), 0u) << WideToUtf8(e.Message);
        }
        EXPECT_EQ(HandleCount(), handlesBefore);
        EXPECT_EQ(runner.State(), psReady);
        EXPECT_EQ(runner.ProcessInfo().hProcess, nullptr);
        PumpFor(200);
        EXPECT_TRUE(record.Events.empty());
        // The runner is usable afterwards.
        runner.SetApplicationName(L"");
        runner.SetCommandLine(Child(L"exit 12"));
        runner.Run();
        WaitWhileWaiting(runner);
        EXPECT_EQ(record.Terminations, 1);
        EXPECT_EQ(record.ExitCode, 12u);
    }
}

TEST(ProcessRunner, SecondRunWhileWaitingRaisesAndLeavesTheFirstRunAlone)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetCommandLine(Child(L"sleep 800 exit 5"));
    runner.Run();
    const PROCESS_INFORMATION first = runner.ProcessInfo();

    EXPECT_EQ(MessageOf<EJvCreateProcessError>([&] { runner.Run(); }),
              L"Cannot perform this operation when process is running");
    EXPECT_EQ(MessageOf<EJvCreateProcessError>([&] { runner.SetWaitForTerminate(true); }),
              L"Cannot perform this operation when process is running");
    EXPECT_EQ(runner.State(), psWaiting);
    EXPECT_EQ(runner.ProcessInfo().dwProcessId, first.dwProcessId);
    EXPECT_EQ(runner.ProcessInfo().hProcess, first.hProcess);

    WaitWhileWaiting(runner);
    EXPECT_EQ(record.Terminations, 1);
    EXPECT_EQ(record.ExitCode, 5u);
}

TEST(ProcessRunner, WithoutWaitingTheChildRunsUnwatched)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetWaitForTerminate(false);
    runner.SetCommandLine(Child(L"sleep 300 exit 4"));
    runner.Run();
    EXPECT_EQ(runner.State(), psRunning);
    EXPECT_EQ(runner.ProcessInfo().hProcess, nullptr);
    EXPECT_EQ(runner.ProcessInfo().hThread, nullptr);
    EXPECT_NE(runner.ProcessInfo().dwProcessId, 0u);
    TKernelHandle child = OpenChild(runner);

    runner.StopWaiting();  // nothing to stop: stays running
    EXPECT_EQ(runner.State(), psRunning);
    EXPECT_FALSE(runner.Write("x"));

    ASSERT_TRUE(child);
    EXPECT_EQ(WaitForSingleObject(child.get(), 10000), WAIT_OBJECT_0);
    PumpFor(300);
    EXPECT_TRUE(record.Events.empty());

    // The next run is allowed, unwatched again or waited for.
    runner.SetCommandLine(Child(L"exit 6"));
    runner.Run();
    EXPECT_EQ(runner.State(), psRunning);
    runner.SetWaitForTerminate(true);
    EXPECT_EQ(runner.State(), psReady);
    runner.Run();
    WaitWhileWaiting(runner);
    EXPECT_EQ(record.Terminations, 1);
    EXPECT_EQ(record.ExitCode, 6u);
}

TEST(ProcessRunner, StopWaitingLetsGoWithoutAnEventEvenWhenTheChildEndsLater)
{
    for (bool capture : {false, true}) {
        SCOPED_TRACE(capture ? "with capture" : "without capture");
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        if (capture)
            runner.SetConsoleOptions({coRedirect});
        runner.SetCommandLine(Child(capture ? L"sleep 1500 say late exit 9" : L"sleep 1500 exit 9"));
        runner.Run();
        TKernelHandle child = OpenChild(runner);
        ASSERT_TRUE(child);

        runner.StopWaiting();
        EXPECT_EQ(runner.State(), psReady);
        EXPECT_EQ(runner.ProcessInfo().hProcess, nullptr);
        EXPECT_EQ(WaitForSingleObject(child.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the child must go on";

        EXPECT_EQ(WaitForSingleObject(child.get(), 10000), WAIT_OBJECT_0);
        PumpFor(300);
        EXPECT_TRUE(record.Events.empty());

        // A later run is counted on its own.
        runner.SetCommandLine(Child(L"exit 2"));
        runner.Run();
        WaitWhileWaiting(runner);
        EXPECT_EQ(record.Terminations, 1);
        EXPECT_EQ(record.ExitCode, 2u);
    }
}

TEST(ProcessRunner, DestructionLeavesTheChildRunning)
{
    auto runner = std::make_unique<TJvCreateProcess>(nullptr);
    runner->SetCommandLine(Child(L"sleep 1500 exit 3"));
    runner->Run();
    TKernelHandle child = OpenChild(*runner);
    ASSERT_TRUE(child);
    runner.reset();
    EXPECT_EQ(WaitForSingleObject(child.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(child.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    EXPECT_EQ(code, 3u);
    PumpFor(200);
}

TEST(ProcessRunner, EmptyEnvironmentEntryStartsNothing)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Child(L"exit 1"));
    runner.SetEnvironment({L"A=1", L""});
    // A first refusal lets the system create what it keeps for later (Wine
    // makes two handles on first use); the second must add nothing.
    EXPECT_THROW(runner.Run(), Exception);
    const int handlesBefore = HandleCount();
    EXPECT_EQ(MessageOf<Exception>([&] { runner.Run(); }),
              L"String list passed to StringsToMultiSz cannot contain empty strings.");
    EXPECT_EQ(HandleCount(), handlesBefore);
    EXPECT_EQ(runner.State(), psReady);
    EXPECT_EQ(runner.ProcessInfo().dwProcessId, 0u);
    PumpFor(100);
    EXPECT_TRUE(record.Events.empty());
}

TEST(ProcessRunner, ChildReceivesEnvironmentDirectoryAndTrimmedApplicationName)
{
    TOddFolder folder;
    const std::wstring program = folder.Copy(NimChild(), L"nim child \u00DC.exe");
    wchar_t systemRoot[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH);

    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.StartupInfo().DefaultWindowState = false;
    runner.StartupInfo().ShowWindow = swHide;
    // The command line names no program: only the application name can start it.
    const std::wstring commandLine = L"no-such-name cmdline cwd env NIMVAR env NIMBREL_ONLY_OURS  ";
    runner.SetCommandLine(commandLine);
    runner.SetApplicationName(L" \t" + program + L"  ");
    runner.SetCurrentDirectory(L"  " + folder.Path() + L" ");
    runner.SetEnvironment({L"NIMVAR=Wert mit \u00C4 & ^! (x)", std::wstring(L"SystemRoot=") + systemRoot});
    SetEnvironmentVariableW(L"NIMBREL_ONLY_OURS", L"ours");
    runner.Run();
    WaitWhileWaiting(runner);
    SetEnvironmentVariableW(L"NIMBREL_ONLY_OURS", nullptr);

    EXPECT_EQ(record.ExitCode, 0u);
    ASSERT_GE(record.Output.Lines.size(), 4u);
    EXPECT_EQ(record.Output.Lines[0], commandLine) << "the command line goes to the child untrimmed";
    EXPECT_EQ(record.Output.Lines[1], folder.Path());
    EXPECT_EQ(record.Output.Lines[2], L"Wert mit \u00C4 & ^! (x)");
    EXPECT_EQ(record.Output.Lines[3], L"<unset>");
    EXPECT_EQ(runner.ApplicationName(), L" \t" + program + L"  ") << "the property keeps its blanks";
}

TEST(ProcessRunner, EnvironmentArrivesWhateverTheUnicodeFlagSays)
{
    // The block is always UTF-16: without cfUnicode the system must still be told so.
    for (const TJvCPSFlags flags : {TJvCPSFlags{cfUnicode}, TJvCPSFlags{}}) {
        TJvCreateProcess runner(nullptr);
        TRecorder record(runner);
        runner.SetConsoleOptions({coRedirect});
        runner.SetCreationFlags(flags);
        runner.SetCommandLine(Child(L"env NIMVAR"));
        runner.SetEnvironment({L"NIMVAR=\u00E4\u00F6\u00FC ok"});
        runner.Run();
        WaitWhileWaiting(runner);
        ASSERT_FALSE(record.Output.Lines.empty());
        EXPECT_EQ(record.Output.Lines[0], L"\u00E4\u00F6\u00FC ok") << "with cfUnicode: " << flags.Contains(cfUnicode);
    }
}

TEST(ProcessRunner, BlankDirectoryAndNoEnvironmentMeanOurs)
{
    wchar_t ours[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, ours);
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Child(L"cwd env NIMBREL_PROBE"));
    runner.SetCurrentDirectory(L" \t ");
    SetEnvironmentVariableW(L"NIMBREL_PROBE", L"von uns");
    runner.Run();
    WaitWhileWaiting(runner);
    SetEnvironmentVariableW(L"NIMBREL_PROBE", nullptr);
    ASSERT_GE(record.Output.Lines.size(), 2u);
    EXPECT_EQ(record.Output.Lines[0], ours);
    EXPECT_EQ(record.Output.Lines[1], L"von uns");
}

TEST(ProcessRunner, StartupInfoYieldsTheSystemRecordAndCopiesAllValues)
{
    TJvCPSStartupInfo hints;
    STARTUPINFOW record = hints.StartupInfo();
    EXPECT_EQ(record.cb, sizeof(STARTUPINFOW));
    EXPECT_EQ(record.dwFlags, 0u);
    EXPECT_EQ(record.lpDesktop, nullptr);
    EXPECT_EQ(record.lpTitle, nullptr);

    hints.DefaultWindowState = false;
    hints.ShowWindow = swHide;
    hints.DefaultPosition = false;
    hints.DefaultSize = false;
    hints.Left = 10;
    hints.Top = 20;
    hints.Width = 300;
    hints.Height = 200;
    hints.Title = L"Konsole \u00C4";
    record = hints.StartupInfo();
    EXPECT_EQ(record.dwFlags, 0x7u);
    EXPECT_EQ(record.wShowWindow, 0);
    EXPECT_EQ(record.dwX, 10u);
    EXPECT_EQ(record.dwYSize, 200u);
    ASSERT_NE(record.lpTitle, nullptr);
    EXPECT_STREQ(record.lpTitle, L"Konsole \u00C4");

    TJvCreateProcess runner(nullptr);
    hints.Desktop = L"winsta0\\default";
    hints.ForceOffFeedback = true;
    runner.SetStartupInfo(hints);
    EXPECT_EQ(static_cast<const TJvCPSStartupValues&>(runner.StartupInfo()),
              static_cast<const TJvCPSStartupValues&>(hints));
    EXPECT_NE(&runner.StartupInfo(), &hints);

    // A hidden child with all hints off still starts and reports.
    TRecorder recorder(runner);
    runner.StartupInfo().Desktop.clear();
    runner.SetConsoleOptions({coRedirect});
    runner.SetCommandLine(Child(L"say hidden exit 21"));
    runner.Run();
    WaitWhileWaiting(runner);
    EXPECT_EQ(recorder.ExitCode, 21u);
    EXPECT_TRUE(recorder.HasLine(L"hidden"));
}

TEST(ProcessRunner, ExceptionFromOnTerminateIsShownAndTheRunnerIsReady)
{
    TExceptionBoxCatcher boxes;
    TJvCreateProcess runner(nullptr);
    int calls = 0;
    runner.OnTerminate = [&](TJvCreateProcess*, std::uint32_t) {
        ++calls;
        throw Exception(L"Abbruch im Handler");
    };
    runner.SetCommandLine(Child(L"exit 0"));
    runner.Run();
    WaitWhileWaiting(runner);
    PumpFor(100);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(runner.State(), psReady);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"Abbruch im Handler."});
}

namespace {

// The ways a run can go, for the resource test.
enum class TRunKind { Waited, Captured, WaitedTerminated, CapturedTerminated, Unwatched };

void RunOnce(TJvCreateProcess& runner, TRunKind kind)
{
    const bool capture = kind == TRunKind::Captured || kind == TRunKind::CapturedTerminated;
    const bool terminate = kind == TRunKind::WaitedTerminated || kind == TRunKind::CapturedTerminated;
    runner.SetWaitForTerminate(kind != TRunKind::Unwatched);
    runner.SetConsoleOptions(capture ? TJvConsoleOptions{coRedirect, coSeparateError} : TJvConsoleOptions{coOwnerData});
    runner.SetCommandLine(Child(terminate ? L"say up sleep 30000" : L"say hi exit 3"));
    // Wine now and then fails to bring a new process up when many start in
    // a row (ERROR_INTERNAL_ERROR from CreateProcessW): start it again.
    for (int attempt = 1;; ++attempt) {
        try {
            runner.Run();
            break;
        } catch (const EOSError& e) {
            if (e.ErrorCode != ERROR_INTERNAL_ERROR || attempt == 3)
                throw;
        }
    }
    if (terminate)
        runner.Terminate();
    WaitWhileWaiting(runner);
}

// Runs the kinds in turn, `runs` times in all, and checks that the process
// is back to the threads and handles it had after one run of each kind (what
// a first run creates lives on: the window, the system's own threads).
void ExpectManyRunsLeaveNothing(const std::vector<TRunKind>& kinds, int runs)
{
    TJvCreateProcess runner(nullptr);
    TRecorder record(runner);
    for (TRunKind kind : kinds)
        RunOnce(runner, kind);
    PumpFor(300);
    const int threads = ThreadCount();
    const int handles = HandleCount();
    const int terminations = record.Terminations;
    int waited = 0;
    for (int i = 0; i < runs; ++i) {
        const TRunKind kind = kinds[static_cast<std::size_t>(i) % kinds.size()];
        RunOnce(runner, kind);
        waited += kind == TRunKind::Unwatched ? 0 : 1;
    }
    runner.SetWaitForTerminate(true);  // lets go of an unwatched child
    EXPECT_TRUE(SettlesTo(threads, handles))
        << "threads " << threads << " -> " << ThreadCount() << ", handles " << handles << " -> " << HandleCount();
    EXPECT_EQ(record.Terminations - terminations, waited);
}

}  // namespace

// 500 runs in all, in two test processes to stay well under the watchdog's limit.
TEST(ProcessRunner, ManyRunsWithoutCaptureLeaveNoHandleAndNoThreadBehind)
{
    ExpectManyRunsLeaveNothing({TRunKind::Waited, TRunKind::Unwatched, TRunKind::WaitedTerminated}, 250);
}

TEST(ProcessRunner, ManyRunsWithCaptureLeaveNoHandleAndNoThreadBehind)
{
    ExpectManyRunsLeaveNothing({TRunKind::Captured, TRunKind::CapturedTerminated}, 250);
}

TEST(ProcessRunner, HandlersMayStopRestartOrDestroyTheRunner)
{
    // The handler acts when it sees "last", which the child writes without a
    // line feed: first at the end of its piece, then again in the reader's
    // final step, where the run ends.
    enum class TAct { Stop, StopAndRunAgain, StopRunAgainAndWait, Destroy, DestroyMidPiece, DestroyInOnTerminate };
    struct Case {
        const char* name;
        TAct act;
        bool atFinalReport;   // the second report of "last" (flag false)
        int terminations;     // of the first runner's runs
        std::uint32_t code;
    };
    const Case cases[] = {
        {"StopWaiting in the final step", TAct::Stop, true, 0, 0},
        {"StopWaiting and Run in the final step", TAct::StopAndRunAgain, true, 1, 7},
        // The handler waits for the new run as the program's nested waiting loops do.
        {"StopWaiting, Run and a waiting loop in the final step", TAct::StopRunAgainAndWait, true, 1, 7},
        {"destroyed in the final step", TAct::Destroy, true, 0, 0},
        {"destroyed in the middle of a piece", TAct::DestroyMidPiece, false, 0, 0},
        {"destroyed in OnTerminate", TAct::DestroyInOnTerminate, false, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int threads = ThreadCount();
        auto runner = std::make_unique<TJvCreateProcess>(nullptr);
        TRecorder record(*runner);
        std::vector<std::wstring> reports;
        bool acted = false;
        TJvCreateProcess* const self = runner.get();
        runner->OnRead = [&](TJvCreateProcess* sender, const std::wstring& s, bool startsOnNewLine) {
            reports.push_back(s);
            EXPECT_EQ(sender, self) << "a report after the runner was gone";
            const bool hit = c.act == TAct::DestroyMidPiece ? s == L"first" : s == L"last" && !startsOnNewLine;
            if (!hit || acted || c.act == TAct::DestroyInOnTerminate)
                return;
            acted = true;
            const bool again = c.act == TAct::StopAndRunAgain || c.act == TAct::StopRunAgainAndWait;
            if (c.act == TAct::Stop || again)
                sender->StopWaiting();
            if (again) {
                sender->SetCommandLine(Child(L"say second exit 7"));
                sender->Run();
            }
            if (c.act == TAct::StopRunAgainAndWait) {
                WaitWhileWaiting(*sender);
                EXPECT_EQ(record.Terminations, 1) << "the new run ended inside the handler";
            }
            if (c.act == TAct::Destroy || c.act == TAct::DestroyMidPiece)
                runner.reset();
        };
        if (c.act == TAct::DestroyInOnTerminate) {
            runner->OnTerminate = [&](TJvCreateProcess*, std::uint32_t code) {
                ++record.Terminations;
                record.ExitCode = code;
                runner.reset();
            };
        }
        runner->SetConsoleOptions({coRedirect});
        // "first" LF "second line" LF "last" in one write, then the end.
        runner->SetCommandLine(Child(L"out 66697273740a7365636f6e64206c696e650a6c617374 exit 4"));
        runner->Run();
        PumpUntil([&] { return runner == nullptr || (runner->State() == psReady && acted) ||
                               (c.act == TAct::DestroyInOnTerminate && record.Terminations > 0); });
        if (runner != nullptr)
            WaitWhileWaiting(*runner);
        PumpFor(200);
        EXPECT_EQ(record.Terminations, c.terminations);
        EXPECT_EQ(record.ExitCode, c.code);
        if (c.act == TAct::DestroyMidPiece) {
            EXPECT_EQ(reports, std::vector<std::wstring>{L"first"}) << "reports went on after the runner was gone";
        }
        if (c.act == TAct::StopAndRunAgain || c.act == TAct::StopRunAgainAndWait) {
            EXPECT_NE(std::find(reports.begin(), reports.end(), L"second"), reports.end());
        }
        runner.reset();
        EXPECT_TRUE(SettlesTo(threads, 0x7FFFFFFF)) << "threads " << threads << " -> " << ThreadCount();
    }
}
