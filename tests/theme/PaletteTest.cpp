#include "framework/Exception.h"
#include "resources/Themes.h"
#include "theme/Looks.h"
#include "theme/PaletteStyle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using R = TThemeRole;

// Every role, coloured by its index, so lookups show which role answered.
std::vector<TRoleColor> AllRoles()
{
    std::vector<TRoleColor> colors;
    for (std::size_t i = 0; i < kThemeRoleCount; ++i)
        colors.push_back({static_cast<R>(i), RGBColor(static_cast<unsigned>(i), 0, 0x10)});
    return colors;
}

std::wstring FailureOf(const std::vector<TRoleColor>& colors, const std::vector<TSystemColorRole>& system)
{
    try {
        TPalette palette(L"Probe", colors, system);
        return L"";
    } catch (const Exception& e) {
        return e.Message;
    }
}

}  // namespace

TEST(Palette, EveryRoleAnswersWithItsOwnColour)
{
    const TPalette palette(L"Probe", AllRoles(), {});
    for (std::size_t i = 0; i < kThemeRoleCount; ++i)
        EXPECT_EQ(palette[static_cast<R>(i)], RGBColor(static_cast<unsigned>(i), 0, 0x10))
            << ThemeRoleName(static_cast<R>(i));
    EXPECT_EQ(palette.Name(), L"Probe");
}

TEST(Palette, IncompleteOrMalformedDataIsRefusedWithTheFaultNamed)
{
    auto missing = AllRoles();
    missing.erase(missing.begin() + static_cast<long>(R::GroupCaption));
    auto doubled = AllRoles();
    doubled.push_back({R::ButtonFace, 0});
    auto systemColour = AllRoles();
    systemColour[static_cast<std::size_t>(R::Face)].Color = clBtnFace;

    struct Case {
        std::vector<TRoleColor> Colors;
        std::vector<TSystemColorRole> System;
        const wchar_t* Expected;
    } const cases[] = {
        {AllRoles(), {{15, R::Face}, {8, R::FaceText}}, L""},
        {missing, {}, L"Palette 'Probe': Rolle GroupCaption fehlt"},
        {doubled, {}, L"Palette 'Probe': Rolle ButtonFace doppelt"},
        {systemColour, {}, L"Palette 'Probe': Rolle Face ist keine einfache Farbe"},
        {AllRoles(), {{15, R::Face}, {15, R::Form}}, L"Palette 'Probe': Systemfarbe 15 doppelt"},
        {AllRoles(), {{31, R::Face}}, L"Palette 'Probe': ungültige Systemfarbe 31"},
        {AllRoles(), {{-1, R::Face}}, L"Palette 'Probe': ungültige Systemfarbe -1"},
        {AllRoles(), {{5, R::Count}}, L"Palette 'Probe': ungültige Systemfarbe 5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FailureOf(c.Colors, c.System), c.Expected);
}

TEST(Palette, MappedSystemColoursResolveToTheirRoleAndEverythingElseStays)
{
    const TPalette palette(L"Probe", AllRoles(), std::vector<TSystemColorRole>{{15, R::Face}, {8, R::FaceText}});
    struct Case {
        TColor Asked;
        TColor Expected;
    } const cases[] = {
        {clBtnFace, palette[R::Face]},
        {clWindowText, palette[R::FaceText]},
        {clSystemColor | 2, clSystemColor | 2},  // the caption's colour stays the system's
        {clWindow, clWindow},                    // not mapped by this palette
        {clSystemColor | 0x10F, clSystemColor | 0x10F},  // no such index
        {RGBColor(1, 2, 3), RGBColor(1, 2, 3)},
        {clNone, clNone},
        {clDefault, clDefault},
    };
    for (const Case& c : cases)
        EXPECT_EQ(palette.Resolve(c.Asked), c.Expected) << std::hex << c.Asked;
    EXPECT_TRUE(palette.MapsSystemColor(15));
    EXPECT_FALSE(palette.MapsSystemColor(2));
    EXPECT_FALSE(palette.MapsSystemColor(99));
}

TEST(Palette, AsAStyleItAnswersTheFrameworksQuestions)
{
    const TPaletteStyle style(TPalette(L"Probe", AllRoles(), std::vector<TSystemColorRole>{{15, R::Face}}));
    EXPECT_EQ(style.Name(), L"Probe");
    EXPECT_EQ(style.SystemColor(clBtnFace), style.Palette()[R::Face]);
    EXPECT_EQ(style.SystemColor(clWindowText), std::nullopt);
    EXPECT_EQ(style.SystemColor(RGBColor(1, 2, 3)), std::nullopt);
    EXPECT_EQ(style.WindowTextColor(), style.Palette()[R::FormText]);
}

// The embedded theme: the window keeps its own colour and every text the
// painting draws reads well on what it is drawn on.
TEST(SmokeyQuartzKamri, KeepsTheWindowsOwnColourAndWhiteLabels)
{
    const TPalette& palette = SmokeyQuartzKamri();
    EXPECT_EQ(palette.Name(), L"Smokey Quartz Kamri");
    EXPECT_EQ(palette[R::Form], RGBColor(0, 64, 80));
    EXPECT_EQ(palette[R::FormText], clWhite);
    // Title bars and borders stay the system's.
    for (int caption : {2, 3, 9, 10, 11, 19, 27, 28})
        EXPECT_FALSE(palette.MapsSystemColor(caption)) << caption;
    // What the link label fills with while the theme is active.
    EXPECT_EQ(palette.Resolve(clBtnFace), palette[R::Face]);
}

TEST(SmokeyQuartzKamri, EveryTextReadsOnItsSurface)
{
    const TPalette& palette = SmokeyQuartzKamri();
    for (const TTextPair& pair : PaletteTextPairs()) {
        const double ratio = ContrastRatio(palette[pair.Text], palette[pair.Surface]);
        EXPECT_GE(ratio, pair.Minimum) << ThemeRoleName(pair.Text) << " on " << ThemeRoleName(pair.Surface);
    }
    for (const TFixedTextPair& pair : FixedTextPairs())
        EXPECT_GE(ContrastRatio(pair.Text, palette[pair.Surface]), pair.Minimum) << pair.What;
    for (const TSystemTextPair& pair : SystemTextPairs()) {
        const TColor text = palette.Resolve(clSystemColor | static_cast<TColor>(pair.Text));
        const TColor surface = palette.Resolve(clSystemColor | static_cast<TColor>(pair.Surface));
        ASSERT_FALSE(IsSystemColor(text) || IsSystemColor(surface)) << pair.Text << " on " << pair.Surface;
        EXPECT_GE(ContrastRatio(text, surface), pair.Minimum) << pair.Text << " on " << pair.Surface;
    }
}

TEST(SmokeyQuartzKamri, StatesLookDifferentAndTextFollowsTheSurface)
{
    const TPalette& palette = SmokeyQuartzKamri();
    const TControlState states[] = {TControlState::Normal, TControlState::Hot, TControlState::Pressed,
                                    TControlState::Disabled};
    for (TControlState a : states) {
        for (TControlState b : states) {
            if (a != b) {
                EXPECT_NE(ButtonFaceFor(palette, a), ButtonFaceFor(palette, b));
            }
        }
    }

    EXPECT_EQ(TextColorOn(palette, palette[R::Form]), palette[R::FormText]);
    EXPECT_EQ(TextColorOn(palette, palette[R::Face]), palette[R::FaceText]);
    EXPECT_EQ(TextColorOn(palette, clBlack), palette[R::FormText]);
    EXPECT_EQ(TextColorOn(palette, clWhite), palette[R::FaceText]);
}

TEST(Looks, ButtonsShowTheirStateAndFocus)
{
    const TPalette palette(L"Probe", AllRoles(), {});
    struct Case {
        TControlState State;
        bool Focused;
        R Face, Text, Border;
    } const cases[] = {
        {TControlState::Normal, false, R::ButtonFace, R::ButtonText, R::ButtonBorder},
        {TControlState::Normal, true, R::ButtonFace, R::ButtonText, R::FocusRing},
        {TControlState::Hot, false, R::ButtonHotFace, R::ButtonText, R::ButtonBorder},
        {TControlState::Pressed, true, R::ButtonPressedFace, R::ButtonText, R::FocusRing},
        {TControlState::Disabled, false, R::ButtonDisabledFace, R::ButtonDisabledText, R::ButtonBorder},
        {TControlState::Disabled, true, R::ButtonDisabledFace, R::ButtonDisabledText, R::ButtonBorder},
    };
    for (const Case& c : cases) {
        const TButtonLook look = ButtonLookFor(palette, c.State, c.Focused);
        EXPECT_EQ(look.Face, palette[c.Face]) << static_cast<int>(c.State) << c.Focused;
        EXPECT_EQ(look.Text, palette[c.Text]) << static_cast<int>(c.State) << c.Focused;
        EXPECT_EQ(look.Border, palette[c.Border]) << static_cast<int>(c.State) << c.Focused;
    }
    EXPECT_EQ(ComboButtonFaceFor(palette, TControlState::Pressed), palette[R::ComboButtonHotFace]);
    EXPECT_EQ(GlyphLookFor(palette, TControlState::Hot).Border, palette[R::GlyphHotBorder]);
    EXPECT_EQ(GlyphLookFor(palette, TControlState::Disabled).Mark, palette[R::ButtonDisabledText]);
}
