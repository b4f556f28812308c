#pragma once
// Applying a theme by name to the program's windows.

#include "framework/Theme.h"

#include <string>

// Makes the named theme the active one. When no theme has that name, shows
// the box "Fehler" with the message and a single button "S&chließen", keeps
// the system's look and returns false.
bool ApplyTheme(const std::wstring& name);

// The active theme, or nullptr while the system's look is used.
const TThemePalette* ActiveTheme();

// Text colour for controls on the window's background: the active theme's,
// else the given one.
TColor ActiveThemeTextColor(TColor fallback);
