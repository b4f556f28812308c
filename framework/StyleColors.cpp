#include "framework/StyleColors.h"

namespace {
ICustomStyleColors* gCustomStyle = nullptr;
}

ICustomStyleColors* ActiveCustomStyleColors() { return gCustomStyle; }

void SetActiveCustomStyleColors(ICustomStyleColors* Style) { gCustomStyle = Style; }

TColor StyleColor(TColor Color)
{
    if (gCustomStyle == nullptr || !IsSystemColor(Color))
        return Color;
    return gCustomStyle->SystemColor(Color).value_or(Color);
}

std::optional<std::uint32_t> ResolveColor(TColor Color, TColor DefaultColor, TSysColorLookup SysColor)
{
    if (Color == clNone)
        return std::nullopt;
    if (Color == clDefault) {
        // A default that is itself clDefault or clNone paints nothing.
        if (DefaultColor == clDefault || DefaultColor == clNone)
            return std::nullopt;
        Color = DefaultColor;
    }
    Color = StyleColor(Color);
    if (IsSystemColor(Color))
        return SysColor(SystemColorIndex(Color)) & 0x00FFFFFFu;
    // Other high bytes (a palette index, say) carry no colour of their own.
    return Color & 0x00FFFFFFu;
}
