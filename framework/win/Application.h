#pragma once
// The application object: title, message loop, the hand-off of work from
// background threads to the user-interface thread, and the one place that
// shows a failure to the user.

#include "framework/win/Handle.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Registers the hand-off window; sets Title from the executable's name.
    void Initialize();

    // Runs the message loop until Terminate (the main window's end).
    void Run();
    // Handles every message that is pending, then returns; never waits.
    void ProcessMessages();
    // Waits for one message and handles it; false when it was WM_QUIT.
    bool HandleMessage();
    // Sleeps until a message (posted, sent or input) is there to handle.
    void WaitForMessage();
    // Asks the message loops to end: sets Terminated and posts WM_QUIT.
    void Terminate();
    bool Terminated() const noexcept { return FTerminated; }

    // Shows the message of the innermost exception in a box titled with the
    // application's title; the program goes on.
    void HandleException(std::exception_ptr failure) noexcept;
    void ShowException(const std::wstring& text) noexcept;

    // Windows whose Tab and arrow keys move between their controls. Tab
    // (backward: with Shift) is first offered to tab, which answers true
    // when it moved the focus itself.
    void AddDialogNavigation(HWND window, std::function<bool(bool backward)> tab = {});
    void RemoveDialogNavigation(HWND window);

    // Runs work on the user-interface thread while the calling thread waits;
    // returns false when the application is shutting down and it did not run.
    bool Synchronize(const std::function<void()>& work);
    bool IsMainThread() const noexcept { return GetCurrentThreadId() == FMainThreadId; }

    std::wstring Title;
    HWND MainFormHandle = nullptr;

private:
    static LRESULT CALLBACK SyncWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool ProcessMessage(MSG& msg);

    bool FTerminated = false;
    DWORD FMainThreadId;
    TWindowHandle FSyncWindow;
    TKernelHandle FShutdownEvent;
    struct TDialogWindow {
        HWND Window;
        std::function<bool(bool backward)> Tab;
    };
    std::vector<TDialogWindow> FDialogWindows;
};

// The process-wide application object, created by the program entry.
extern TApplication* Application;

// Runs a callback body; any exception is handed to the application instead of
// crossing the system callback that called us.
template <typename F>
void GuardCallback(F&& body) noexcept
{
    try {
        body();
    } catch (...) {
        if (Application != nullptr)
            Application->HandleException(std::current_exception());
    }
}

// The full path of the running executable.
std::wstring ExecutablePath();
