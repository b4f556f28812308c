#include "widgets/linklabel/win/GdiSurface.h"

#include "framework/win/GdiGraphics.h"

namespace linklabel {

TGdiSurface::TGdiSurface(TGraphicHost& Host, const TGraphicControl& Control)
    : FHost(Host), FControl(Control), FCanvas(FFonts)
{
}

void TGdiSurface::FillRect(const TRect& R) { FillWithColor(DC(), R, FBrush); }

void TGdiSurface::PaintParentBackground(const TRect& R)
{
    FHost.PaintParentBackground(FControl, DC(), RECT{R.Left, R.Top, R.Right, R.Bottom});
}

void TGdiSurface::DrawFocusRect(const TRect& R, TColor Color)
{
    const HDC dc = DC();
    const auto color = PaintColor(Color, clWindowText);
    if (dc == nullptr || !color || R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    // Every other pixel, in the colour itself: drawn twice it stays.
    for (int x = R.Left; x < R.Right; x += 2) {
        SetPixelV(dc, x, R.Top, *color);
        SetPixelV(dc, x, R.Bottom - 1, *color);
    }
    for (int y = R.Top; y < R.Bottom; y += 2) {
        SetPixelV(dc, R.Left, y, *color);
        SetPixelV(dc, R.Right - 1, y, *color);
    }
}

ICanvas& TGdiSurface::Canvas()
{
    FCanvas.SetDC(DC());
    return FCanvas;
}

std::unique_ptr<IImage> TGdiSurface::MakeImage(int Width, int Height, TColor Brush)
{
    return std::make_unique<TGdiImage>(DC(), Width, Height, Brush, FFonts);
}

void TGdiSurface::CopyToImage(IImage& Image, TPoint From)
{
    auto& image = static_cast<TGdiImage&>(Image);
    if (HDC dc = DC())
        BitBlt(image.DC(), 0, 0, image.Width(), image.Height(), dc, From.X, From.Y, SRCCOPY);
}

void TGdiSurface::DrawImage(const IImage& Image, TPoint At)
{
    const auto& image = static_cast<const TGdiImage&>(Image);
    if (HDC dc = DC())
        BitBlt(dc, At.X, At.Y, image.Width(), image.Height(), image.DC(), 0, 0, SRCCOPY);
}

bool TGdiSurface::VisualStylesEnabled() const { return PlatformVisualStylesEnabled(); }

TColor TGdiSurface::ColorToRGB(TColor Color) const { return ::ColorToRGB(Color); }

}  // namespace linklabel
