#include "theme/FontFit.h"

int FitFontHeight(ITextMeasurer& measurer, const std::wstring& text, int width, int height, int pixelHeight,
                  int smallest)
{
    // Downward one step at a time: text extents do not always shrink with
    // the size (hinting), so a bisection could miss the largest fit.
    for (int size = pixelHeight; size > smallest; --size) {
        const TTextExtent extent = measurer.Measure(text, width, size);
        if (extent.Width <= width && extent.Height <= height)
            return size;
    }
    return smallest < pixelHeight ? smallest : pixelHeight;
}
