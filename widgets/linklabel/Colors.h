#pragma once
// Colour names and numbers of the caption language. The values themselves
// are the program's (framework/Colors.h); a canvas resolves system colours.

#include <cstdint>
#include <string_view>

#include "framework/Colors.h"

namespace linklabel {

// The program's one set of colours, seen from inside this namespace.
using ::TColor;

// The colour of a name such as "clRed" (letter case ignored).
bool IdentToColor(std::wstring_view ident, TColor& color);

// The integer conversion of the framework: optional leading spaces and sign,
// then decimal digits, or hexadecimal digits after "$", "x" or "0x" (either
// case). Decimal values must fit a signed 32-bit integer, hexadecimal ones
// 32 bits. Nothing may follow the digits.
bool TryStrToInt(std::wstring_view s, std::int32_t& value);

// A colour name or an integer, which is the colour value itself.
bool TryStringToColor(std::wstring_view s, TColor& color);

}  // namespace linklabel
