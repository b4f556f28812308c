#include "framework/Theme.h"

#include "framework/StrUtils.h"

void TThemeRegistry::Register(const TThemePalette& palette)
{
    FThemes.push_back(palette);
}

const TThemePalette* TThemeRegistry::Find(const std::wstring& name) const
{
    const std::wstring wanted = LowerCaseLatin(name);
    for (const auto& theme : FThemes)
        if (LowerCaseLatin(theme.Name) == wanted)
            return &theme;
    return nullptr;
}

std::vector<std::wstring> TThemeRegistry::Names() const
{
    std::vector<std::wstring> names;
    for (const auto& theme : FThemes)
        names.push_back(theme.Name);
    return names;
}

TThemeRegistry& ThemeRegistry()
{
    static TThemeRegistry registry;
    return registry;
}

std::wstring ThemeNotFoundMessage(const std::wstring& name)
{
    return L"Stil '" + name + L"' nicht gefunden";
}
