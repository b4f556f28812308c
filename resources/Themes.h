#pragma once
// The visual themes embedded in the program.

inline constexpr wchar_t kDefaultThemeName[] = L"Smokey Quartz Kamri";

void RegisterBuiltInThemes();
