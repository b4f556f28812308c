#pragma once
// TJvCreateProcess: a non-visual component that starts one child process at
// a time, optionally waits for its end on a background thread and reports
// that end on the user-interface thread; with coRedirect it captures the
// child's standard output (and error) and feeds its standard input.
//
// How the interface is written:
//   - Properties are getter/setter pairs: ApplicationName() / SetApplicationName(...),
//     CommandLine, CreationFlags, CurrentDirectory, Environment, Priority,
//     WaitForTerminate, ConsoleOptions. StartupInfo() hands out the settings
//     object for changes in place; SetStartupInfo copies another one.
//     Read-only: State(), ProcessInfo(), ConsoleOutput(), InputReader(), ErrorReader().
//   - TJvCPSStartupInfo carries its twelve values as public members
//     (Desktop, Title, Left, Top, DefaultPosition, Width, Height, DefaultSize,
//     ShowWindow, DefaultWindowState, ForceOnFeedback, ForceOffFeedback).
//   - Events are std::function members, assigned directly:
//       OnTerminate(TJvCreateProcess* sender, std::uint32_t exitCode)
//       OnRead(TJvCreateProcess* sender, const std::wstring& s, bool startsOnNewLine)
//       OnRawRead(TJvCreateProcess* sender, const std::wstring& s)
//       OnErrorRead / OnErrorRawRead: the same for a separate error stream.
//     The four read events are references to the events stored in the two
//     readers, so runner.OnRead = ... sets InputReader()->OnRead.
//   - Everything belongs to the user-interface thread, which must keep
//     processing messages while State() is psWaiting:
//       while (runner.State() == psWaiting) {
//           Application->ProcessMessages();
//           if (runner.State() == psWaiting) Application->WaitForMessage();
//       }
//   - Failed system calls raise EOSError; the state guards raise
//     EJvCreateProcessError. Destroying the component never ends the child.
//   - A handler may stop the runner, start its next run or destroy it; the
//     step that raised the event then ends after the handler without
//     touching what the handler changed.

#include "framework/win/Component.h"
#include "framework/win/Handle.h"
#include "process/JvCPSStartup.h"
#include "process/JvCPSTypes.h"
#include "process/JvReaderCore.h"
#include "process/ProcessTree.h"
#include "process/win/JvCPSReader.h"
#include "process/win/JvCPSThreads.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The system's process list as TerminateTree reads it by default.
std::optional<TProcessList> SystemProcessList();

class TJvCPSStartupInfo : public TPersistent, public TJvCPSStartupValues {
public:
    TJvCPSStartupInfo() = default;
    TJvCPSStartupInfo(const TJvCPSStartupInfo&) = default;
    TJvCPSStartupInfo& operator=(const TJvCPSStartupInfo&) = default;

    // Copies the twelve values into another TJvCPSStartupInfo.
    void AssignTo(TPersistent& dest) const override;

    // The system's start-up record. Desktop and Title are pointed to, not
    // copied: the record is valid while this object lives unchanged.
    STARTUPINFOW StartupInfo() const;
};

class TJvCreateProcess;
using TJvCPSTerminateEvent = std::function<void(TJvCreateProcess* sender, std::uint32_t exitCode)>;

class TJvCreateProcess : public TComponent {
public:
    explicit TJvCreateProcess(TComponent* owner);
    ~TJvCreateProcess() override;

    const std::wstring& ApplicationName() const noexcept { return FApplicationName; }
    void SetApplicationName(const std::wstring& value) { FApplicationName = value; }
    const std::wstring& CommandLine() const noexcept { return FCommandLine; }
    void SetCommandLine(const std::wstring& value) { FCommandLine = value; }
    TJvCPSFlags CreationFlags() const noexcept { return FCreationFlags; }
    void SetCreationFlags(TJvCPSFlags value) noexcept { FCreationFlags = value; }
    const std::wstring& CurrentDirectory() const noexcept { return FCurrentDirectory; }
    void SetCurrentDirectory(const std::wstring& value) { FCurrentDirectory = value; }
    const std::vector<std::wstring>& Environment() const noexcept { return FEnvironment; }
    void SetEnvironment(const std::vector<std::wstring>& value) { FEnvironment = value; }
    TJvProcessPriority Priority() const noexcept { return FPriority; }
    void SetPriority(TJvProcessPriority value) noexcept { FPriority = value; }
    TJvCPSStartupInfo& StartupInfo() noexcept { return *FStartupInfo; }
    const TJvCPSStartupInfo& StartupInfo() const noexcept { return *FStartupInfo; }
    void SetStartupInfo(const TJvCPSStartupInfo& value) { FStartupInfo->Assign(value); }
    bool WaitForTerminate() const noexcept { return FWaitForTerminate; }
    // Resets to ready first, even when the value does not change.
    void SetWaitForTerminate(bool value);
    TJvConsoleOptions ConsoleOptions() const noexcept { return FConsoleOptions; }
    void SetConsoleOptions(TJvConsoleOptions value) noexcept { FConsoleOptions = value; }

    TJvCPSState State() const noexcept { return FState; }
    const PROCESS_INFORMATION& ProcessInfo() const noexcept { return FProcessInfo; }
    const std::vector<std::wstring>& ConsoleOutput() const noexcept { return FInputReader->ConsoleOutput(); }
    TJvReader* InputReader() const noexcept { return FInputReader.get(); }
    TJvReader* ErrorReader() const noexcept { return FErrorReader.get(); }

    // Starts the child; returns once it and its threads are started.
    void Run();
    // While waiting: lets go of the child without an OnTerminate.
    void StopWaiting();
    // Ends the child with exit code 0.
    void Terminate();
    // Ends the child and every process descended from it, the deepest first.
    void TerminateTree();
    // Asks the child's top-level windows to close; true when it has any.
    bool CloseApplication(bool sendQuit);
    // Queues bytes for the child's standard input (capture only).
    bool Write(const std::string& s);
    bool WriteLn(const std::string& s);

    // Where TerminateTree reads the system's process list: the system itself
    // unless a test hands in its own.
    void SetProcessListSource(TProcessSnapshot source) { FProcessListSource = std::move(source); }

    TJvCPSTerminateEvent OnTerminate;

private:
    friend class TJvReader;
    friend LRESULT CALLBACK CPSNotificationWindowProc(HWND, UINT, WPARAM, LPARAM);

    void BusyGuard() const;
    void ReadyCheck() const;
    void IdleGuard() const;
    void ResetToReady();
    void CloseProcessHandles();
    void CloseProcessHandlesNoThrow() noexcept;
    void EnterWaiting(std::int32_t count, std::uint32_t run);
    void EnterRunning();
    void StartWaitThread(std::unique_ptr<TJvWaitForProcessThread> thread);
    // Completion step of the wait thread and the console thread.
    void WaitFinished(TJvWaitForProcessThread* thread);

    // The hidden window the threads report to, created by Run.
    HWND NotificationWindow();
    void PostThreadFinished(std::uint32_t run);
    void HandleReadNotification(WPARAM reader);
    // An ending thread asks for its completion step; a thread this runner
    // no longer waits for (or one of an earlier run) is not recognised.
    void HandleThreadEnding(WPARAM thread, LPARAM run);
    void HandleThreadFinished(std::uint32_t run);

    std::wstring FApplicationName;
    std::wstring FCommandLine;
    TJvCPSFlags FCreationFlags{cfUnicode};
    std::wstring FCurrentDirectory;
    std::vector<std::wstring> FEnvironment;
    TJvProcessPriority FPriority = ppNormal;
    std::unique_ptr<TJvCPSStartupInfo> FStartupInfo;
    bool FWaitForTerminate = true;
    TJvConsoleOptions FConsoleOptions{coOwnerData};

    TJvCPSState FState = psReady;
    PROCESS_INFORMATION FProcessInfo{};
    // The child, held from Run until the next run (also while it runs
    // unwatched): the ending operations act on it, never on a reopened ID,
    // and while it is held the system gives the child's ID to no other process.
    TKernelHandle FChildProcess;
    TProcessSnapshot FProcessListSource;
    TJvWaitForProcessThread* FWaitThread = nullptr;
    std::int32_t FRunningThreadCount = 0;
    std::uint32_t FExitCode = 0;
    // The number of the last waited run. Its threads carry it, so that a
    // notification of a stopped run is never taken for a later one.
    std::uint32_t FRunSerial = 0;
    TWindowHandle FHandle;

    std::unique_ptr<TJvReader> FErrorReader;
    std::unique_ptr<TJvReader> FInputReader;

public:
    // The read events live in the readers; these name them.
    TJvCPSReadEvent& OnRead;
    TJvCPSRawReadEvent& OnRawRead;
    TJvCPSReadEvent& OnErrorRead;
    TJvCPSRawReadEvent& OnErrorRawRead;
};
