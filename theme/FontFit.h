#pragma once
// Text that must never be cut off: a word-wrapped label whose text does not
// fit its rectangle with its font takes the largest smaller size of the same
// face that fits. Measuring is the platform's; the rule is here.

#include <string>

struct TTextExtent {
    int Width = 0;
    int Height = 0;
};

class ITextMeasurer {
public:
    virtual ~ITextMeasurer() = default;
    // The extent of the text word-wrapped to wrapWidth with the measurer's
    // face at a character height of pixelHeight.
    virtual TTextExtent Measure(const std::wstring& text, int wrapWidth, int pixelHeight) = 0;
};

// Below this the text is no longer readable; fitting stops here.
inline constexpr int kSmallestFontHeight = 6;

// The character height to draw with: pixelHeight when the text fits width
// by height with it, else the largest smaller height that fits, else (when
// none does down to smallest) smallest. Never larger than pixelHeight.
int FitFontHeight(ITextMeasurer& measurer, const std::wstring& text, int width, int height, int pixelHeight,
                  int smallest = kSmallestFontHeight);
