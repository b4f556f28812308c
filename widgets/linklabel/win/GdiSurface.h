#pragma once
// The link label's surface on a window that hosts it: drawing goes to the
// host's device context for the control (the paint's, or one held between
// Lock and Unlock), images are memory device contexts.

#include "framework/win/GraphicHost.h"
#include "widgets/linklabel/Surface.h"
#include "widgets/linklabel/win/GdiCanvas.h"

namespace linklabel {

class TGdiSurface : public ISurface {
public:
    TGdiSurface(TGraphicHost& Host, const TGraphicControl& Control);

    void Lock() override { FHost.LockSurface(FControl); }
    void Unlock() override { FHost.UnlockSurface(FControl); }
    TColor BrushColor() const override { return FBrush; }
    void SetBrushColor(TColor Color) override { FBrush = Color; }
    void FillRect(const TRect& R) override;
    void PaintParentBackground(const TRect& R) override;
    void DrawFocusRect(const TRect& R, TColor Color) override;
    void SetFont(const TFont& Font) override { FFonts.SetFont(Font); }
    ICanvas& Canvas() override;
    std::unique_ptr<IImage> MakeImage(int Width, int Height, TColor Brush) override;
    void CopyToImage(IImage& Image, TPoint From) override;
    void DrawImage(const IImage& Image, TPoint At) override;
    bool VisualStylesEnabled() const override;
    TColor ColorToRGB(TColor Color) const override;

    const TFontCache& Fonts() const { return FFonts; }

private:
    HDC DC() const { return FHost.SurfaceDC(FControl); }

    TGraphicHost& FHost;
    const TGraphicControl& FControl;
    TColor FBrush = clWindow;
    TFontCache FFonts;
    TGdiCanvas FCanvas;
};

}  // namespace linklabel
