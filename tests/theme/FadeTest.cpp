#include "theme/Contrast.h"
#include "theme/Fade.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using S = TControlState;
constexpr TColor kDark = RGBColor(0x20, 0x40, 0x60);
constexpr TColor kLight = RGBColor(0xE0, 0xD0, 0xC0);

}  // namespace

TEST(States, DisabledWinsThenPressedThenHot)
{
    struct Case {
        bool Enabled, Pressed, Hot;
        S Expected;
    } const cases[] = {
        {true, false, false, S::Normal}, {true, false, true, S::Hot},         {true, true, false, S::Pressed},
        {true, true, true, S::Pressed},  {false, true, true, S::Disabled},    {false, false, false, S::Disabled},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveState(c.Enabled, c.Pressed, c.Hot), c.Expected) << c.Enabled << c.Pressed << c.Hot;
}

TEST(States, HoverAndReleaseFadePressAndDisableAreImmediate)
{
    struct Case {
        S From, To;
        TMillis Expected;
    } const cases[] = {
        {S::Normal, S::Hot, kFadeMillis},      {S::Hot, S::Normal, kFadeMillis},
        {S::Pressed, S::Hot, kFadeMillis},     {S::Pressed, S::Normal, kFadeMillis},
        {S::Normal, S::Pressed, 0},            {S::Hot, S::Pressed, 0},
        {S::Normal, S::Disabled, 0},           {S::Disabled, S::Normal, 0},
        {S::Pressed, S::Disabled, 0},          {S::Hot, S::Hot, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TransitionMillis(c.From, c.To), c.Expected)
            << static_cast<int>(c.From) << "->" << static_cast<int>(c.To);
    EXPECT_GE(kFadeMillis, 100u);
    EXPECT_LE(kFadeMillis, 200u);
}

TEST(Fade, MixesEachChannelAndClampsTheWay)
{
    struct Case {
        double T;
        TColor Expected;
    } const cases[] = {
        {0.0, kDark},  {1.0, kLight}, {-3.0, kDark}, {7.0, kLight},
        {0.5, RGBColor(0x80, 0x88, 0x90)},
        {0.25, RGBColor(0x50, 0x64, 0x78)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MixColors(kDark, kLight, c.T), c.Expected) << c.T;
    EXPECT_EQ(MixColors(kLight, kLight, 0.3), kLight);
}

TEST(Fade, EndsAtItsEndColourWithinItsTime)
{
    const TFade fade{kDark, kLight, 1000, kFadeMillis};
    EXPECT_EQ(fade.At(0), kDark);  // before it started
    EXPECT_EQ(fade.At(1000), kDark);
    EXPECT_FALSE(fade.Done(1000 + kFadeMillis - 1));
    EXPECT_TRUE(fade.Done(1000 + kFadeMillis));
    EXPECT_EQ(fade.At(1000 + kFadeMillis), kLight);
    EXPECT_EQ(fade.At(1000 + 10 * kFadeMillis), kLight);
    // On the way every channel moves steadily toward the end, never past it.
    const auto distance = [](TColor a, TColor b) {
        return std::abs(static_cast<int>(RedOf(a)) - static_cast<int>(RedOf(b))) +
               std::abs(static_cast<int>(GreenOf(a)) - static_cast<int>(GreenOf(b))) +
               std::abs(static_cast<int>(BlueOf(a)) - static_cast<int>(BlueOf(b)));
    };
    TColor previous = kDark;
    for (TMillis t = 1000; t <= 1000 + kFadeMillis; t += 5) {
        const TColor now = fade.At(t);
        EXPECT_LE(distance(now, kLight), distance(previous, kLight)) << t;
        EXPECT_EQ(distance(kDark, now) + distance(now, kLight), distance(kDark, kLight)) << t;
        previous = now;
    }
    EXPECT_TRUE((TFade{kDark, kLight, 5, 0}.Done(5)));
    EXPECT_EQ((TFade{kDark, kLight, 5, 0}.At(5)), kLight);
}

TEST(StateFader, FollowsStatesAndNeverJumpsInMidFade)
{
    TStateFader fader(S::Normal, kDark);
    EXPECT_FALSE(fader.Animating(0));
    EXPECT_EQ(fader.At(0), kDark);

    fader.Go(S::Hot, kLight, 100);  // pointer enters
    EXPECT_TRUE(fader.Animating(100));
    EXPECT_EQ(fader.At(100), kDark);
    const TColor halfway = fader.At(100 + kFadeMillis / 2);
    EXPECT_NE(halfway, kDark);
    EXPECT_NE(halfway, kLight);
    EXPECT_EQ(fader.At(100 + kFadeMillis), kLight);
    EXPECT_FALSE(fader.Animating(100 + kFadeMillis));

    // The pointer leaves half way through the next fade: the way back starts
    // where the colour is, and takes the full time.
    fader.Go(S::Normal, kDark, 1000);
    fader.Go(S::Hot, kLight, 1000 + kFadeMillis / 2);
    const TColor turned = fader.At(1000 + kFadeMillis / 2);
    EXPECT_LE(std::abs(static_cast<int>(RedOf(turned)) - static_cast<int>(RedOf(MixColors(kLight, kDark, 0.5)))), 1);
    EXPECT_TRUE(fader.Animating(1000 + kFadeMillis));
    EXPECT_EQ(fader.At(1000 + kFadeMillis / 2 + kFadeMillis), kLight);

    // Pressing shows at once; releasing fades back.
    const TColor pressed = RGBColor(1, 2, 3);
    fader.Go(S::Pressed, pressed, 5000);
    EXPECT_EQ(fader.At(5000), pressed);
    EXPECT_FALSE(fader.Animating(5000));
    fader.Go(S::Hot, kLight, 6000);
    EXPECT_EQ(fader.At(6000), pressed);
    EXPECT_EQ(fader.At(6000 + kFadeMillis), kLight);
    EXPECT_EQ(fader.State(), S::Hot);

    // The same state with a new colour (another palette) shows at once.
    fader.Go(S::Hot, kDark, 7000);
    EXPECT_EQ(fader.At(7000), kDark);
    EXPECT_EQ(fader.Target(), kDark);
}
