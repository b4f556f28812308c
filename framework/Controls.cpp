#include "framework/Controls.h"

#include <algorithm>

namespace {

TRect Union(const TRect& a, const TRect& b)
{
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

TShiftState ButtonState(TMouseButton button)
{
    switch (button) {
    case mbLeft:
        return ssLeft;
    case mbRight:
        return ssRight;
    case mbMiddle:
        return ssMiddle;
    default:
        return 0;
    }
}

}  // namespace

TGraphicControl::TGraphicControl() = default;

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::SetParent(IControlParent* Parent)
{
    FParent = Parent;
    if (FParent == nullptr)
        return;
    if (FParentColor)
        TakeParentColor();
    if (FParentFont)
        TakeParentFont();
}

namespace {

int Constrained(int value, int min, int max)
{
    if (max > 0 && value > max)
        value = max;
    if (min > 0 && value < min)
        value = min;
    return value;
}

}  // namespace

void TGraphicControl::SetConstraints(const TSizeConstraints& Value)
{
    if (Value == FConstraints)
        return;
    FConstraints = Value;
    SetBounds(FLeft, FTop, FWidth, FHeight);
}

void TGraphicControl::SetBounds(int Left, int Top, int Width, int Height)
{
    Width = Constrained(Width, FConstraints.MinWidth, FConstraints.MaxWidth);
    Height = Constrained(Height, FConstraints.MinHeight, FConstraints.MaxHeight);
    const TRect old = BoundsRect();
    if (Left == FLeft && Top == FTop && Width == FWidth && Height == FHeight)
        return;
    const bool resized = Width != FWidth || Height != FHeight;
    FLeft = Left;
    FTop = Top;
    FWidth = Width;
    FHeight = Height;
    // Both where it was and where it is now need painting.
    if (FVisible && FParent != nullptr)
        FParent->InvalidateArea(Union(old, BoundsRect()), false);
    if (resized)
        Resize();
}

void TGraphicControl::SetColor(TColor Value)
{
    FParentColor = false;
    if (Value == FColor)
        return;
    FColor = Value;
    CMColorChanged();
}

void TGraphicControl::SetParentColor(bool Value)
{
    if (Value == FParentColor)
        return;
    FParentColor = Value;
    if (FParentColor && FParent != nullptr)
        TakeParentColor();
}

void TGraphicControl::TakeParentColor()
{
    const TColor color = FParent->Color();
    if (color == FColor)
        return;
    FColor = color;
    CMColorChanged();
}

void TGraphicControl::SetFont(const TFont& Value)
{
    FParentFont = false;
    if (Value == FFont)
        return;
    FFont = Value;
    CMFontChanged();
}

void TGraphicControl::SetParentFont(bool Value)
{
    if (Value == FParentFont)
        return;
    FParentFont = Value;
    if (FParentFont && FParent != nullptr)
        TakeParentFont();
}

void TGraphicControl::TakeParentFont()
{
    const TFont& font = FParent->Font();
    if (font == FFont)
        return;
    FFont = font;
    CMFontChanged();
}

void TGraphicControl::SetCursor(TCursor Value)
{
    if (Value == FCursor)
        return;
    FCursor = Value;
    if (FParent != nullptr)
        FParent->ControlCursorChanged(*this);
}

void TGraphicControl::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    FVisible = Value;
    // The parent shows what lies beneath, or the control again.
    if (FParent != nullptr)
        FParent->InvalidateArea(BoundsRect(), false);
    CMVisibleChanged();
}

void TGraphicControl::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    CMEnabledChanged();
    Invalidate();
}

void TGraphicControl::SetText(const std::wstring& Value)
{
    if (Value == FText)
        return;
    FText = Value;
    CMTextChanged();
}

void TGraphicControl::SetHint(const std::wstring& Value) { FHint = Value; }

void TGraphicControl::SetShowHint(bool Value)
{
    FParentShowHint = false;
    if (Value == FShowHint)
        return;
    FShowHint = Value;
    CMShowHintChanged();
}

void TGraphicControl::Invalidate()
{
    if (FVisible && FParent != nullptr)
        FParent->InvalidateArea(BoundsRect(), false);
}

void TGraphicControl::Repaint()
{
    if (FVisible && FParent != nullptr && FParent->HandleAllocated())
        FParent->InvalidateArea(BoundsRect(), true);
}

bool TGraphicControl::HitTest(int X, int Y)
{
    return X >= 0 && Y >= 0 && X < FWidth && Y < FHeight && CMHitTest(X, Y);
}

void TGraphicControl::Loaded() {}

bool TGraphicControl::GetAccessibleInfo(TAccessibleInfo&) const { return false; }

void TGraphicControl::DoDefaultAction() { Click(); }

void TGraphicControl::KeyDown(unsigned, bool) {}

void TGraphicControl::KeyUp(unsigned) {}

void TGraphicControl::HandleFocusChange(bool Focused)
{
    if (Focused == FFocused)
        return;
    FFocused = Focused;
    CMFocusChanged();
    Invalidate();
}

void TGraphicControl::HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FButtonsDown |= ButtonState(Button);
    if (Shift & ssDouble) {
        // The second press of a double click: no click state, so its
        // release makes no second click.
        if (Button == mbLeft && (FControlStyle & csDoubleClicks))
            DblClick();
    } else if (Button == mbLeft && (FControlStyle & csClickEvents)) {
        FClicked = true;
    }
    MouseDown(Button, Shift, X, Y);
}

void TGraphicControl::HandleMouseMove(TShiftState Shift, int X, int Y) { MouseMove(Shift, X, Y); }

void TGraphicControl::HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FButtonsDown &= ~ButtonState(Button);
    if (Button == mbLeft && FClicked) {
        FClicked = false;
        if (X >= 0 && Y >= 0 && X < FWidth && Y < FHeight)
            Click();
    }
    MouseUp(Button, Shift, X, Y);
}

void TGraphicControl::HandleMouseEnter() { CMMouseEnter(); }

void TGraphicControl::HandleMouseLeave() { CMMouseLeave(); }

void TGraphicControl::HandleCancelMode()
{
    if (FClicked || FButtonsDown != 0) {
        FButtonsDown = 0;
        FClicked = false;
        MouseUp(mbLeft, 0, -1, -1);
    }
}

void TGraphicControl::HandleParentColorChange()
{
    if (FParentColor && FParent != nullptr)
        TakeParentColor();
    CMParentColorChanged();
}

void TGraphicControl::HandleParentFontChange()
{
    if (FParentFont && FParent != nullptr)
        TakeParentFont();
    CMParentFontChanged();
}

void TGraphicControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TGraphicControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TGraphicControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TGraphicControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TGraphicControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TGraphicControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

void TGraphicControl::CMColorChanged() { Invalidate(); }
