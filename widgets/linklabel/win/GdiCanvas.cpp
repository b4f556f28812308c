#include "widgets/linklabel/win/GdiCanvas.h"

#include "framework/win/GdiGraphics.h"
#include "framework/win/OSError.h"

namespace linklabel {

namespace {

}  // namespace

void TFontCache::SetFont(const TFont& Font)
{
    if (Font.Name != FFont.Name || Font.Height != FFont.Height)
        FFonts.clear();
    FFont = Font;
}

HFONT TFontCache::Get(TFontStyles Styles)
{
    TFontHandle& font = FFonts[Styles.Bits()];
    if (!font) {
        font = MakeFont(FFont, Styles);
        if (!font)
            RaiseLastOSError();
    }
    return font.get();
}

SIZE TGdiCanvas::Extent(std::wstring_view Text)
{
    const auto measure = [&](HDC dc) {
        SIZE size{0, 0};
        TSelectedObject select(dc, FFonts.Get(FStyle));
        if (dc != nullptr)
            GetTextExtentPoint32W(dc, Text.data(), static_cast<int>(Text.size()), &size);
        return size;
    };
    if (FDC != nullptr)
        return measure(FDC);
    // Without a DC of its own (before the first paint) the screen's measures.
    const TWindowDC screen(nullptr);
    return measure(screen.get());
}

int TGdiCanvas::TextWidth(std::wstring_view Text) { return Extent(Text).cx; }

int TGdiCanvas::TextHeight(std::wstring_view Text) { return Extent(Text).cy; }

void TGdiCanvas::DrawString(int X, int Y, std::wstring_view Text)
{
    const auto color = PaintColor(FColor, clWindowText);
    if (FDC == nullptr || !color)
        return;
    TSelectedObject select(FDC, FFonts.Get(FStyle));
    const int oldMode = SetBkMode(FDC, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(FDC, *color);
    const UINT oldAlign = SetTextAlign(FDC, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    TextOutW(FDC, X, Y, Text.data(), static_cast<int>(Text.size()));
    SetTextAlign(FDC, oldAlign);
    SetTextColor(FDC, oldColor);
    SetBkMode(FDC, oldMode);
}

void FillWithColor(HDC DC, const TRect& R, TColor Color)
{
    const auto color = PaintColor(Color, clWindow);
    if (DC == nullptr || !color || R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    TBrushHandle brush(CreateSolidBrush(*color));
    const RECT r{R.Left, R.Top, R.Right, R.Bottom};
    FillRect(DC, &r, brush.get());
}

TGdiImage::TGdiImage(HDC Reference, int Width, int Height, TColor Brush, TFontCache& Fonts)
    : FWidth(Width), FHeight(Height), FCanvas(Fonts)
{
    {
        const TWindowDC screen(nullptr);
        if (Reference == nullptr)
            Reference = screen.get();
        FDC.reset(CreateCompatibleDC(Reference));
        FBitmap.reset(CreateCompatibleBitmap(Reference, Width, Height));
    }
    if (!FDC || !FBitmap)
        RaiseLastOSError();
    FOldBitmap = SelectObject(FDC.get(), FBitmap.get());
    FCanvas.SetDC(FDC.get());
    FillWithColor(FDC.get(), {0, 0, Width, Height}, Brush);
}

TGdiImage::~TGdiImage()
{
    // The bitmap leaves the DC before either is deleted.
    SelectObject(FDC.get(), FOldBitmap);
}

}  // namespace linklabel
