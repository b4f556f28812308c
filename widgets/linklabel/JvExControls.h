#pragma once
// The framework's window-less control, its notifications turned into
// operations a derived control overrides, and the background painter of
// such controls.

#include "framework/Controls.h"
#include "widgets/linklabel/Surface.h"

namespace linklabel {

class TJvExGraphicControl : public TGraphicControl {
public:
    // Whether the pointer is over the control.
    bool MouseOver() const { return FMouseOver; }

    // Paints R of Control's surface as its background: the parent's own
    // background when the platform's visual styles are on, the control has
    // a parent, the surface's brush colour is the parent's Color and the
    // control needs no parent background or may have it; otherwise the
    // brush colour, which an active custom style may replace by its own.
    static void PaintThemedBackground(TGraphicControl& Control, ISurface& Surface, const TRect& R,
                                      bool NeedsParentBackground);

protected:
    // Virtual operations of their own, in this order.
    virtual void TextChanged() {}
    virtual bool HitTest(int, int) { return true; }

    // The framework's notifications as overridable operations.
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void FocusChanged() {}
    virtual void VisibleChanged() {}
    virtual void EnabledChanged() {}
    virtual void ColorChanged() { TGraphicControl::CMColorChanged(); }
    virtual void FontChanged() {}
    virtual void ParentColorChanged() {}
    virtual void ParentFontChanged() {}
    virtual void SystemColorsChanged() {}
    // The parent's high contrast setting changed (IControlParent::HighContrast).
    virtual void HighContrastChanged() {}
    virtual void HintShow() {}
    virtual void ShowHintChanged() {}

private:
    void CMMouseEnter() final;
    void CMMouseLeave() final;
    void CMFocusChanged() final { FocusChanged(); }
    void CMVisibleChanged() final { VisibleChanged(); }
    void CMEnabledChanged() final { EnabledChanged(); }
    void CMColorChanged() final { ColorChanged(); }
    void CMFontChanged() final { FontChanged(); }
    void CMParentColorChanged() final { ParentColorChanged(); }
    void CMParentFontChanged() final { ParentFontChanged(); }
    void CMSysColorChange() final { SystemColorsChanged(); }
    void CMHighContrastChanged() final { HighContrastChanged(); }
    void CMHintShow() final { HintShow(); }
    void CMShowHintChanged() final { ShowHintChanged(); }
    void CMTextChanged() final { TextChanged(); }
    bool CMHitTest(int X, int Y) final { return HitTest(X, Y); }

    bool FMouseOver = false;
};

}  // namespace linklabel
