#include "framework/win/GdiGraphics.h"

#include "framework/StyleColors.h"

#include <uxtheme.h>

namespace {

std::uint32_t SystemColor(int index) { return GetSysColor(index); }

}  // namespace

COLORREF ColorToRGB(TColor color)
{
    if (IsSystemColor(color))
        return GetSysColor(SystemColorIndex(color));
    return static_cast<COLORREF>(color & 0x00FFFFFF);
}

std::optional<COLORREF> PaintColor(TColor color, TColor defaultColor)
{
    const auto resolved = ResolveColor(color, defaultColor, &SystemColor);
    if (!resolved)
        return std::nullopt;
    return static_cast<COLORREF>(*resolved);
}

TFontHandle MakeFont(const TFont& font) { return MakeFont(font, font.Style); }

TFontHandle MakeFont(const TFont& font, TFontStyles styles)
{
    return TFontHandle(CreateFontW(-font.Height, 0, 0, 0, styles.Contains(fsBold) ? FW_BOLD : FW_NORMAL,
                                   styles.Contains(fsItalic), styles.Contains(fsUnderline),
                                   styles.Contains(fsStrikeOut), DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                   font.Name.c_str()));
}

HCURSOR CursorHandle(TCursor cursor)
{
    const wchar_t* id = nullptr;
    switch (cursor) {
    case crArrow:
        id = IDC_ARROW;
        break;
    case crCross:
        id = IDC_CROSS;
        break;
    case crIBeam:
        id = IDC_IBEAM;
        break;
    case crSizeNESW:
        id = IDC_SIZENESW;
        break;
    case crSizeNS:
        id = IDC_SIZENS;
        break;
    case crSizeNWSE:
        id = IDC_SIZENWSE;
        break;
    case crSizeWE:
        id = IDC_SIZEWE;
        break;
    case crUpArrow:
        id = IDC_UPARROW;
        break;
    case crHourGlass:
        id = IDC_WAIT;
        break;
    case crNo:
        id = IDC_NO;
        break;
    case crAppStart:
        id = IDC_APPSTARTING;
        break;
    case crHelp:
        id = IDC_HELP;
        break;
    case crHandPoint:
        id = IDC_HAND;
        break;
    case crSizeAll:
        id = IDC_SIZEALL;
        break;
    default:
        return nullptr;
    }
    return LoadCursorW(nullptr, id);
}

bool PlatformVisualStylesEnabled() { return IsAppThemed() && IsThemeActive(); }
