#include "framework/Theme.h"

#include "framework/StrUtils.h"

bool TThemeRegistry::Register(std::unique_ptr<TVisualStyle> style)
{
    if (!style || Find(style->Name()) != nullptr)
        return false;
    FStyles.push_back(std::move(style));
    return true;
}

TVisualStyle* TThemeRegistry::Find(const std::wstring& name) const
{
    const std::wstring wanted = LowerCaseLatin(name);
    for (const auto& style : FStyles)
        if (LowerCaseLatin(style->Name()) == wanted)
            return style.get();
    return nullptr;
}

std::vector<std::wstring> TThemeRegistry::Names() const
{
    std::vector<std::wstring> names;
    for (const auto& style : FStyles)
        names.push_back(style->Name());
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
