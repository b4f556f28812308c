#pragma once
// A canvas with fixed, known metrics that records what is drawn where.
//   plain: a letter is 10 pixels wide, a space 5; bold: 12 and 6.
//   Every text is 13 pixels high, 15 in bold.

#include <string>
#include <vector>

#include "widgets/linklabel/Canvas.h"

namespace linklabel::test {

struct TDrawnText {
    int X;
    int Y;
    std::wstring Text;
    TFontStyles Style;
    TColor Color;
    friend bool operator==(const TDrawnText&, const TDrawnText&) = default;
};

// Base is ICanvas or an interface derived from it (an off-screen image).
template <class Base = ICanvas>
class TFakeCanvasOf : public Base {
public:
    using TDrawn = TDrawnText;

    static constexpr int LetterWidth = 10;
    static constexpr int SpaceWidth = 5;
    static constexpr int BoldLetterWidth = 12;
    static constexpr int BoldSpaceWidth = 6;
    static constexpr int Height = 13;
    static constexpr int BoldHeight = 15;

    int TextWidth(std::wstring_view text) override
    {
        Measured.emplace_back(text);
        const bool bold = FStyle.Contains(fsBold);
        int width = 0;
        for (wchar_t c : text)
            width += c == L' ' ? (bold ? BoldSpaceWidth : SpaceWidth) : (bold ? BoldLetterWidth : LetterWidth);
        return width;
    }
    int TextHeight(std::wstring_view) override { return FStyle.Contains(fsBold) ? BoldHeight : Height; }
    TFontStyles GetFontStyle() const override { return FStyle; }
    void SetFontStyle(TFontStyles style) override { FStyle = style; }
    void SetFontColor(TColor color) override { FColor = color; }
    void DrawString(int x, int y, std::wstring_view text) override
    {
        Drawn.push_back({x, y, std::wstring(text), FStyle, FColor});
    }

    void Forget()
    {
        Drawn.clear();
        Measured.clear();
    }

    std::vector<TDrawn> Drawn;
    std::vector<std::wstring> Measured;

private:
    TFontStyles FStyle;
    TColor FColor = 0;
};

using TFakeCanvas = TFakeCanvasOf<>;

}  // namespace linklabel::test
