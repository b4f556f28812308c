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
