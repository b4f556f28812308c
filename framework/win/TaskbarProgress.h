#pragma once
// The progress a window shows on its taskbar button (the shell's
// ITaskbarList3, Windows 7 and later). The shell's object is made on first
// use, with COM loaded then (see SystemLibrary.h); where it cannot be made
// (older Windows, no shell) every call does nothing. User-interface thread
// only.

#include <windows.h>

struct ITaskbarList3;

enum class TTaskbarState { None, Normal, Error };

class TTaskbarProgress {
public:
    explicit TTaskbarProgress(HWND window) noexcept : FWindow(window) {}
    ~TTaskbarProgress();
    TTaskbarProgress(const TTaskbarProgress&) = delete;
    TTaskbarProgress& operator=(const TTaskbarProgress&) = delete;

    // The button's state and, for Normal and Error, how much of it is
    // filled (0 to 100).
    void Show(TTaskbarState state, int percent = 0) noexcept;

private:
    bool Ready() noexcept;

    HWND FWindow;
    ITaskbarList3* FList = nullptr;
    bool FTried = false;
    bool FComEntered = false;
};
