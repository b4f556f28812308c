#pragma once
// Readability arithmetic for plain colours (0x00BBGGRR): relative luminance
// of an sRGB colour and the contrast ratio of two colours, as the WCAG
// define them (4.5 : 1 for text, 3 : 1 for disabled text and graphics).

#include "framework/Colors.h"

inline constexpr double kTextContrast = 4.5;
inline constexpr double kMutedContrast = 3.0;

constexpr unsigned RedOf(TColor c) { return c & 0xFFu; }
constexpr unsigned GreenOf(TColor c) { return (c >> 8) & 0xFFu; }
constexpr unsigned BlueOf(TColor c) { return (c >> 16) & 0xFFu; }

// 0 for black to 1 for white.
double RelativeLuminance(TColor color);

// (lighter + 0.05) / (darker + 0.05): 1 for equal colours, 21 for black on
// white; the order of the two does not matter.
double ContrastRatio(TColor a, TColor b);

// Of two candidate text colours, the one that reads better on background.
TColor BetterTextColor(TColor background, TColor first, TColor second);
