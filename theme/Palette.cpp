#include "theme/Palette.h"

#include "framework/Exception.h"

namespace {

constexpr const wchar_t* kRoleNames[] = {
    L"Form", L"FormText", L"Face", L"FaceText", L"DisabledText", L"Border", L"BorderDark", L"Light",
    L"ButtonFace", L"ButtonHotFace", L"ButtonPressedFace", L"ButtonDisabledFace", L"ButtonText",
    L"ButtonDisabledText", L"ButtonBorder", L"FocusRing",
    L"EditBackground", L"EditText", L"EditBorder", L"EditFocusBorder", L"SelectionBackground", L"SelectionText",
    L"ComboButtonFace", L"ComboButtonHotFace", L"ComboArrow", L"ListBackground", L"ListText",
    L"ListSelectedBackground", L"ListSelectedText",
    L"GroupFrame", L"GroupCaption",
    L"GlyphBackground", L"GlyphBorder", L"GlyphHotBorder", L"GlyphMark",
    L"ProgressTrack", L"ProgressFill", L"ProgressBorder",
    L"ScrollTrack", L"ScrollThumb", L"ScrollThumbHot", L"ScrollButtonFace", L"ScrollArrow",
};
static_assert(std::size(kRoleNames) == kThemeRoleCount, "every role needs its name");

}  // namespace

const wchar_t* ThemeRoleName(TThemeRole role)
{
    const auto index = static_cast<std::size_t>(role);
    return index < kThemeRoleCount ? kRoleNames[index] : L"?";
}

TPalette::TPalette(std::wstring name, std::span<const TRoleColor> colors,
                   std::span<const TSystemColorRole> systemColors)
    : FName(std::move(name))
{
    const std::wstring where = L"Palette '" + FName + L"': ";
    std::array<bool, kThemeRoleCount> seen{};
    for (const TRoleColor& entry : colors) {
        const auto index = static_cast<std::size_t>(entry.Role);
        if (index >= kThemeRoleCount)
            throw Exception(where + L"unbekannte Rolle");
        if (seen[index])
            throw Exception(where + L"Rolle " + ThemeRoleName(entry.Role) + L" doppelt");
        if ((entry.Color & 0xFF000000u) != 0)
            throw Exception(where + L"Rolle " + ThemeRoleName(entry.Role) + L" ist keine einfache Farbe");
        seen[index] = true;
        FColors[index] = entry.Color;
    }
    for (std::size_t i = 0; i < kThemeRoleCount; ++i)
        if (!seen[i])
            throw Exception(where + L"Rolle " + kRoleNames[i] + L" fehlt");

    FSystemRole.fill(-1);
    for (const TSystemColorRole& entry : systemColors) {
        const auto role = static_cast<std::size_t>(entry.Role);
        if (entry.Index < 0 || entry.Index >= kSystemColorCount || role >= kThemeRoleCount)
            throw Exception(where + L"ungültige Systemfarbe " + std::to_wstring(entry.Index));
        if (FSystemRole[static_cast<std::size_t>(entry.Index)] >= 0)
            throw Exception(where + L"Systemfarbe " + std::to_wstring(entry.Index) + L" doppelt");
        FSystemRole[static_cast<std::size_t>(entry.Index)] = static_cast<int>(role);
    }
}

bool TPalette::MapsSystemColor(int index) const noexcept
{
    return index >= 0 && index < kSystemColorCount && FSystemRole[static_cast<std::size_t>(index)] >= 0;
}

TColor TPalette::Resolve(TColor color) const noexcept
{
    if (!IsSystemColor(color))
        return color;
    const int index = static_cast<int>(color & 0xFFu);
    // Only indices 0..255 can be addressed; anything outside the palette's
    // map stays the system's.
    if ((color & 0x00FFFF00u) != 0 || !MapsSystemColor(index))
        return color;
    return FColors[static_cast<std::size_t>(FSystemRole[static_cast<std::size_t>(index)])];
}
