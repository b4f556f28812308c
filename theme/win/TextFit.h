#pragma once
// The font-fit rule on GDI: measuring word-wrapped text with a face at any
// size, and the font a label's text needs to fit its client rectangle.

#include "framework/win/Handle.h"
#include "theme/FontFit.h"

#include <windows.h>

class TGdiTextMeasurer : public ITextMeasurer {
public:
    // Measures with DrawTextW (flags plus DT_CALCRECT) on dc, with font's
    // face and styles at the size asked for.
    TGdiTextMeasurer(HDC dc, const LOGFONTW& font, UINT flags) : FDc(dc), FFont(font), FFlags(flags) {}
    TTextExtent Measure(const std::wstring& text, int wrapWidth, int pixelHeight) override;

private:
    HDC FDc;
    LOGFONTW FFont;
    UINT FFlags;
};

// The character height of a font in pixels (its LOGFONT height without sign;
// a cell height is turned into a character height).
int FontPixelHeight(HDC dc, HFONT font);

// A smaller font of the same face for text that does not fit width by
// height with font; an empty handle when it fits as it is.
TFontHandle FitFont(HDC dc, HFONT font, const std::wstring& text, int width, int height, UINT flags);
