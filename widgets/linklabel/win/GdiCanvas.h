#pragma once
// The link layout's canvas on GDI: text measured and drawn in a font of
// the control's face and size, one font per set of styles (made on first
// use and kept), in the current colour, without background; and off-screen
// images (memory device contexts) the layout draws on the same way.

#include "framework/win/Handle.h"
#include "widgets/linklabel/Surface.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string_view>

namespace linklabel {

class TFontCache {
public:
    // Forgets the fonts made so far when the face or size differ.
    void SetFont(const TFont& Font);
    const TFont& Font() const { return FFont; }
    HFONT Get(TFontStyles Styles);
    int Count() const { return static_cast<int>(FFonts.size()); }

private:
    TFont FFont;
    std::map<std::uint8_t, TFontHandle> FFonts;
};

class TGdiCanvas : public ICanvas {
public:
    explicit TGdiCanvas(TFontCache& Fonts) : FFonts(Fonts) {}
    // Where to draw; without one text is only measured (on the screen).
    void SetDC(HDC DC) { FDC = DC; }

    int TextWidth(std::wstring_view Text) override;
    int TextHeight(std::wstring_view Text) override;
    TFontStyles GetFontStyle() const override { return FStyle; }
    void SetFontStyle(TFontStyles Style) override { FStyle = Style; }
    void SetFontColor(TColor Color) override { FColor = Color; }
    // clNone draws nothing; clDefault is the window text colour.
    void DrawString(int X, int Y, std::wstring_view Text) override;

private:
    SIZE Extent(std::wstring_view Text);

    TFontCache& FFonts;
    HDC FDC = nullptr;
    TFontStyles FStyle;
    TColor FColor = clWindowText;
};

class TGdiImage : public IImage {
public:
    // Compatible with Reference (the screen when nullptr), filled with
    // Brush (clNone: left as made).
    TGdiImage(HDC Reference, int Width, int Height, TColor Brush, TFontCache& Fonts);
    ~TGdiImage() override;
    TGdiImage(const TGdiImage&) = delete;
    TGdiImage& operator=(const TGdiImage&) = delete;

    HDC DC() const { return FDC.get(); }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }

    int TextWidth(std::wstring_view Text) override { return FCanvas.TextWidth(Text); }
    int TextHeight(std::wstring_view Text) override { return FCanvas.TextHeight(Text); }
    TFontStyles GetFontStyle() const override { return FCanvas.GetFontStyle(); }
    void SetFontStyle(TFontStyles Style) override { FCanvas.SetFontStyle(Style); }
    void SetFontColor(TColor Color) override { FCanvas.SetFontColor(Color); }
    void DrawString(int X, int Y, std::wstring_view Text) override { FCanvas.DrawString(X, Y, Text); }

private:
    int FWidth;
    int FHeight;
    TMemoryDC FDC;
    TBitmapHandle FBitmap;
    HGDIOBJ FOldBitmap = nullptr;
    TGdiCanvas FCanvas;
};

// Fills R of the DC (right and bottom edges excluded); clNone fills nothing.
void FillWithColor(HDC DC, const TRect& R, TColor Color);

}  // namespace linklabel
