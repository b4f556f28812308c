#pragma once
// What the driver and its hook library agree on to make a running program
// see Windows' high contrast switched on or off. Wine cannot switch it
// (SPI_GETHIGHCONTRAST always answers "off", SPI_SETHIGHCONTRAST fails), so
// the hook replaces the program's import of SystemParametersInfoW with one
// that answers SPI_GETHIGHCONTRAST as asked and passes everything else on;
// the driver then sends WM_SETTINGCHANGE as Windows does.

#include <windows.h>

// Registered message sent to the top-level window; wParam 1 for on, 0 for
// off. The hook answers 1 when the program's import is replaced.
inline const wchar_t kHighContrastMessageName[] = L"NimdriveHighContrast.1";
