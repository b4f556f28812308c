#pragma once
// Plain value types of the link label core: points, rectangles, font styles.
// They live in the namespace linklabel so that the framework's own graphic
// types can never collide with them.

#include <cstdint>
#include <initializer_list>

namespace linklabel {

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// All four edges belong to the rectangle (see TGraphicTools::IsPointInRect).
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
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

}  // namespace linklabel
