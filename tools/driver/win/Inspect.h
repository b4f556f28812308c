#pragma once
// Reading windows and controls into JSON.

#include "tools/driver/Json.h"
#include "tools/driver/win/FontReader.h"

#include <windows.h>

// Caption, class, styles, geometry and the flags a test asks about.
// Without fonts (nullptr) the "font" member is left out.
JsonValue DescribeWindow(HWND hwnd, const FontReader* fonts);

// One control: identity, text, geometry (relative to its parent's client
// area and to the top-level window's client area), state, font and what
// its class adds (check state, combo box items, progress range...).
JsonValue DescribeControl(HWND hwnd, HWND top, int depth, const FontReader* fonts);

// Every descendant of top, depth first, siblings in Z-order.
JsonValue DescribeControls(HWND top, const FontReader* fonts);

JsonValue RectJson(const RECT& r);
