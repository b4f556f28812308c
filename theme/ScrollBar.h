#pragma once
// A scroll bar along one axis, as the engine draws and drives it: two arrow
// buttons at its ends and a thumb between them. Which part a point along
// the bar is on, and which scroll position a thumb dragged somewhere means.

enum class TScrollPart { None, ArrowBefore, PageBefore, Thumb, PageAfter, ArrowAfter };

struct TScrollGeometry {
    int Length = 0;      // of the whole bar
    int Arrow = 0;       // of each arrow button
    int ThumbStart = 0;  // along the bar from its start; ThumbEnd == ThumbStart: no thumb
    int ThumbEnd = 0;
};

// The scroll range as the system keeps it.
struct TScrollRange {
    int Min = 0;
    int Max = 0;
    int Page = 0;
};

// The part at an offset along the bar; None outside it.
TScrollPart ScrollPartAt(const TScrollGeometry& bar, int offset);

// Where the thumb may start: from the end of the first arrow to the start
// of the second less the thumb's length.
int ClampThumbStart(const TScrollGeometry& bar, int start);

// The scroll position a thumb starting at start stands for: the track
// between the arrows shares the range out evenly, the last position being
// Max - Page + 1.
int ScrollPositionForThumb(const TScrollGeometry& bar, const TScrollRange& range, int start);
