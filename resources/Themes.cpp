#include "resources/Themes.h"

#include "framework/Theme.h"

void RegisterBuiltInThemes()
{
    // A smoky, warm dark grey with quartz-pink accents.
    ThemeRegistry().Register(TThemePalette{
        kDefaultThemeName,
        RGBColor(0x3A, 0x37, 0x38),  // Window
        RGBColor(0xEC, 0xE6, 0xE3),  // WindowText
        RGBColor(0x52, 0x4D, 0x4E),  // ButtonFace
        RGBColor(0xF2, 0xEC, 0xE9),  // ButtonText
        RGBColor(0x6A, 0x61, 0x63),  // ButtonHot
        RGBColor(0x8A, 0x6E, 0x74),  // ButtonPressed
        RGBColor(0x2B, 0x29, 0x2A),  // EditBackground
        RGBColor(0xF5, 0xF0, 0xEE),  // EditText
        RGBColor(0x1E, 0x1C, 0x1D),  // Border
        RGBColor(0xB8, 0x8A, 0x94),  // Highlight
    });
}
