#include "framework/win/Theme.h"

#include "framework/win/Dialogs.h"

namespace {
const TVisualStyle* gActiveTheme = nullptr;
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
