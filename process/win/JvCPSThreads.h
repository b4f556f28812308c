#pragma once
// The background threads of the process runner. All of them are created
// suspended, run below normal priority and free themselves when they end;
// each one's completion handler (TThread::OnTerminate) runs on the
// user-interface thread. They touch only their own fields and report to the
// runner's notification window.

#include "framework/win/Handle.h"
#include "framework/win/Thread.h"
#include "process/JvReaderCore.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// Posted by a read thread after each pipe read; wParam is the reader.
inline constexpr UINT CPS_READ_NOTIFICATION = WM_USER + 1;
// Posted when a counted runner thread has ended.
inline constexpr UINT CPS_THREAD_FINISHED = WM_USER + 2;

class TJvReader;

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
    // close its handle while this thread still waits.
    explicit TJvWaitForProcessThread(HANDLE processHandle);

    // Stop: sets the stop flag and signals the close event.
    virtual void TerminateThread();

    std::uint32_t ExitCode() const noexcept { return FExitCode; }
    std::wstring ClassName() const override { return L"TJvWaitForProcessThread"; }

protected:
    void Execute() override;

    std::uint32_t FExitCode = 0;
    TKernelHandle FCloseEvent;
    TKernelHandle FProcessHandle;
};

// Waits for the child's end and feeds bytes to its standard input.
class TJvConsoleThread : public TJvWaitForProcessThread {
public:
    TJvConsoleThread(HANDLE processHandle, TKernelHandle writeHandle);

    // Queues bytes for the child's input; false when they cannot be queued.
    bool Write(const std::string& s);
    void TerminateThread() override;

    std::wstring ClassName() const override { return L"TJvConsoleThread"; }

protected:
    void Execute() override;

private:
    // Writes what is pending; returns whether the write handle is still open.
    bool WritePending();

    TKernelHandle FWriteHandle;
    TKernelHandle FWriteEvent;
    TCriticalSection FWriteLock;
    TJvCPSBuffer FOutputBuffer{};
    std::uint32_t FOutputBufferEnd = 0;
};

// Copies the bytes of one pipe into a pending buffer that the user-interface
// thread takes from.
class TJvReadThread : public TThread {
public:
    // The pending buffer grows by doubling up to this size.
    static constexpr std::uint32_t MaxInputBufferSize = 131072;

    TJvReadThread(TJvReader* owner, TKernelHandle readHandle, HWND destHandle);
    ~TJvReadThread() override;

    // Closes the read handle unless a pipe read on it is still under way; the
    // thread then closes it itself when the read returns.
    void CloseRead();
    // Takes up to CPS_BUFFER_SIZE pending bytes into dest; false when none.
    bool ReadBuffer(char* dest, std::uint32_t& count);
    // Stop: sets the stop flag, ends a pipe read under way, closes the handle.
    void TerminateThread();

protected:
    void Execute() override;

private:
    // Adds FPreBuffer's first count bytes to the pending ones, waiting for
    // room when the buffer is full; false when told to stop meanwhile.
    bool Append(std::uint32_t count);
    void CancelRead();

    TJvReader* FOwner;
    TKernelHandle FReadHandle;
    TCriticalSection FReadLock;
    HWND FDestHandle;
    TJvCPSBuffer FPreBuffer{};
    std::unique_ptr<char[]> FInputBuffer;
    std::uint32_t FInputBufferSize;
    std::uint32_t FInputBufferEnd = 0;
    bool FInRead = false;           // a pipe read on FReadHandle is under way
    TKernelHandle FReadLeftEvent;   // set while no pipe read is under way
    TKernelHandle FRoomEvent;       // set when the user-interface thread took bytes
    TKernelHandle FStopEvent;       // set by TerminateThread
};
