#include "process/win/JvCPSThreads.h"

#include "framework/win/OSError.h"
#include "process/JvCPSTypes.h"

#include <algorithm>
#include <cstring>

namespace {

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

TJvWaitForProcessThread::TJvWaitForProcessThread(HANDLE processHandle) : FCloseEvent(CreateManualEvent(false))
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

void TJvWaitForProcessThread::Execute()
{
    NameThread();
    WaitForInputIdle(FProcessHandle.get(), INFINITE);
    const HANDLE waits[2] = {FCloseEvent.get(), FProcessHandle.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        DWORD code = 0;
        if (GetExitCodeProcess(FProcessHandle.get(), &code))
            FExitCode = code;
    }
}

// ---------------------------------------------------------------------------

TJvConsoleThread::TJvConsoleThread(HANDLE processHandle, TKernelHandle writeHandle)
    : TJvWaitForProcessThread(processHandle), FWriteHandle(std::move(writeHandle)), FWriteEvent(CreateManualEvent(false))
{
}

void TJvConsoleThread::TerminateThread()
{
    TJvWaitForProcessThread::TerminateThread();
    // A pipe write blocked on a child that does not read its input would keep
    // the thread from seeing the close event.
    if (const TCancelSynchronousIo cancel = CancelSynchronousIoFunction())
        cancel(Handle());
}

void TJvConsoleThread::Execute()
{
    WaitForInputIdle(FProcessHandle.get(), INFINITE);
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
}

bool TJvConsoleThread::WritePending()
{
    TLock lock(FWriteLock);
    if (FWriteHandle && FOutputBufferEnd > 0) {
        DWORD written = 0;
        if (!WriteFile(FWriteHandle.get(), FOutputBuffer.data(), FOutputBufferEnd, &written, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE)
                FWriteHandle.reset();
        } else if (written > 0) {
            written = std::min<DWORD>(written, FOutputBufferEnd);
            std::memmove(FOutputBuffer.data(), FOutputBuffer.data() + written, FOutputBufferEnd - written);
            FOutputBufferEnd -= written;
        }
    }
    const bool open = FWriteHandle.valid();
    if (FOutputBufferEnd == 0)
        ResetEvent(FWriteEvent.get());
    return open;
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

TJvReadThread::TJvReadThread(TJvReader* owner, TKernelHandle readHandle, HWND destHandle)
    : FOwner(owner),
      FReadHandle(std::move(readHandle)),
      FDestHandle(destHandle),
      FInputBuffer(new char[CPS_BUFFER_SIZE]),
      FInputBufferSize(CPS_BUFFER_SIZE),
      FReadLeftEvent(CreateManualEvent(true)),
      FRoomEvent(CreateManualEvent(false)),
      FStopEvent(CreateManualEvent(false))
{
    FreeOnTerminate = true;
    SetPriority(tpLower);
}

TJvReadThread::~TJvReadThread() = default;

void TJvReadThread::Execute()
{
    for (;;) {
        HANDLE handle;
        {
            TLock lock(FReadLock);
            if (Terminated() || !FReadHandle)
                break;
            FInRead = true;
            ResetEvent(FReadLeftEvent.get());
            handle = FReadHandle.get();
        }
        DWORD count = 0;
        const BOOL ok = ReadFile(handle, FPreBuffer.data(), static_cast<DWORD>(FPreBuffer.size()), &count, nullptr);
        const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        {
            TLock lock(FReadLock);
            FInRead = false;
            SetEvent(FReadLeftEvent.get());
            if (Terminated()) {
                // Stopped during the read: the handle was left to us to close.
                FReadHandle.reset();
                break;
            }
        }
        if (ok) {
            if (!Append(count))
                break;
        } else if (error == ERROR_BROKEN_PIPE || error == ERROR_INVALID_HANDLE) {
            // The writers are all gone; an invalid handle could never heal either.
            break;
        }
    }
}

bool TJvReadThread::Append(std::uint32_t count)
{
    for (;;) {
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
                break;
            }
            // Full: output is never thrown away; wait until the user-interface
            // thread has taken bytes (the pipe then fills and the child waits).
            ResetEvent(FRoomEvent.get());
        }
        PostMessageW(FDestHandle, CPS_READ_NOTIFICATION, reinterpret_cast<WPARAM>(FOwner), 0);
        const HANDLE waits[2] = {FRoomEvent.get(), FStopEvent.get()};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            return false;
    }
    if (!Terminated())
        PostMessageW(FDestHandle, CPS_READ_NOTIFICATION, reinterpret_cast<WPARAM>(FOwner), 0);
    return true;
}

bool TJvReadThread::ReadBuffer(char* dest, std::uint32_t& count)
{
    TLock lock(FReadLock);
    if (FInputBufferEnd == 0)
        return false;
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
    if (!FInRead)
        FReadHandle.reset();
}

void TJvReadThread::CancelRead()
{
    const TCancelSynchronousIo cancel = CancelSynchronousIoFunction();
    if (cancel == nullptr)
        return;
    // The thread may be between marking the read and entering it, where a
    // cancel finds nothing to cancel: try again shortly, a bounded number of times.
    for (int attempt = 0; attempt < 50; ++attempt) {
        {
            TLock lock(FReadLock);
            if (!FInRead)
                return;
        }
        cancel(Handle());
        if (WaitForSingleObject(FReadLeftEvent.get(), 20) == WAIT_OBJECT_0)
            return;
    }
}

void TJvReadThread::TerminateThread()
{
    Terminate();
    SetEvent(FStopEvent.get());
    CancelRead();
    CloseRead();
}
