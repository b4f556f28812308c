#include "framework/win/Theme.h"

#include "framework/win/Application.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

struct TBoxSeen {
    std::wstring Text;
    std::wstring Button;
    bool HasIcon = false;
    bool Found = false;
};

// Waits for the box titled caption, reads it and presses its button.
TBoxSeen ReadAndCloseBox(const wchar_t* caption)
{
    TBoxSeen seen;
    for (int i = 0; i < 400 && !seen.Found; ++i) {
        if (HWND box = FindWindowW(L"#32770", caption)) {
            wchar_t buffer[256] = {};
            GetDlgItemTextW(box, 0xFFFF, buffer, 256);
            seen.Text = buffer;
            GetDlgItemTextW(box, IDOK, buffer, 256);
            seen.Button = buffer;
            // Any static that shows an icon (its ID differs between systems).
            EnumChildWindows(
                box,
                [](HWND child, LPARAM found) -> BOOL {
                    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                        SendMessageW(child, STM_GETICON, 0, 0) != 0)
                        *reinterpret_cast<bool*>(found) = true;
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&seen.HasIcon));
            seen.Found = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        } else {
            Sleep(50);
        }
    }
    return seen;
}

// Replaces clBtnFace only; its text on the window is colour 2.
class TTestStyle : public TVisualStyle {
public:
    const std::wstring& Name() const override { return FName; }
    std::optional<TColor> SystemColor(TColor color) const override
    {
        return color == clBtnFace ? std::optional<TColor>(3) : std::nullopt;
    }
    TColor WindowTextColor() const override { return 2; }

private:
    std::wstring FName = L"Test Quartz";
};

}  // namespace

TEST(Theme, KnownThemeIsAppliedWithoutABox)
{
    EXPECT_EQ(StyleColor(clBtnFace), clBtnFace);  // no style yet: colours stay the system's
    ThemeRegistry().Register(std::make_unique<TTestStyle>());
    EXPECT_TRUE(ApplyTheme(L"test quartz"));
    ASSERT_NE(ActiveTheme(), nullptr);
    EXPECT_EQ(ActiveTheme()->Name(), L"Test Quartz");
    EXPECT_EQ(ActiveThemeTextColor(99), 2u);
    // Painting now takes the style's colours for the ones it replaces.
    EXPECT_EQ(StyleColor(clBtnFace), 3u);
    EXPECT_EQ(StyleColor(clWindowText), clWindowText);
}

TEST(Theme, FormsFindTheInstalledControlStyler)
{
    struct TCountingStyler : TControlStyler {
        bool StyleControl(HWND, TControlKind kind, TColor, TColor) override
        {
            ++Styled;
            return kind != TControlKind::Panel;
        }
        int Styled = 0;
    } styler;
    EXPECT_EQ(ActiveControlStyler(), nullptr);
    SetControlStyler(&styler);
    ASSERT_EQ(ActiveControlStyler(), &styler);
    EXPECT_TRUE(ActiveControlStyler()->StyleControl(nullptr, TControlKind::Button, 0, clDefault));
    EXPECT_FALSE(ActiveControlStyler()->StyleControl(nullptr, TControlKind::Panel, 0, clDefault));
    EXPECT_EQ(styler.Styled, 2);
    SetControlStyler(nullptr);
    EXPECT_EQ(ActiveControlStyler(), nullptr);
}

TEST(Theme, MissingThemeShowsTheErrorBoxWithItsOwnButtonAndKeepsTheLook)
{
    const TVisualStyle* before = ActiveTheme();
    TBoxSeen seen;
    std::thread reader([&] { seen = ReadAndCloseBox(L"Fehler"); });
    EXPECT_FALSE(ApplyTheme(L"Gibt es nicht"));
    reader.join();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Text, L"Stil 'Gibt es nicht' nicht gefunden");
    EXPECT_EQ(seen.Button, L"S&chließen");
    EXPECT_TRUE(seen.HasIcon);
    EXPECT_EQ(ActiveTheme(), before);
    EXPECT_EQ(ActiveCustomStyleColors(), before);
}
