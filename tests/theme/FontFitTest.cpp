#include "theme/FontFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

namespace {

// Fixed metrics: every character is half the height wide (rounded up), a
// line is the height plus a fifth. Words wrap at blanks like a label's.
class TFakeMeasurer : public ITextMeasurer {
public:
    TTextExtent Measure(const std::wstring& text, int wrapWidth, int pixelHeight) override
    {
        Asked.push_back(pixelHeight);
        if (const auto forced = Forced.find(pixelHeight); forced != Forced.end())
            return forced->second;
        const int charWidth = (pixelHeight + 1) / 2;
        const int lineHeight = pixelHeight + pixelHeight / 5;
        std::wistringstream words(text);
        std::wstring word;
        int lines = 0, line = 0, widest = 0;
        while (words >> word) {
            const int w = static_cast<int>(word.size()) * charWidth;
            const int joined = line == 0 ? w : line + charWidth + w;
            if (line != 0 && joined > wrapWidth) {
                ++lines;
                line = w;
            } else {
                line = joined;
            }
            widest = std::max(widest, line);
        }
        if (line != 0)
            ++lines;
        return TTextExtent{widest, lines * lineHeight};
    }

    std::vector<int> Asked;
    std::map<int, TTextExtent> Forced;
};

}  // namespace

TEST(FontFit, TheLargestSizeThatFitsIsTaken)
{
    const std::wstring text = L"Sie müssen diese in eine neue Install.WIM überführen.";
    struct Case {
        int Width, Height, Start, Expected;
    } const cases[] = {
        {400, 20, 13, 13},  // one line of 13-pixel text: fits as it is
        {200, 48, 13, 13},  // two lines of 15 pixels
        {200, 29, 13, 12},  // two lines of 14 pixels
        {150, 30, 13, 10},  // three lines down to 11, two at 10
        {400, 14, 13, 12},  // one pixel too low for a line of 13
        {60, 20, 13, 6},    // fits nowhere: the smallest readable size
    };
    for (const Case& c : cases) {
        TFakeMeasurer measurer;
        const int size = FitFontHeight(measurer, text, c.Width, c.Height, c.Start);
        EXPECT_EQ(size, c.Expected) << c.Width << "x" << c.Height;
        // Nothing larger than the font at hand is ever tried.
        EXPECT_LE(*std::max_element(measurer.Asked.begin(), measurer.Asked.end()), c.Start);
        // Every larger size up to the one at hand was measured and did not fit.
        for (int larger = c.Expected + 1; larger <= c.Start; ++larger)
            EXPECT_NE(std::find(measurer.Asked.begin(), measurer.Asked.end(), larger), measurer.Asked.end())
                << larger;
    }
}

TEST(FontFit, AWordWiderThanTheRectangleAlsoShrinksTheFont)
{
    TFakeMeasurer measurer;
    // "Weiterverarbeitung)" is 19 characters: 19 * 5 = 95 pixels at 10 and 9.
    EXPECT_EQ(FitFontHeight(measurer, L"(für die Weiterverarbeitung)", 90, 100, 11), 8);
}

TEST(FontFit, SizesThatDoNotShrinkSteadilyStillGiveTheLargestFit)
{
    TFakeMeasurer measurer;
    measurer.Forced[13] = {10, 50};
    measurer.Forced[12] = {10, 40};  // fits
    measurer.Forced[11] = {10, 60};  // hinting made it taller
    EXPECT_EQ(FitFontHeight(measurer, L"x", 100, 45, 13), 12);
    measurer.Forced[12] = {10, 46};
    measurer.Forced[10] = {10, 45};
    EXPECT_EQ(FitFontHeight(measurer, L"x", 100, 45, 13), 10);
}

TEST(FontFit, ATinyFontAtHandIsLeftAsItIs)
{
    TFakeMeasurer measurer;
    EXPECT_EQ(FitFontHeight(measurer, L"ein langer Text ohne Platz", 10, 5, 4), 4);
    EXPECT_EQ(FitFontHeight(measurer, L"", 0, 0, 11), 11);
}
