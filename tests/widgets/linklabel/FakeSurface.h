#pragma once
// A link label on a fake parent and a fake surface that record what the
// control does: fills, parent backgrounds, images with the text drawn on
// them, text drawn directly on the surface (link redraws), cursors and
// invalidations. Metrics are those of TFakeCanvas.

#include <optional>
#include <stdexcept>
#include <vector>

#include "tests/widgets/linklabel/FakeCanvas.h"
#include "widgets/linklabel/JvLinkLabel.h"

namespace linklabel::test {

class TFakeImage : public TFakeCanvasOf<IImage> {
public:
    TFakeImage(int width, int height, TColor brush) : FWidth(width), FHeight(height), Brush(brush) {}
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }

    int FWidth;
    int FHeight;
    TColor Brush;
    std::optional<TPoint> CopiedFrom;
};

class TFakeSurface : public ISurface {
public:
    struct TFill {
        TRect R;
        TColor Color;
        friend bool operator==(const TFill&, const TFill&) = default;
    };
    struct TImageDrawn {
        TPoint At;
        int Width;
        int Height;
        TColor Brush;
        std::optional<TPoint> CopiedFrom;
        std::vector<TFakeCanvas::TDrawn> Text;
    };

    void Lock() override { ++Locks; }
    void Unlock() override { --Locks; }
    TColor BrushColor() const override { return FBrush; }
    void SetBrushColor(TColor Color) override { FBrush = Color; }
    void FillRect(const TRect& R) override { Fills.push_back({R, FBrush}); }
    void PaintParentBackground(const TRect& R) override { ParentBackgrounds.push_back(R); }
    void DrawFocusRect(const TRect& R, TColor Color) override { FocusRects.push_back({R, Color}); }
    void SetFont(const TFont& Font) override { FontSet = Font; }
    ICanvas& Canvas() override
    {
        if (FailDrawing)
            throw std::runtime_error("surface gone");
        if (Locks == 0)
            DrewUnlocked = true;
        return Screen;
    }
    std::unique_ptr<IImage> MakeImage(int Width, int Height, TColor Brush) override
    {
        return std::make_unique<TFakeImage>(Width, Height, Brush);
    }
    // The copy replaces whatever the image showed.
    void CopyToImage(IImage& Image, TPoint From) override
    {
        auto& image = static_cast<TFakeImage&>(Image);
        image.CopiedFrom = From;
        image.Drawn.clear();
    }
    void DrawImage(const IImage& Image, TPoint At) override
    {
        const auto& image = static_cast<const TFakeImage&>(Image);
        Images.push_back({At, image.FWidth, image.FHeight, image.Brush, image.CopiedFrom, image.Drawn});
    }
    bool VisualStylesEnabled() const override { return VisualStyles; }
    // System colours become 0x0000xx (their index) for the comparison.
    TColor ColorToRGB(TColor Color) const override { return IsSystemColor(Color) ? Color & 0xFF : Color; }

    void Forget()
    {
        Fills.clear();
        ParentBackgrounds.clear();
        Images.clear();
        Screen.Forget();
    }
    // The text of the last paint: "x,y:text" joined by "|", in control
    // coordinates (the image's place added).
    std::wstring Painted() const
    {
        std::wstring out;
        if (Images.empty())
            return out;
        const TImageDrawn& image = Images.back();
        for (const auto& d : image.Text) {
            if (!out.empty())
                out += L"|";
            out += std::to_wstring(d.X + image.At.X) + L"," + std::to_wstring(d.Y + image.At.Y) + L":" + d.Text;
        }
        return out;
    }

    std::vector<TFill> Fills;
    std::vector<TRect> ParentBackgrounds;
    std::vector<TFill> FocusRects;
    std::vector<TImageDrawn> Images;
    TFakeCanvas Screen;
    TFont FontSet;
    int Locks = 0;
    bool DrewUnlocked = false;
    bool VisualStyles = false;
    bool FailDrawing = false;

private:
    TColor FBrush = clWhite;
};

// The parent paints at once what is invalidated with Now, and everything
// pending when the test asks it to.
class TFakeParent : public IControlParent {
public:
    TColor Color() const override { return FColor; }
    const TFont& Font() const override { return FFont; }
    bool HandleAllocated() const override { return WindowExists; }
    void InvalidateArea(const TRect& Area, bool Now) override
    {
        Invalidated.push_back(Area);
        if (Now)
            PaintAll();
        else
            Pending = true;
    }
    void ControlCursorChanged(TGraphicControl& Control) override { Cursors.push_back(Control.Cursor()); }

    // Paints until no paint is pending any more (a change of height brings
    // another one).
    void PaintAll()
    {
        for (int pass = 0; pass < 5; ++pass) {
            Pending = false;
            for (TGraphicControl* control : Controls)
                if (control->Visible())
                    control->HandlePaint();
            if (!Pending)
                return;
        }
    }

    TColor FColor = clBtnFace;
    TFont FFont{L"Tahoma", 11, {}, clWindowText};
    bool WindowExists = true;
    bool Pending = false;
    std::vector<TRect> Invalidated;
    std::vector<TCursor> Cursors;
    std::vector<TGraphicControl*> Controls;
};

// A label of that caption and width at (0,0) on a fake parent, loaded
// from a definition and painted once.
struct TTestLabel {
    explicit TTestLabel(const std::wstring& caption = L"", int width = 160, bool paint = true)
    {
        auto surface = std::make_unique<TFakeSurface>();
        Surface = surface.get();
        Label.SetSurface(std::move(surface));
        Label.SetParent(&Parent);
        Parent.Controls.push_back(&Label);
        Label.SetBounds(0, 0, width, 17);
        Label.SetCaption(caption);
        Label.Loaded();
        if (paint)
            Parent.PaintAll();
    }

    TJvLinkLabel Label;
    TFakeParent Parent;
    TFakeSurface* Surface;
};

}  // namespace linklabel::test
