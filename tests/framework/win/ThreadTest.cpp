#include "framework/Exception.h"
#include "framework/win/Application.h"
#include "framework/win/Thread.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <string>
#include <vector>

namespace {

struct TEventLog {
    std::mutex Mutex;
    std::vector<std::string> Events;
    void Add(const std::string& e)
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Events.push_back(e);
    }
};

class TRecordingThread : public TThread {
public:
    TRecordingThread(TEventLog& log, bool* destroyed) : FLog(log), FDestroyed(destroyed) {}
    ~TRecordingThread() override
    {
        if (FDestroyed != nullptr)
            *FDestroyed = true;
    }
    DWORD ExecuteThreadId = 0;

protected:
    void Execute() override
    {
        ExecuteThreadId = GetCurrentThreadId();
        FLog.Add("execute");
        if (ThrowInExecute)
            throw Exception(L"boom");
    }

public:
    bool ThrowInExecute = false;

private:
    TEventLog& FLog;
    bool* FDestroyed;
};

class ThreadHandOff : public ::testing::Test {
protected:
    void SetUp() override
    {
        FApp = std::make_unique<TApplication>();
        Application = FApp.get();
        FApp->Initialize();
    }
    void TearDown() override { FApp.reset(); }

    // The program's waiting loop: handle messages, sleep until the next one.
    void PumpUntil(const bool& done)
    {
        const DWORD start = GetTickCount();
        while (!done && GetTickCount() - start < 20000) {
            Application->ProcessMessages();
            if (!done)
                MsgWaitForMultipleObjectsEx(0, nullptr, 200, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }

    std::unique_ptr<TApplication> FApp;
};

}  // namespace

TEST_F(ThreadHandOff, CompletionRunsOnTheUiThreadAfterExecuteThenTheThreadFreesItself)
{
    TEventLog log;
    bool destroyed = false;
    bool completed = false;
    auto* thread = new TRecordingThread(log, &destroyed);
    thread->FreeOnTerminate = true;
    thread->SetPriority(tpLower);
    EXPECT_EQ(GetThreadPriority(thread->Handle()), THREAD_PRIORITY_BELOW_NORMAL);
    DWORD handlerThread = 0;
    thread->OnTerminate = [&](TThread*) {
        handlerThread = GetCurrentThreadId();
        log.Add("completion");
        // The ending thread waits for us: it must not be gone yet.
        EXPECT_FALSE(destroyed);
        completed = true;
    };
    // Created suspended: nothing runs before Start.
    Sleep(50);
    EXPECT_TRUE(log.Events.empty());
    thread->Start();
    PumpUntil(completed);
    ASSERT_TRUE(completed);
    EXPECT_EQ(handlerThread, GetCurrentThreadId());
    // The thread deletes itself right after the hand-off returns.
    const DWORD start = GetTickCount();
    while (!destroyed && GetTickCount() - start < 10000)
        Sleep(10);
    EXPECT_TRUE(destroyed);
    ASSERT_EQ(log.Events.size(), 2u);
    EXPECT_EQ(log.Events[0], "execute");
    EXPECT_EQ(log.Events[1], "completion");
}

TEST_F(ThreadHandOff, ExceptionInExecuteDoesNotEscapeAndCompletionStillRuns)
{
    TEventLog log;
    TRecordingThread thread(log, nullptr);
    thread.ThrowInExecute = true;
    // The exception display would open a message box; the completion handler
    // proves the thread ended normally. No box: drop the exception first.
    bool completed = false;
    thread.OnTerminate = [&](TThread*) { completed = true; };
    Application->Title = L"ThreadTest";
    // Close the exception box as soon as it appears.
    std::thread closer([] {
        for (int i = 0; i < 400; ++i) {
            if (HWND box = FindWindowW(L"#32770", L"ThreadTest")) {
                wchar_t text[256] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 256);
                if (std::wstring(text) == L"boom.")
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(50);
        }
    });
    thread.Start();
    PumpUntil(completed);
    closer.join();
    EXPECT_TRUE(completed);
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
}

TEST_F(ThreadHandOff, NeverStartedThreadIsDestroyedWithoutRunning)
{
    TEventLog log;
    {
        TRecordingThread thread(log, nullptr);
    }
    EXPECT_TRUE(log.Events.empty());
}

TEST_F(ThreadHandOff, SynchronizeFromTheUiThreadRunsDirectly)
{
    int ran = 0;
    EXPECT_TRUE(Application->Synchronize([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
}
