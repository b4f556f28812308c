#pragma once
// Drops files on a program's window as Explorer does: WM_DROPFILES with an
// HDROP made in the program's own process (through the hook library).

#include "tools/driver/Json.h"

#include <windows.h>

#include <string>
#include <vector>

JsonValue DropFiles(HWND top, const std::vector<std::wstring>& paths, POINT clientPoint);
