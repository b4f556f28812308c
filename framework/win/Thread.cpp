#include "framework/win/Thread.h"

#include "framework/win/Application.h"
#include "framework/win/OSError.h"

#include <process.h>

namespace {

int SystemPriority(TThreadPriority priority)
{
    switch (priority) {
    case tpIdle: return THREAD_PRIORITY_IDLE;
    case tpLowest: return THREAD_PRIORITY_LOWEST;
    case tpLower: return THREAD_PRIORITY_BELOW_NORMAL;
    case tpNormal: return THREAD_PRIORITY_NORMAL;
    case tpHigher: return THREAD_PRIORITY_ABOVE_NORMAL;
    case tpHighest: return THREAD_PRIORITY_HIGHEST;
    case tpTimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

}  // namespace

TThread::TThread()
{
    unsigned id = 0;
    // _beginthreadex keeps the C runtime's per-thread state right.
    const uintptr_t handle = _beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id);
    if (handle == 0)
        RaiseOSError(static_cast<DWORD>(_doserrno != 0 ? _doserrno : ERROR_NOT_ENOUGH_MEMORY));
    FHandle.reset(reinterpret_cast<HANDLE>(handle));
    FThreadID = id;
}

TThread::~TThread()
{
    if (!FStarted && FHandle) {
        // Never started: let the thread run out without calling Execute.
        FAbandoned = true;
        FTerminated = true;
        ResumeThread(FHandle.get());
        WaitForSingleObject(FHandle.get(), INFINITE);
    } else if (!FreeOnTerminate && !FFinished && GetCurrentThreadId() != FThreadID) {
        FTerminated = true;
        WaitFor();
    }
}

void TThread::Start()
{
    if (FStarted)
        return;
    FStarted = true;
    if (ResumeThread(FHandle.get()) == static_cast<DWORD>(-1))
        RaiseLastOSError();
}

void TThread::SetPriority(TThreadPriority priority)
{
    Win32Check(SetThreadPriority(FHandle.get(), SystemPriority(priority)));
    FPriority = priority;
}

void TThread::WaitFor()
{
    const HANDLE handle = FHandle.get();
    if (Application != nullptr && Application->IsMainThread()) {
        // The thread may be waiting for its hand-off to run here.
        for (;;) {
            const DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_POSTMESSAGE | QS_SENDMESSAGE);
            if (r != WAIT_OBJECT_0 + 1)
                break;
            Application->ProcessMessages();
        }
    } else {
        WaitForSingleObject(handle, INFINITE);
    }
}

bool TThread::Synchronize(const std::function<void()>& work)
{
    return Application != nullptr && Application->Synchronize(work);
}

void TThread::DoTerminate()
{
    if (FFatalException && Application != nullptr)
        Application->HandleException(FFatalException);
    if (OnTerminate)
        OnTerminate(this);
}

unsigned __stdcall TThread::ThreadProc(void* parameter)
{
    auto* thread = static_cast<TThread*>(parameter);
    if (thread->FAbandoned)
        return 0;
    try {
        thread->Execute();
    } catch (...) {
        thread->FFatalException = std::current_exception();
    }
    const bool freeOnTerminate = thread->FreeOnTerminate;
    thread->Synchronize([thread] { thread->DoTerminate(); });
    thread->FFinished = true;
    if (freeOnTerminate)
        delete thread;
    return 0;
}

namespace {

constexpr DWORD kSetThreadNameException = 0x406D1388;

// Swallows the naming exception when the debugger passes it back to us.
LONG CALLBACK ContinueAfterThreadName(EXCEPTION_POINTERS* info)
{
    if (info->ExceptionRecord->ExceptionCode == kSetThreadNameException)
        return EXCEPTION_CONTINUE_EXECUTION;
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void TThread::NameThreadForDebugging(const std::wstring& name, DWORD threadId)
{
    // Only a debugger understands the naming exception.
    if (!IsDebuggerPresent())
        return;
    const std::string narrow(name.begin(), name.end());
#pragma pack(push, 8)
    struct {
        DWORD dwType;
        LPCSTR szName;
        DWORD dwThreadID;
        DWORD dwFlags;
    } info{0x1000, narrow.c_str(), threadId, 0};
#pragma pack(pop)
    PVOID handler = AddVectoredExceptionHandler(1, &ContinueAfterThreadName);
    RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                   reinterpret_cast<const ULONG_PTR*>(&info));
    if (handler != nullptr)
        RemoveVectoredExceptionHandler(handler);
}
