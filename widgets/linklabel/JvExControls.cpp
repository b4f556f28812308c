#include "widgets/linklabel/JvExControls.h"

#include "framework/StyleColors.h"

namespace linklabel {

void TJvExGraphicControl::CMMouseEnter()
{
    FMouseOver = true;
    MouseEnter();
}

void TJvExGraphicControl::CMMouseLeave()
{
    FMouseOver = false;
    MouseLeave();
}

void TJvExGraphicControl::PaintThemedBackground(TGraphicControl& Control, ISurface& Surface, const TRect& R,
                                                 bool NeedsParentBackground)
{
    const TColor brush = Surface.BrushColor();
    IControlParent* parent = Control.Parent();
    // A custom style draws with its own colours, not with the platform's.
    if (Surface.VisualStylesEnabled() && ActiveCustomStyleColors() == nullptr && parent != nullptr) {
        const TColor parentColor = parent->Color();
        const bool parentsColor =
            brush == parentColor || Surface.ColorToRGB(brush) == Surface.ColorToRGB(parentColor);
        if (parentsColor && (!NeedsParentBackground || (Control.ControlStyle() & csParentBackground))) {
            Surface.PaintParentBackground(R);
            return;
        }
    }
    Surface.SetBrushColor(StyleColor(brush));
    Surface.FillRect(R);
    Surface.SetBrushColor(brush);
}

}  // namespace linklabel
