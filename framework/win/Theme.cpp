#include "framework/win/Theme.h"

#include "framework/win/Dialogs.h"

namespace {
const TThemePalette* gActiveTheme = nullptr;
}

bool ApplyTheme(const std::wstring& name)
{
    const TThemePalette* theme = ThemeRegistry().Find(name);
    if (theme == nullptr) {
        ShowErrorBoxWithButton(nullptr, ThemeNotFoundMessage(name), L"Fehler", L"S&chließen");
        return false;
    }
    gActiveTheme = theme;
    return true;
}

const TThemePalette* ActiveTheme()
{
    return gActiveTheme;
}

TColor ActiveThemeTextColor(TColor fallback)
{
    return gActiveTheme != nullptr ? gActiveTheme->WindowText : fallback;
}
