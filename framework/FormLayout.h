#pragma once
// Where a window definition's controls go at a resolution: every position
// and size is designed at 96 DPI and scales in proportion. Edges scale, not
// widths, so controls that meet at 96 DPI still meet, and at 96 DPI nothing
// moves. Aligned controls share out what their parent leaves.

#include "framework/Dpi.h"
#include "framework/FormDef.h"
#include "framework/Graphics.h"

#include <vector>

struct TFormLayout {
    int Dpi = kDesignDpi;
    int ClientWidth = 0;
    int ClientHeight = 0;
    // One per control of the definition, in its order: the rectangle in the
    // parent's client coordinates. A label without a width has an empty
    // one at its place: it takes the size of its text.
    std::vector<TRect> Bounds;
};

TFormLayout LayoutForm(const TFormDef& form, int dpi);

// The order to create a definition's controls in (indexes into it): every
// control after its parent; among siblings first those outside the tab
// order, as defined, then the others by tab order. The system stacks each
// new child window below its siblings, so this order is the one the tab key
// follows, without restacking afterwards. Controls whose parent is not
// defined come last.
std::vector<std::size_t> CreationOrder(const TFormDef& form);

// A font's character height at the resolution.
int FontHeightForDpi(const TFontDef& font, int dpi);
