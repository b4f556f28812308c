#pragma once
// Text of windows: reading it whole, measuring it in a font.

#include <windows.h>

#include <string>

std::wstring WindowText(HWND window);
// Width and height of text in the font, measured on the window's screen.
SIZE TextExtent(HWND window, HFONT font, const std::wstring& text);
