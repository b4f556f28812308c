#include "theme/win/FadeAnimator.h"

TMillis SystemMilliseconds()
{
    return GetTickCount64();
}

TFadeAnimator::TFadeAnimator(HWND window, UINT_PTR timerId, TMillisClock clock, TControlState state, TColor color)
    : FWindow(window), FTimerId(timerId), FClock(clock ? std::move(clock) : TMillisClock(&SystemMilliseconds)),
      FFader(state, color)
{
}

TFadeAnimator::~TFadeAnimator()
{
    Stop();
}

bool TFadeAnimator::Go(TControlState state, TColor target)
{
    const TMillis now = FClock();
    const TColor before = FFader.At(now);
    FFader.Go(state, target, now);
    if (FFader.Animating(now)) {
        if (!FTimerOn)
            FTimerOn = SetTimer(FWindow, FTimerId, kFrameMillis, nullptr) != 0;
        if (!FTimerOn)
            FFader = TStateFader(state, target);  // no timer to be had: show the end at once
    } else {
        Stop();
    }
    return FFader.At(now) != before || FTimerOn;
}

bool TFadeAnimator::OnTimer(UINT_PTR timerId)
{
    if (timerId != FTimerId)
        return false;
    if (!FFader.Animating(FClock()))
        Stop();
    InvalidateRect(FWindow, nullptr, FALSE);
    return true;
}

void TFadeAnimator::Stop() noexcept
{
    if (FTimerOn) {
        KillTimer(FWindow, FTimerId);
        FTimerOn = false;
    }
}
