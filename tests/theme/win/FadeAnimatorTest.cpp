#include "tests/theme/win/Pixels.h"
#include "theme/win/FadeAnimator.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr UINT_PTR kTimer = 7;
constexpr TColor kNormal = RGBColor(0x20, 0x20, 0x20);
constexpr TColor kHot = RGBColor(0xE0, 0xE0, 0xE0);

// A window whose timer ticks reach the animator, counting the repaints asked for.
struct TTicker {
    TFadeAnimator* Animator = nullptr;
    int Ticks = 0;
};

LRESULT CALLBACK TickerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* ticker = reinterpret_cast<TTicker*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_TIMER && ticker != nullptr && ticker->Animator != nullptr &&
        ticker->Animator->OnTimer(wParam)) {
        ++ticker->Ticks;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class FadeAnimatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &TickerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FadeAnimatorTestWindow";
        RegisterClassW(&wc);
        Window.reset(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                     wc.hInstance, nullptr));
        ASSERT_TRUE(Window);
        SetWindowLongPtrW(Window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&Ticker));
    }

    std::unique_ptr<TFadeAnimator> Make(TMillisClock clock)
    {
        auto animator = std::make_unique<TFadeAnimator>(Window.get(), kTimer, std::move(clock),
                                                         TControlState::Normal, kNormal);
        Ticker.Animator = animator.get();
        return animator;
    }

    TWindowHandle Window;
    TTicker Ticker;
    TMillis Now = 1000;
};

}  // namespace

TEST_F(FadeAnimatorTest, ATimerRunsOnlyWhileTheFadeRuns)
{
    auto animator = Make([this] { return Now; });
    EXPECT_FALSE(animator->Running());
    EXPECT_TRUE(animator->Go(TControlState::Hot, kHot));
    EXPECT_TRUE(animator->Running());
    EXPECT_EQ(animator->Color(), kNormal);

    // Ticks come while the clock stands still; the colour stays.
    PumpFor(5000, [this] { return Ticker.Ticks >= 2; });
    EXPECT_GE(Ticker.Ticks, 2);
    EXPECT_TRUE(animator->Running());

    Now += kFadeMillis / 2;
    EXPECT_EQ(animator->Color(), MixColors(kNormal, kHot, 0.5));
    Now += kFadeMillis / 2;
    EXPECT_EQ(animator->Color(), kHot) << "at its end colour within its time";
    const int ticks = Ticker.Ticks;
    PumpFor(5000, [&] { return Ticker.Ticks > ticks; });
    EXPECT_FALSE(animator->Running()) << "the tick after the end stops the timer";
    MSG msg;
    PumpFor(100);
    EXPECT_FALSE(PeekMessageW(&msg, Window.get(), WM_TIMER, WM_TIMER, PM_NOREMOVE));
}

TEST_F(FadeAnimatorTest, PressingShowsAtOnceAndNothingNewDrawsNothing)
{
    auto animator = Make([this] { return Now; });
    const TColor pressed = RGBColor(1, 2, 3);
    EXPECT_TRUE(animator->Go(TControlState::Pressed, pressed));
    EXPECT_FALSE(animator->Running());
    EXPECT_EQ(animator->Color(), pressed);
    EXPECT_FALSE(animator->Go(TControlState::Pressed, pressed)) << "no change, no repaint";
    EXPECT_FALSE(animator->OnTimer(kTimer + 1)) << "another timer is not the animator's";

    EXPECT_TRUE(animator->Go(TControlState::Normal, kNormal));
    EXPECT_TRUE(animator->Running()) << "leaving pressed fades";
    EXPECT_EQ(animator->State(), TControlState::Normal);
    animator.reset();  // ends its timer with it
    MSG msg;
    PumpFor(100);
    EXPECT_FALSE(PeekMessageW(&msg, Window.get(), WM_TIMER, WM_TIMER, PM_NOREMOVE));
}

TEST_F(FadeAnimatorTest, OnTheSystemClockAFadeEndsInAboutItsTime)
{
    auto animator = Make({});
    const ULONGLONG start = GetTickCount64();
    animator->Go(TControlState::Hot, kHot);
    PumpFor(5000, [&] { return !animator->Running(); });
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_FALSE(animator->Running());
    EXPECT_EQ(animator->Color(), kHot);
    EXPECT_GE(took, kFadeMillis - 20);
    EXPECT_LT(took, 2000u) << "a guard against a stuck timer, not a speed test";
}
