#pragma once
// Drives a control's state fade with a window timer: the timer runs only
// while a fade is under way, each tick invalidates the window, and the
// window paints the colour of the moment. Nothing waits.

#include "theme/Fade.h"

#include <windows.h>

#include <functional>

using TMillisClock = std::function<TMillis()>;

// Milliseconds since the system started (GetTickCount64).
TMillis SystemMilliseconds();

class TFadeAnimator {
public:
    static constexpr UINT kFrameMillis = 15;

    TFadeAnimator(HWND window, UINT_PTR timerId, TMillisClock clock, TControlState state, TColor color);
    ~TFadeAnimator();
    TFadeAnimator(const TFadeAnimator&) = delete;
    TFadeAnimator& operator=(const TFadeAnimator&) = delete;

    // Moves to a state whose colour is target; a fade starts the timer.
    // True when the colour shown from now on differs from the one before.
    bool Go(TControlState state, TColor target);
    // For WM_TIMER: true when the timer is this animator's. Invalidates the
    // window; the timer stops once the fade has reached its end colour.
    bool OnTimer(UINT_PTR timerId);

    TColor Color() const { return FFader.At(FClock()); }
    TControlState State() const noexcept { return FFader.State(); }
    bool Running() const noexcept { return FTimerOn; }

private:
    void Stop() noexcept;

    HWND FWindow;
    UINT_PTR FTimerId;
    TMillisClock FClock;
    TStateFader FFader;
    bool FTimerOn = false;
};
