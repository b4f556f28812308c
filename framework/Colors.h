#pragma once
// Colour values as the whole program stores them: 0x00BBGGRR for a plain
// colour, 0xFF000000 plus the index for a system colour.

#include <cstdint>

using TColor = std::uint32_t;

constexpr TColor RGBColor(unsigned r, unsigned g, unsigned b)
{
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clPurple = 0x800080;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr bool IsSystemColor(TColor c) { return (c & 0xFF000000) == clSystemColor; }
