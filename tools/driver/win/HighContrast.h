#pragma once
// Makes a running program see Windows' high contrast switched on or off
// (see HighContrastQuery.h) and tells it, as Windows does, with
// WM_SETTINGCHANGE to each of its top-level windows.

#include "tools/driver/Json.h"

#include <windows.h>

// {high_contrast, windows (told), colors: {window, window_text, hotlight,
// highlight, btnface, btntext}: the system colours as "#rrggbb"}
JsonValue SetHighContrast(HWND top, bool on, DWORD settleMs);
