#include "theme/ScrollBar.h"

#include <algorithm>

TScrollPart ScrollPartAt(const TScrollGeometry& bar, int offset)
{
    if (offset < 0 || offset >= bar.Length)
        return TScrollPart::None;
    const int arrow = std::min(bar.Arrow, bar.Length / 2);
    if (offset < arrow)
        return TScrollPart::ArrowBefore;
    if (offset >= bar.Length - arrow)
        return TScrollPart::ArrowAfter;
    if (bar.ThumbEnd <= bar.ThumbStart)
        return offset < bar.Length / 2 ? TScrollPart::PageBefore : TScrollPart::PageAfter;
    if (offset < bar.ThumbStart)
        return TScrollPart::PageBefore;
    if (offset >= bar.ThumbEnd)
        return TScrollPart::PageAfter;
    return TScrollPart::Thumb;
}

int ClampThumbStart(const TScrollGeometry& bar, int start)
{
    const int arrow = std::min(bar.Arrow, bar.Length / 2);
    const int last = std::max(arrow, bar.Length - arrow - (bar.ThumbEnd - bar.ThumbStart));
    return std::clamp(start, arrow, last);
}

int ScrollPositionForThumb(const TScrollGeometry& bar, const TScrollRange& range, int start)
{
    const int arrow = std::min(bar.Arrow, bar.Length / 2);
    const int travel = bar.Length - 2 * arrow - (bar.ThumbEnd - bar.ThumbStart);
    const int last = std::max(range.Min, range.Max - std::max(range.Page - 1, 0));
    if (travel <= 0 || last <= range.Min)
        return range.Min;
    const long long moved = ClampThumbStart(bar, start) - arrow;
    // Rounded to the nearest position, as the system's thumb does.
    return range.Min + static_cast<int>((moved * (last - range.Min) + travel / 2) / travel);
}
