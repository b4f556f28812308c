#pragma once
// Visual themes by name. A theme is a palette the drawing of windows and
// controls takes its colours from; the program applies one by name at
// start-up. Portable: the registry is plain data.

#include "framework/Colors.h"

#include <string>
#include <vector>

struct TThemePalette {
    std::wstring Name;
    TColor Window;       // window and panel background
    TColor WindowText;   // text on the window background
    TColor ButtonFace;
    TColor ButtonText;
    TColor ButtonHot;    // a button under the mouse
    TColor ButtonPressed;
    TColor EditBackground;
    TColor EditText;
    TColor Border;
    TColor Highlight;
};

class TThemeRegistry {
public:
    void Register(const TThemePalette& palette);
    // The theme of that name (compared without regard to case), or nullptr.
    const TThemePalette* Find(const std::wstring& name) const;
    std::vector<std::wstring> Names() const;

private:
    std::vector<TThemePalette> FThemes;
};

// The themes built into the program.
TThemeRegistry& ThemeRegistry();

// The message shown when a theme of that name does not exist.
std::wstring ThemeNotFoundMessage(const std::wstring& name);
