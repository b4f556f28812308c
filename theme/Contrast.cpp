#include "theme/Contrast.h"

#include <algorithm>
#include <cmath>

namespace {

double Linear(unsigned channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

double RelativeLuminance(TColor color)
{
    return 0.2126 * Linear(RedOf(color)) + 0.7152 * Linear(GreenOf(color)) + 0.0722 * Linear(BlueOf(color));
}

double ContrastRatio(TColor a, TColor b)
{
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TColor BetterTextColor(TColor background, TColor first, TColor second)
{
    return ContrastRatio(first, background) >= ContrastRatio(second, background) ? first : second;
}
