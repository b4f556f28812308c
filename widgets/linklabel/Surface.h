#pragma once
// What the link label needs of its platform to draw itself: its control
// surface (the parent's drawing area, in control coordinates, clipped to
// the control) and off-screen images on which the layout draws like on any
// canvas. The GDI side lives in win/; host tests use a fake.

#include <memory>

#include "framework/Graphics.h"
#include "widgets/linklabel/Canvas.h"

namespace linklabel {

// An off-screen image, filled with its brush colour when made. Text is
// drawn on it without background.
class IImage : public ICanvas {
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

class ISurface {
public:
    virtual ~ISurface() = default;

    // Drawing outside a paint happens between Lock and Unlock (counted).
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

    virtual TColor BrushColor() const = 0;
    virtual void SetBrushColor(TColor Color) = 0;
    // Fills R (right and bottom edges excluded) with the brush colour.
    virtual void FillRect(const TRect& R) = 0;
    // Lets the parent paint its own background into R, as if the control
    // were not there.
    virtual void PaintParentBackground(const TRect& R) = 0;
    // The focus cue: a dotted rectangle just inside R in a colour.
    virtual void DrawFocusRect(const TRect& R, TColor Color) = 0;

    // The font of the surface and of images made from it.
    virtual void SetFont(const TFont& Font) = 0;
    // The surface as a layout canvas, in the surface's font.
    virtual ICanvas& Canvas() = 0;

    virtual std::unique_ptr<IImage> MakeImage(int Width, int Height, TColor BrushColor) = 0;
    // Copies the image's size of the surface from From into the image at (0,0).
    virtual void CopyToImage(IImage& Image, TPoint From) = 0;
    virtual void DrawImage(const IImage& Image, TPoint At) = 0;

    // Whether the platform draws windows with its visual styles.
    virtual bool VisualStylesEnabled() const = 0;
    // A colour as 0x00BBGGRR (system colours looked up).
    virtual TColor ColorToRGB(TColor Color) const = 0;
};

// Holds a surface's lock for its lifetime.
class TSurfaceLock {
public:
    explicit TSurfaceLock(ISurface& Surface) : FSurface(Surface) { FSurface.Lock(); }
    ~TSurfaceLock() { FSurface.Unlock(); }
    TSurfaceLock(const TSurfaceLock&) = delete;
    TSurfaceLock& operator=(const TSurfaceLock&) = delete;

private:
    ISurface& FSurface;
};

}  // namespace linklabel
