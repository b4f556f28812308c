#include "process/win/JvCPSThreads.h"

#include "framework/win/OSError.h"
#include "process/JvCPSTypes.h"

#include <algorithm>
#include <cstring>

namespace {

// How long a thread waits at a time for a child to become idle for input, so
// that a child that never does cannot keep a stopped thread.
constexpr DWORD kIdleSliceMs = 250;
// How soon a refused post is tried again.
constexpr DWORD kRepostMs = 50;

TKernelHandle CreateManualEvent(bool signalled)
{
    TKernelHandle event(CreateEventW(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr));
    if (!event)
        RaiseLastOSError();
    return event;
}

using TCancelSynchronousIo = BOOL(WINAPI*)(HANDLE);

// Vista and later: looked up by name, as the program also runs where it is missing.
TCancelSynchronousIo CancelSynchronousIoFunction()
{
    static const TCancelSynchronousIo function = [] {
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        return kernel != nullptr
                   ? reinterpret_cast<TCancelSynchronousIo>(
                         reinterpret_cast<void*>(GetProcAddress(kernel, "CancelSynchronousIo")))
                   : nullptr;
    }();
    return function;
}

}  // namespace

// ---------------------------------------------------------------------------

TJvHandOff::TJvHandOff(HWND window, std::uint32_t run) : FWindow(window), FRun(run), FLetGo(CreateManualEvent(false))
{
}

void TJvHandOff::Request(const void* thread) noexcept
{
    // A thread already let go asks nothing: its runner (and the window) may be gone.
    while (WaitForSingleObject(FLetGo.get(), 0) == WAIT_TIMEOUT) {
        if (PostMessageW(FWindow, CPS_THREAD_ENDING, reinterpret_cast<WPARAM>(thread), static_cast<LPARAM>(FRun))) {
            WaitForSingleObject(FLetGo.get(), INFINITE);
            return;
        }
        WaitForSingleObject(FLetGo.get(), kRepostMs);
    }
}

void TJvHandOff::LetGo() noexcept
{
    SetEvent(FLetGo.get());
}

TJvBlockingCall::TJvBlockingCall() : FLeft(CreateManualEvent(true)) {}

void TJvBlockingCall::Enter() noexcept
{
    FActive = true;
    ResetEvent(FLeft.get());
}

void TJvBlockingCall::Leave() noexcept
{
    FActive = false;
    SetEvent(FLeft.get());
}

void TJvBlockingCall::Cancel(HANDLE thread, TCriticalSection& lock) noexcept
{
    const TCancelSynchronousIo cancel = CancelSynchronousIoFunction();
    if (cancel == nullptr)
        return;
    for (int attempt = 0; attempt < 50; ++attempt) {
        {
            TLock guard(lock);
            if (!FActive)
                return;
        }
        cancel(thread);
        if (WaitForSingleObject(FLeft.get(), 20) != WAIT_TIMEOUT)
            return;
    }
}

// ---------------------------------------------------------------------------

TJvCustomThread::TJvCustomThread()
{
    FreeOnTerminate = true;
    SetPriority(tpLower);
}

std::wstring TJvCustomThread::ThreadName() const
{
    return FThreadName;
}

void TJvCustomThread::SetThreadName(const std::wstring& name)
{
    FThreadName = name;
}

void TJvCustomThread::NameThread()
{
    NameThreadForDebugging(ComposeThreadDebugName(FThreadName, ClassName()), ThreadID());
}

// ---------------------------------------------------------------------------

TJvWaitForProcessThread::TJvWaitForProcessThread(HANDLE processHandle, HWND window, std::uint32_t run)
    : FCloseEvent(CreateManualEvent(false)), FHandOff(window, run)
{
    const HANDLE self = GetCurrentProcess();
    if (!DuplicateHandle(self, processHandle, self, FProcessHandle.put(), 0, FALSE, DUPLICATE_SAME_ACCESS))
        RaiseLastOSError();
}

void TJvWaitForProcessThread::TerminateThread()
{
    Terminate();
    SetEvent(FCloseEvent.get());
}

void TJvWaitForProcessThread::WaitForChildIdle() noexcept
{
    while (!Terminated() && WaitForInputIdle(FProcessHandle.get(), kIdleSliceMs) == WAIT_TIMEOUT) {
    }
}

void TJvWaitForProcessThread::Execute()
{
    NameThread();
    WaitForChildIdle();
    const HANDLE waits[2] = {FCloseEvent.get(), FProcessHandle.get()};
    if (!Terminated() && WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        DWORD code = 0;
        if (GetExitCodeProcess(FProcessHandle.get(), &code))
            FExitCode = code;
    }
    FHandOff.Request(this);
}

// ---------------------------------------------------------------------------

TJvConsoleThread::TJvConsoleThread(HANDLE processHandle, TKernelHandle writeHandle, HWND window, std::uint32_t run)
    : TJvWaitForProcessThread(processHandle, window, run),
      FWriteHandle(std::move(writeHandle)),
      FWriteEvent(CreateManualEvent(false))
{
}

void TJvConsoleThread::TerminateThread()
{
    TJvWaitForProcessThread::TerminateThread();
    // A pipe write blocked on a child that does not read its input would keep
    // the thread from seeing the close event.
    FWriteCall.Cancel(Handle(), FWriteLock);
}

void TJvConsoleThread::Execute()
{
    WaitForChildIdle();
    // In this order: the child's end wins over pending input when both are there.
    const HANDLE waits[3] = {FCloseEvent.get(), FProcessHandle.get(), FWriteEvent.get()};
    DWORD watched = 3;
    while (!Terminated()) {
        const DWORD result = WaitForMultipleObjects(watched, waits, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0)
            break;
        if (result == WAIT_OBJECT_0 + 1) {
            DWORD code = 0;
            if (GetExitCodeProcess(FProcessHandle.get(), &code))
                FExitCode = code;
            break;
        }
        if (result == WAIT_OBJECT_0 + 2) {
            if (!WritePending())
                watched = 2;
            continue;
        }
        break;
    }
    FHandOff.Request(this);
}

bool TJvConsoleThread::WritePending()
{
    // The pipe write runs outside the lock, from the thread's own copy: a
    // child that does not read its input blocks this thread only, never the
    // user-interface thread's Write.
    DWORD count = 0;
    HANDLE handle = nullptr;
    {
        TLock lock(FWriteLock);
        if (!FWriteHandle || FOutputBufferEnd == 0) {
            if (FOutputBufferEnd == 0)
                ResetEvent(FWriteEvent.get());
            return FWriteHandle.valid();
        }
        count = FOutputBufferEnd;
        std::memcpy(FWriting.data(), FOutputBuffer.data(), count);
        handle = FWriteHandle.get();
        FWriteCall.Enter();
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(handle, FWriting.data(), count, &written, nullptr);

    TLock lock(FWriteLock);
    FWriteCall.Leave();
    if (!ok) {
        // The child closed its input or ended, or the pipe failed otherwise
        // (no failure heals by writing again at once): the input ends here.
        FWriteHandle.reset();
        FOutputBufferEnd = 0;
    } else if (written > 0) {
        // Write only appends, so the bytes written are still the first ones.
        written = std::min<DWORD>(written, FOutputBufferEnd);
        std::memmove(FOutputBuffer.data(), FOutputBuffer.data() + written, FOutputBufferEnd - written);
        FOutputBufferEnd -= written;
    }
    if (FOutputBufferEnd == 0)
        ResetEvent(FWriteEvent.get());
    return FWriteHandle.valid();
}

bool TJvConsoleThread::Write(const std::string& s)
{
    if (s.empty())
        return true;
    TLock lock(FWriteLock);
    if (!FWriteHandle)
        return false;
    if (FOutputBufferEnd + s.size() > FOutputBuffer.size())
        return false;
    std::memcpy(FOutputBuffer.data() + FOutputBufferEnd, s.data(), s.size());
    FOutputBufferEnd += static_cast<std::uint32_t>(s.size());
    SetEvent(FWriteEvent.get());
    return true;
}

// ---------------------------------------------------------------------------

TJvReadThread::TJvReadThread(TJvReader* owner, TKernelHandle readHandle, HWND destHandle, std::uint32_t run)
    : FOwner(owner),
      FReadHandle(std::move(readHandle)),
      FDestHandle(destHandle),
      FInputBuffer(new char[CPS_BUFFER_SIZE]),
      FInputBufferSize(CPS_BUFFER_SIZE),
      FRoomEvent(CreateManualEvent(false)),
      FStopEvent(CreateManualEvent(false)),
      FHandOff(destHandle, run)
{
    FreeOnTerminate = true;
    SetPriority(tpLower);
}

TJvReadThread::~TJvReadThread() = default;

void TJvReadThread::Execute()
{
    try {
        ReadLoop();
    } catch (...) {
        // Only growing the buffer can fail (no memory): the stream ends here.
    }
    FHandOff.Request(this);
}

void TJvReadThread::ReadLoop()
{
    for (;;) {
        HANDLE handle;
        {
            TLock lock(FReadLock);
            if (Terminated() || !FReadHandle)
                return;
            FReadCall.Enter();
            handle = FReadHandle.get();
        }
        DWORD count = 0;
        const BOOL ok = ReadFile(handle, FPreBuffer.data(), static_cast<DWORD>(FPreBuffer.size()), &count, nullptr);
        {
            TLock lock(FReadLock);
            FReadCall.Leave();
            if (Terminated()) {
                // Stopped during the read: the handle was left to us to close.
                FReadHandle.reset();
                return;
            }
        }
        // A broken pipe is the stream's normal end; no other failure heals
        // by reading again at once, so every failure ends it.
        if (!ok)
            return;
        if (count > 0 && !Append(count))
            return;
    }
}

bool TJvReadThread::Append(std::uint32_t count)
{
    for (;;) {
        bool stored = false;
        {
            TLock lock(FReadLock);
            if (FInputBufferEnd + count > FInputBufferSize && FInputBufferSize < MaxInputBufferSize) {
                const std::uint32_t size = FInputBufferSize * 2;
                std::unique_ptr<char[]> buffer(new char[size]);
                std::memcpy(buffer.get(), FInputBuffer.get(), FInputBufferEnd);
                FInputBuffer = std::move(buffer);
                FInputBufferSize = size;
            }
            if (FInputBufferEnd + count <= FInputBufferSize) {
                std::memcpy(FInputBuffer.get() + FInputBufferEnd, FPreBuffer.data(), count);
                FInputBufferEnd += count;
                stored = true;
            } else {
                ResetEvent(FRoomEvent.get());
            }
        }
        const bool notified = Notify();
        if (stored)
            return true;
        // Full: output is never thrown away; wait until the user-interface
        // thread has taken bytes (the pipe then fills and the child waits).
        const HANDLE waits[2] = {FRoomEvent.get(), FStopEvent.get()};
        const DWORD result = WaitForMultipleObjects(2, waits, FALSE, notified ? INFINITE : kRepostMs);
        if (result != WAIT_OBJECT_0 && result != WAIT_TIMEOUT)
            return false;
    }
}

bool TJvReadThread::Notify()
{
    {
        TLock lock(FReadLock);
        if (FNotifyPending || FInputBufferEnd == 0 || Terminated())
            return true;
        FNotifyPending = true;
    }
    if (PostMessageW(FDestHandle, CPS_READ_NOTIFICATION, reinterpret_cast<WPARAM>(FOwner), 0))
        return true;
    TLock lock(FReadLock);
    FNotifyPending = false;
    return false;
}

void TJvReadThread::Renotify()
{
    {
        TLock lock(FReadLock);
        FNotifyPending = false;
    }
    Notify();
}

bool TJvReadThread::ReadBuffer(char* dest, std::uint32_t& count)
{
    TLock lock(FReadLock);
    if (FInputBufferEnd == 0) {
        FNotifyPending = false;
        return false;
    }
    count = std::min<std::uint32_t>(FInputBufferEnd, CPS_BUFFER_SIZE);
    std::memcpy(dest, FInputBuffer.get(), count);
    std::memmove(FInputBuffer.get(), FInputBuffer.get() + count, FInputBufferEnd - count);
    FInputBufferEnd -= count;
    SetEvent(FRoomEvent.get());
    return true;
}

void TJvReadThread::CloseRead()
{
    TLock lock(FReadLock);
    if (!FReadCall.Active())
        FReadHandle.reset();
}

void TJvReadThread::TerminateThread()
{
    Terminate();
    SetEvent(FStopEvent.get());
    FReadCall.Cancel(Handle(), FReadLock);
    CloseRead();
}
