#pragma once
// Plain graphic values of the application layer: points, rectangles, font
// styles, fonts, cursors. Portable; the Win32 side turns them into GDI
// objects.

#include <cstdint>
#include <initializer_list>
#include <string>

#include "framework/Colors.h"

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Where a rectangle's edges belong is the user's business: the link
// layout counts all four edges in, window-less controls count the right
// and bottom edges out (as the system does for a client rectangle).
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of font styles.
class TFontStyles {
public:
    constexpr TFontStyles() = default;
    constexpr TFontStyles(std::initializer_list<TFontStyle> styles)
    {
        for (TFontStyle s : styles)
            FBits = static_cast<std::uint8_t>(FBits | Bit(s));
    }

    constexpr bool Contains(TFontStyle s) const { return (FBits & Bit(s)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr std::uint8_t Bits() const { return FBits; }

    constexpr TFontStyles operator+(TFontStyle s) const { return FromBits(FBits | Bit(s)); }
    constexpr TFontStyles operator+(TFontStyles other) const { return FromBits(FBits | other.FBits); }
    constexpr TFontStyles operator-(TFontStyle s) const { return FromBits(FBits & ~Bit(s)); }

    friend bool operator==(const TFontStyles&, const TFontStyles&) = default;

private:
    static constexpr std::uint8_t Bit(TFontStyle s) { return static_cast<std::uint8_t>(1u << s); }
    static constexpr TFontStyles FromBits(unsigned bits)
    {
        TFontStyles r;
        r.FBits = static_cast<std::uint8_t>(bits);
        return r;
    }

    std::uint8_t FBits = 0;
};

// A font as a control carries it: face, character height in pixels,
// styles and text colour.
struct TFont {
    std::wstring Name = L"Tahoma";
    int Height = 11;
    TFontStyles Style;
    TColor Color = clWindowText;
    friend bool operator==(const TFont&, const TFont&) = default;
};

// Cursor numbers; crDefault means "the parent's cursor".
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;
