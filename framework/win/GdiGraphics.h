#pragma once
// The application layer's graphic values as GDI sees them: colours,
// fonts, cursors, and whether the system's visual styles draw the windows.

#include "framework/Graphics.h"
#include "framework/win/Handle.h"

#include <windows.h>

#include <optional>

// The system colour or plain colour as a COLORREF.
COLORREF ColorToRGB(TColor color);

// What a colour paints as: an active custom style's colour for a system
// colour, the system's otherwise, DefaultColor for clDefault, nothing for
// clNone.
std::optional<COLORREF> PaintColor(TColor color, TColor defaultColor);

// A new font of the face, character height (pixels) and styles.
TFontHandle MakeFont(const TFont& font);
TFontHandle MakeFont(const TFont& font, TFontStyles styles);

// The shared cursor of a cursor number; nullptr for crDefault (the parent's)
// and crNone.
HCURSOR CursorHandle(TCursor cursor);

// Whether the system's visual styles draw this program's windows.
bool PlatformVisualStylesEnabled();
