#pragma once
// The visual themes embedded in the program.

#include "theme/Palette.h"

inline constexpr wchar_t kDefaultThemeName[] = L"Smokey Quartz Kamri";

// The palette of "Smokey Quartz Kamri".
const TPalette& SmokeyQuartzKamri();

// Makes the embedded themes known by name.
void RegisterBuiltInThemes();
