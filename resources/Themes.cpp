#include "resources/Themes.h"

#include "framework/Theme.h"
#include "theme/PaletteStyle.h"

#include <memory>

namespace {

using R = TThemeRole;

// Smoky quartz: warm light greys with a dusky rose accent, set off against
// the main window's dark teal, which stays the window's own colour.
constexpr TRoleColor kSmokeyQuartzKamri[] = {
    {R::Form, RGBColor(0x00, 0x40, 0x50)},
    {R::FormText, RGBColor(0xFF, 0xFF, 0xFF)},
    {R::Face, RGBColor(0xE8, 0xE3, 0xE1)},
    {R::FaceText, RGBColor(0x2A, 0x25, 0x27)},
    {R::DisabledText, RGBColor(0x6E, 0x62, 0x64)},
    {R::Border, RGBColor(0x8A, 0x7D, 0x7F)},
    {R::BorderDark, RGBColor(0x4D, 0x44, 0x46)},
    {R::Light, RGBColor(0xFF, 0xFF, 0xFF)},

    {R::ButtonFace, RGBColor(0xDC, 0xD4, 0xD1)},
    {R::ButtonHotFace, RGBColor(0xF1, 0xEA, 0xE7)},
    {R::ButtonPressedFace, RGBColor(0xB7, 0xA9, 0xA6)},
    {R::ButtonDisabledFace, RGBColor(0xCF, 0xC9, 0xC7)},
    {R::ButtonText, RGBColor(0x22, 0x1E, 0x1F)},
    {R::ButtonDisabledText, RGBColor(0x6E, 0x66, 0x68)},
    {R::ButtonBorder, RGBColor(0x76, 0x6A, 0x6C)},
    {R::FocusRing, RGBColor(0x7C, 0x4F, 0x5C)},

    {R::EditBackground, RGBColor(0xFB, 0xF9, 0xF8)},
    {R::EditText, RGBColor(0x1E, 0x1B, 0x1C)},
    {R::EditBorder, RGBColor(0x8A, 0x7D, 0x7F)},
    {R::EditFocusBorder, RGBColor(0x7C, 0x4F, 0x5C)},
    {R::SelectionBackground, RGBColor(0x7C, 0x4F, 0x5C)},
    {R::SelectionText, RGBColor(0xFF, 0xFF, 0xFF)},

    {R::ComboButtonFace, RGBColor(0xDC, 0xD4, 0xD1)},
    {R::ComboButtonHotFace, RGBColor(0xF1, 0xEA, 0xE7)},
    {R::ComboArrow, RGBColor(0x3A, 0x33, 0x35)},
    {R::ListBackground, RGBColor(0xFB, 0xF9, 0xF8)},
    {R::ListText, RGBColor(0x1E, 0x1B, 0x1C)},
    {R::ListSelectedBackground, RGBColor(0x7C, 0x4F, 0x5C)},
    {R::ListSelectedText, RGBColor(0xFF, 0xFF, 0xFF)},

    {R::GroupFrame, RGBColor(0x7F, 0xA6, 0xB0)},
    {R::GroupCaption, RGBColor(0xFF, 0xFF, 0xFF)},

    {R::GlyphBackground, RGBColor(0xFB, 0xF9, 0xF8)},
    {R::GlyphBorder, RGBColor(0xB9, 0xCD, 0xD3)},
    {R::GlyphHotBorder, RGBColor(0xE7, 0xC9, 0xD0)},
    {R::GlyphMark, RGBColor(0x7C, 0x4F, 0x5C)},

    {R::ProgressTrack, RGBColor(0x00, 0x2A, 0x35)},
    {R::ProgressFill, RGBColor(0xD7, 0xA7, 0xB2)},
    {R::ProgressBorder, RGBColor(0x7F, 0xA6, 0xB0)},

    {R::ScrollTrack, RGBColor(0xED, 0xE8, 0xE6)},
    {R::ScrollThumb, RGBColor(0x8A, 0x7D, 0x7F)},
    {R::ScrollThumbHot, RGBColor(0x76, 0x6A, 0x6C)},
    {R::ScrollButtonFace, RGBColor(0xDC, 0xD4, 0xD1)},
    {R::ScrollArrow, RGBColor(0x3A, 0x33, 0x35)},
};

// The system colours this theme paints in its own: what controls and the
// link label fill or write with. Title bars, borders, menus and the desktop
// stay the system's.
constexpr TSystemColorRole kSmokeyQuartzKamriSystemColors[] = {
    {0, R::ScrollTrack},           // COLOR_SCROLLBAR
    {5, R::EditBackground},        // COLOR_WINDOW
    {6, R::Border},                // COLOR_WINDOWFRAME
    {8, R::EditText},              // COLOR_WINDOWTEXT
    {13, R::SelectionBackground},  // COLOR_HIGHLIGHT
    {14, R::SelectionText},        // COLOR_HIGHLIGHTTEXT
    {15, R::Face},                 // COLOR_BTNFACE
    {16, R::Border},               // COLOR_BTNSHADOW
    {17, R::DisabledText},         // COLOR_GRAYTEXT
    {18, R::FaceText},             // COLOR_BTNTEXT
    {20, R::Light},                // COLOR_BTNHIGHLIGHT
    {21, R::BorderDark},           // COLOR_3DDKSHADOW
    {22, R::Light},                // COLOR_3DLIGHT
};

}  // namespace

const TPalette& SmokeyQuartzKamri()
{
    static const TPalette palette(kDefaultThemeName, kSmokeyQuartzKamri, kSmokeyQuartzKamriSystemColors);
    return palette;
}

void RegisterBuiltInThemes()
{
    ThemeRegistry().Register(std::make_unique<TPaletteStyle>(SmokeyQuartzKamri()));
}
