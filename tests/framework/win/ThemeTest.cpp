#include "framework/win/Theme.h"

#include "framework/win/Application.h"

#include <gtest/gtest.h>

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

}  // namespace

TEST(Theme, KnownThemeIsAppliedWithoutABox)
{
    ThemeRegistry().Register(TThemePalette{L"Test Quartz", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_TRUE(ApplyTheme(L"test quartz"));
    ASSERT_NE(ActiveTheme(), nullptr);
    EXPECT_EQ(ActiveTheme()->Name, L"Test Quartz");
    EXPECT_EQ(ActiveThemeTextColor(99), 2u);
}

TEST(Theme, MissingThemeShowsTheErrorBoxWithItsOwnButtonAndKeepsTheLook)
{
    const TThemePalette* before = ActiveTheme();
    TBoxSeen seen;
    std::thread reader([&] { seen = ReadAndCloseBox(L"Fehler"); });
    EXPECT_FALSE(ApplyTheme(L"Gibt es nicht"));
    reader.join();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Text, L"Stil 'Gibt es nicht' nicht gefunden");
    EXPECT_EQ(seen.Button, L"S&chließen");
    EXPECT_TRUE(seen.HasIcon);
    EXPECT_EQ(ActiveTheme(), before);
}
