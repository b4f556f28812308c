#pragma once
// Plain value types of the link label core: points, rectangles (all four
// edges belong to a rectangle here, see TGraphicTools::IsPointInRect) and
// font styles. They are the application layer's own.

#include "framework/Graphics.h"

namespace linklabel {

// The application layer's values, seen from inside this namespace.
using ::TFontStyle;
using ::TFontStyles;
using ::TPoint;
using ::TRect;
using ::fsBold;
using ::fsItalic;
using ::fsStrikeOut;
using ::fsUnderline;

}  // namespace linklabel
