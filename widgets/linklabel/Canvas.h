#pragma once
// The drawing surface the layout needs: measuring and drawing text in the
// current font, whose style and colour it sets. Everything else about the
// font (face, size) is the owner's business.

#include <string_view>

#include "widgets/linklabel/Colors.h"
#include "widgets/linklabel/Types.h"

namespace linklabel {

class ICanvas {
public:
    virtual ~ICanvas() = default;

    // Width and height in pixels of Text in the current font.
    virtual int TextWidth(std::wstring_view Text) = 0;
    virtual int TextHeight(std::wstring_view Text) = 0;

    virtual TFontStyles GetFontStyle() const = 0;
    virtual void SetFontStyle(TFontStyles Style) = 0;
    // A system colour (0xFF000000 plus an index) stands for the system's
    // colour of that index; the canvas resolves it.
    virtual void SetFontColor(TColor Color) = 0;

    // Draws Text with its top-left corner at (X, Y), without background.
    virtual void DrawString(int X, int Y, std::wstring_view Text) = 0;
};

}  // namespace linklabel
