#pragma once
// The background threads of the process runner. All of them are created
// suspended, run below normal priority and free themselves when they end.
// They touch only their own fields and report to the runner's notification
// window: a reader posts a read notification, and every thread, when its work
// is done, hands its completion step to the user-interface thread (below) and
// waits until that step has run before it goes away.

#include "framework/win/Handle.h"
#include "framework/win/Thread.h"
#include "process/JvReaderCore.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// Posted by a read thread when it has new bytes and no notification of it is
// waiting already; wParam is the reader.
inline constexpr UINT CPS_READ_NOTIFICATION = WM_USER + 1;
// Posted when a counted runner thread has ended; wParam is the run.
inline constexpr UINT CPS_THREAD_FINISHED = WM_USER + 2;
// Posted by an ending thread to have its completion step run; wParam is the
// thread, lParam its run.
inline constexpr UINT CPS_THREAD_ENDING = WM_USER + 3;

class TJvReader;

// The completion hand-off of one runner thread. The ending thread asks and
// waits; the user-interface thread runs the step and lets it go. A message
// queue that refuses the request delays it, never drops it; a runner that
// stops or goes away lets its threads go without running their steps.
class TJvHandOff {
public:
    TJvHandOff(HWND window, std::uint32_t run);

    // The run the thread was started for.
    std::uint32_t Run() const noexcept { return FRun; }
    // Ending thread: posts the request and waits until let go.
    void Request(const void* thread) noexcept;
    // User-interface thread: the step has run, or is not wanted. The thread
    // may be gone as soon as this returns.
    void LetGo() noexcept;

private:
    HWND FWindow;
    std::uint32_t FRun;
    TKernelHandle FLetGo;
};

// Marks the stretch in which a thread sits in a blocking pipe call, so that
// another thread can make that call return. The owner's lock guards it.
class TJvBlockingCall {
public:
    TJvBlockingCall();
    // Under the owner's lock, around the call.
    void Enter() noexcept;
    void Leave() noexcept;
    bool Active() const noexcept { return FActive; }
    // Cancels the call of thread until it has left it, a bounded number of
    // times: the thread may be between marking the call and entering it.
    void Cancel(HANDLE thread, TCriticalSection& lock) noexcept;

private:
    bool FActive = false;
    TKernelHandle FLeft;  // set while no call is under way
};

class TJvCustomThread : public TThread {
public:
    TJvCustomThread();

    virtual std::wstring ThreadName() const;
    virtual void SetThreadName(const std::wstring& name);
    // Announces the thread's name to an attached debugger.
    virtual void NameThread();

    virtual std::wstring ClassName() const { return L"TJvCustomThread"; }

protected:
    std::wstring FThreadName;
};

// Waits for the child's end and keeps its exit code.
class TJvWaitForProcessThread : public TJvCustomThread {
public:
    // Waits on a duplicate of processHandle of its own, so the runner may
    // close its handle while this thread still waits. Reports to window.
    TJvWaitForProcessThread(HANDLE processHandle, HWND window, std::uint32_t run);

    // Stop: sets the stop flag and signals the close event.
    virtual void TerminateThread();

    std::uint32_t ExitCode() const noexcept { return FExitCode; }
    TJvHandOff& HandOff() noexcept { return FHandOff; }
    std::wstring ClassName() const override { return L"TJvWaitForProcessThread"; }

protected:
    void Execute() override;
    // Until the child is idle for input, it ends, or the thread is stopped.
    void WaitForChildIdle() noexcept;

    std::uint32_t FExitCode = 0;
    TKernelHandle FCloseEvent;
    TKernelHandle FProcessHandle;
    TJvHandOff FHandOff;
};

// Waits for the child's end and feeds bytes to its standard input.
class TJvConsoleThread : public TJvWaitForProcessThread {
public:
    TJvConsoleThread(HANDLE processHandle, TKernelHandle writeHandle, HWND window, std::uint32_t run);

    // Queues bytes for the child's input; false when they cannot be queued.
    // Never waits for the pipe: the write itself happens on the thread.
    bool Write(const std::string& s);
    void TerminateThread() override;

    std::wstring ClassName() const override { return L"TJvConsoleThread"; }

protected:
    void Execute() override;

private:
    // Writes what is pending; returns whether the write handle is still open.
    bool WritePending();

    TKernelHandle FWriteHandle;  // closed only by this thread (or with it)
    TKernelHandle FWriteEvent;
    TCriticalSection FWriteLock;
    TJvCPSBuffer FOutputBuffer{};
    std::uint32_t FOutputBufferEnd = 0;
    TJvCPSBuffer FWriting{};  // the thread's copy of what it is writing
    TJvBlockingCall FWriteCall;
};

// Copies the bytes of one pipe into a pending buffer that the user-interface
// thread takes from.
class TJvReadThread : public TThread {
public:
    // The pending buffer grows by doubling up to this size.
    static constexpr std::uint32_t MaxInputBufferSize = 131072;

    TJvReadThread(TJvReader* owner, TKernelHandle readHandle, HWND destHandle, std::uint32_t run);
    ~TJvReadThread() override;

    // Closes the read handle unless a pipe read on it is still under way; the
    // thread then closes it itself when the read returns.
    void CloseRead();
    // Takes up to CPS_BUFFER_SIZE pending bytes into dest; false when none,
    // and from then on the next bytes are notified again.
    bool ReadBuffer(char* dest, std::uint32_t& count);
    // User-interface thread: bytes are left that no notification announces
    // (a handler failed during a drain): post one.
    void Renotify();
    // Stop: sets the stop flag, ends a pipe read under way, closes the handle.
    void TerminateThread();

    TJvHandOff& HandOff() noexcept { return FHandOff; }

protected:
    void Execute() override;

private:
    void ReadLoop();
    // Adds FPreBuffer's first count bytes to the pending ones, waiting for
    // room when the buffer is full; false when told to stop meanwhile.
    bool Append(std::uint32_t count);
    // Posts a read notification unless one is waiting; false when the
    // message queue refused it (it is tried again later).
    bool Notify();

    TJvReader* FOwner;
    TKernelHandle FReadHandle;
    TCriticalSection FReadLock;
    HWND FDestHandle;
    TJvCPSBuffer FPreBuffer{};
    std::unique_ptr<char[]> FInputBuffer;
    std::uint32_t FInputBufferSize;
    std::uint32_t FInputBufferEnd = 0;
    bool FNotifyPending = false;  // a read notification is posted and not yet drained
    TJvBlockingCall FReadCall;
    TKernelHandle FRoomEvent;  // set when the user-interface thread took bytes
    TKernelHandle FStopEvent;  // set by TerminateThread
    TJvHandOff FHandOff;
};
