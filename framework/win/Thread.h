#pragma once
// Background threads. A thread is created suspended and runs Execute once
// started. When Execute has returned, its completion handler (OnTerminate)
// runs on the user-interface thread while the ending thread waits for it; a
// thread with FreeOnTerminate then deletes itself.

#include "framework/win/Handle.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <string>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread {
public:
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();
    // Sets the stop flag that Execute is expected to test.
    void Terminate() noexcept { FTerminated = true; }
    // Waits for the end of a thread that does not free itself; on the
    // user-interface thread the hand-off requests keep being served meanwhile.
    void WaitFor();

    void SetPriority(TThreadPriority priority);
    TThreadPriority Priority() const noexcept { return FPriority; }

    // Set before Start; read on the ending thread only.
    bool FreeOnTerminate = false;
    // Runs on the user-interface thread; set and cleared there.
    std::function<void(TThread* sender)> OnTerminate;

    DWORD ThreadID() const noexcept { return FThreadID; }
    HANDLE Handle() const noexcept { return FHandle.get(); }
    bool Finished() const noexcept { return FFinished; }

    // Tells an attached debugger the name of a thread.
    static void NameThreadForDebugging(const std::wstring& name, DWORD threadId = GetCurrentThreadId());

protected:
    virtual void Execute() = 0;
    bool Terminated() const noexcept { return FTerminated; }
    // Runs work on the user-interface thread while this thread waits.
    bool Synchronize(const std::function<void()>& work);

private:
    static unsigned __stdcall ThreadProc(void* parameter);
    void DoTerminate();

    TKernelHandle FHandle;
    DWORD FThreadID = 0;
    TThreadPriority FPriority = tpNormal;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    bool FStarted = false;
    bool FAbandoned = false;  // destroyed before it was started
    std::exception_ptr FFatalException;
};
