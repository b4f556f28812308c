#include "framework/win/Theme.h"

#include "framework/win/Dialogs.h"
#include "framework/win/GdiGraphics.h"

namespace {
TVisualStyle* gActiveTheme = nullptr;
TControlStyler* gControlStyler = nullptr;
}

bool ApplyTheme(const std::wstring& name)
{
    TVisualStyle* theme = ThemeRegistry().Find(name);
    if (theme == nullptr) {
        ShowErrorBoxWithButton(nullptr, ThemeNotFoundMessage(name), L"Fehler", L"S&chließen");
        return false;
    }
    gActiveTheme = theme;
    SetActiveCustomStyleColors(theme);
    return true;
}

bool FollowSystemHighContrast()
{
    HIGHCONTRASTW settings{};
    settings.cbSize = sizeof(settings);
    const bool on = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(settings), &settings, 0) &&
                    (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
    SetActiveCustomStyleColors(on ? nullptr : gActiveTheme);
    return on;
}

const TVisualStyle* ActiveTheme()
{
    return gActiveTheme;
}

TColor ActiveThemeTextColor(TColor fallback)
{
    return gActiveTheme != nullptr ? gActiveTheme->WindowTextColor() : fallback;
}

TControlStyler* ActiveControlStyler()
{
    return gControlStyler;
}

void SetControlStyler(TControlStyler* styler)
{
    gControlStyler = styler;
}

HBRUSH TBrushCache::Brush(TColor color)
{
    const COLORREF key = ColorToRGB(color);
    TBrushHandle& brush = FBrushes[key];
    if (!brush)
        brush.reset(CreateSolidBrush(key));
    return brush.get();
}

LRESULT AnswerWithColors(HDC dc, const TPartColors& colors, TBrushCache& brushes)
{
    SetTextColor(dc, ColorToRGB(colors.Text));
    SetBkColor(dc, ColorToRGB(colors.Background));
    return reinterpret_cast<LRESULT>(brushes.Brush(colors.Background));
}
