#pragma once
// A timer component: OnTimer runs on the user-interface thread every
// Interval milliseconds while Enabled.

#include "framework/win/Component.h"
#include "framework/win/Handle.h"

#include <windows.h>

#include <functional>

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    void SetInterval(UINT milliseconds);
    UINT Interval() const noexcept { return FInterval; }
    void SetEnabled(bool enabled);
    bool Enabled() const noexcept { return FEnabled; }

    std::function<void()> OnTimer;

private:
    static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Update();

    TWindowHandle FWindow;
    UINT FInterval = 1000;
    bool FEnabled = true;
};
