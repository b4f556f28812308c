#pragma once
// Applying a visual style by name to the program's windows.

#include "framework/Theme.h"

#include <string>

// Makes the named style the active one: from then on painting takes the
// style's colours for the system colours it replaces. When no style has that name, shows
// the box "Fehler" with the message and a single button "S&chließen", keeps
// the system's look and returns false.
bool ApplyTheme(const std::wstring& name);

// The active style, or nullptr while the system's look is used.
const TVisualStyle* ActiveTheme();

// Text colour for controls on the window's background: the active style's,
// else the given one.
TColor ActiveThemeTextColor(TColor fallback);
