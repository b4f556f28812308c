#include "theme/Contrast.h"
#include "framework/Dpi.h"

#include <gtest/gtest.h>

TEST(Contrast, KnownPairsGiveTheKnownRatios)
{
    struct Case {
        TColor A, B;
        double Ratio;
    } const cases[] = {
        {clBlack, clWhite, 21.0},
        {clWhite, clBlack, 21.0},
        {clWhite, clWhite, 1.0},
        {RGBColor(0x77, 0x77, 0x77), clWhite, 4.48},  // the classic grey that just misses 4.5
        {RGBColor(0x76, 0x76, 0x76), clWhite, 4.54},
        {clBlue, clWhite, 8.59},
        {clRed, clWhite, 4.00},
        {RGBColor(0, 0x80, 0), clWhite, 5.14},
        {clWhite, RGBColor(0, 64, 80), 11.36},
        {clBlack, RGBColor(0, 64, 80), 1.85},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ContrastRatio(c.A, c.B), c.Ratio, 0.005) << std::hex << c.A << " on " << c.B;
}

TEST(Contrast, LuminanceWeighsGreenMostAndIgnoresTheHighByte)
{
    EXPECT_DOUBLE_EQ(RelativeLuminance(clBlack), 0.0);
    EXPECT_NEAR(RelativeLuminance(clWhite), 1.0, 1e-12);
    EXPECT_NEAR(RelativeLuminance(RGBColor(255, 0, 0)), 0.2126, 1e-12);
    EXPECT_NEAR(RelativeLuminance(RGBColor(0, 255, 0)), 0.7152, 1e-12);
    EXPECT_NEAR(RelativeLuminance(RGBColor(0, 0, 255)), 0.0722, 1e-12);
    // The linear segment near black: 10/255 / 12.92.
    EXPECT_NEAR(RelativeLuminance(RGBColor(10, 10, 10)), 10.0 / 255.0 / 12.92, 1e-12);
    EXPECT_DOUBLE_EQ(RelativeLuminance(0x01FFFFFF), RelativeLuminance(clWhite));
}

TEST(Contrast, TheBetterTextColourIsChosenForEachBackground)
{
    const TColor light = RGBColor(0xF0, 0xF0, 0xF0);
    const TColor dark = RGBColor(0x20, 0x20, 0x20);
    EXPECT_EQ(BetterTextColor(clBlack, light, dark), light);
    EXPECT_EQ(BetterTextColor(clBlack, dark, light), light);
    EXPECT_EQ(BetterTextColor(clWhite, light, dark), dark);
    EXPECT_EQ(BetterTextColor(RGBColor(0, 64, 80), dark, light), light);
}

TEST(Dpi, DesignSizesScaleInProportionRoundingHalvesAway)
{
    struct Case {
        int Value, Dpi, Expected;
    } const cases[] = {
        {535, 96, 535}, {343, 96, 343}, {-9, 96, -9}, {0, 144, 0},
        {535, 144, 803}, {343, 144, 515}, {11, 144, 17}, {-9, 144, -14},  // 802.5, 514.5, 16.5, -13.5
        {11, 120, 14}, {13, 120, 16}, {48, 192, 96}, {1, 144, 2}, {1, 120, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScaleForDpi(c.Value, c.Dpi), c.Expected) << c.Value << " at " << c.Dpi;
}
