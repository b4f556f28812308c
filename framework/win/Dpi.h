#pragma once
// The resolution a window is shown at. The calls that know a window's own
// resolution came with later Windows versions; they are looked up by name,
// and older systems answer with the screen's resolution.

#include <windows.h>

// Sent to a top-level window when its resolution changes (Windows 8.1 on):
// wParam's words carry the new DPI, lParam points at the suggested window
// rectangle in screen coordinates.
inline constexpr UINT kDpiChangedMessage = 0x02E0;  // WM_DPICHANGED

// The DPI the window is drawn for: its own where the system knows it per
// window or per monitor, else the screen's; 96 when nothing answers.
int WindowDpi(HWND window);
