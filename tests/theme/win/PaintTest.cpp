#include "resources/Themes.h"
#include "tests/theme/win/Pixels.h"
#include "theme/win/Paint.h"

#include <gtest/gtest.h>

namespace {

using R = TThemeRole;

const TPalette& P() { return SmokeyQuartzKamri(); }

TFontHandle Font(int pixelHeight)
{
    // Without smoothing every text pixel has the text's own colour.
    return TFontHandle(CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
}

}  // namespace

TEST(Paint, ButtonsShowFaceBorderTextAndFocusAtEachResolution)
{
    struct Case {
        TControlState State;
        bool Focused;
        int Dpi;
        int Border;  // pixels
    } const cases[] = {
        {TControlState::Normal, false, 96, 1},   {TControlState::Hot, false, 96, 1},
        {TControlState::Pressed, false, 96, 1},  {TControlState::Disabled, false, 96, 1},
        {TControlState::Normal, true, 96, 2},    {TControlState::Normal, false, 144, 2},
        {TControlState::Hot, true, 144, 3},      {TControlState::Normal, false, 192, 2},
    };
    const TFontHandle font = Font(11);
    for (const Case& c : cases) {
        TCanvas canvas(137, 33);
        const TButtonLook look = ButtonLookFor(P(), c.State, c.Focused);
        PaintButton(canvas.Dc(), RECT{0, 0, 137, 33}, c.Dpi, look, L"Konvertieren", font.get(), c.Focused, false,
                    false);
        const auto where = ::testing::Message() << static_cast<int>(c.State) << " focused " << c.Focused << " at "
                                                << c.Dpi;
        for (int i = 0; i < c.Border; ++i) {
            EXPECT_EQ(canvas.At(i, 16), look.Border) << where << " left edge " << i;
            EXPECT_EQ(canvas.At(136 - i, 16), look.Border) << where << " right edge " << i;
            EXPECT_EQ(canvas.At(68, i), look.Border) << where << " top edge " << i;
        }
        EXPECT_EQ(canvas.At(c.Border, 16), look.Face) << where;
        EXPECT_EQ(canvas.At(c.Border + 2, c.Border + 2), look.Face) << where;
        EXPECT_GT(canvas.Count(RECT{20, 5, 117, 28}, look.Text), 20) << where << ": the caption is drawn";
    }
}

TEST(Paint, TheFocusCueIsADottedRectangleInsideTheBorder)
{
    const TFontHandle font = Font(11);
    const TButtonLook look = ButtonLookFor(P(), TControlState::Normal, true);
    for (bool cue : {false, true}) {
        TCanvas canvas(100, 30);
        PaintButton(canvas.Dc(), RECT{0, 0, 100, 30}, 96, look, L"", font.get(), true, cue, false);
        // Border 2, gap 2: the dotted line runs along x = 4 from y = 4 to
        // 25, every other pixel; between its corners that is 10 dots.
        int dots = 0;
        for (int y = 5; y < 25; ++y)
            dots += canvas.At(4, y) == look.Text ? 1 : 0;
        if (cue)
            EXPECT_EQ(dots, 10);
        else
            EXPECT_EQ(dots, 0);
    }
}

TEST(Paint, RadioAndCheckGlyphsShowTheirStateAndScale)
{
    struct Case {
        TChoiceKind Kind;
        bool Checked;
        TControlState State;
        int Dpi;
        int Size;
    } const cases[] = {
        {TChoiceKind::Radio, true, TControlState::Normal, 96, 13},
        {TChoiceKind::Radio, false, TControlState::Normal, 96, 13},
        {TChoiceKind::Radio, true, TControlState::Hot, 144, 20},
        {TChoiceKind::Check, true, TControlState::Normal, 96, 13},
        {TChoiceKind::Check, false, TControlState::Disabled, 96, 13},
        {TChoiceKind::Check, true, TControlState::Pressed, 144, 20},
    };
    for (const Case& c : cases) {
        TCanvas canvas(40, 40);
        const RECT glyph = ChoiceGlyphRect(RECT{0, 0, 40, 40}, c.Dpi);
        EXPECT_EQ(glyph.right - glyph.left, c.Size);
        EXPECT_EQ(glyph.bottom - glyph.top, c.Size);
        EXPECT_EQ(glyph.top, (40 - c.Size) / 2);  // centred on the control's height
        const TGlyphLook look = GlyphLookFor(P(), c.State);
        PaintChoiceGlyph(canvas.Dc(), glyph, c.Dpi, c.Kind, look, c.Checked);
        const auto where = ::testing::Message() << (c.Kind == TChoiceKind::Radio ? "radio" : "check") << " checked "
                                                << c.Checked << " at " << c.Dpi;
        const int middle = (glyph.top + glyph.bottom) / 2;
        EXPECT_EQ(canvas.At(glyph.left, middle), look.Border) << where;
        const int marks = canvas.Count(glyph, look.Mark);
        if (c.Checked)
            EXPECT_GT(marks, c.Size / 2) << where;
        else
            EXPECT_EQ(marks, 0) << where;
        if (c.Kind == TChoiceKind::Radio)
            EXPECT_EQ(canvas.At((glyph.left + glyph.right) / 2, middle), c.Checked ? look.Mark : look.Background)
                << where;
        else
            EXPECT_EQ(canvas.At(glyph.left + c.Size / 6, glyph.top + c.Size / 6), look.Background) << where;
    }
}

TEST(Paint, ChoiceTextStandsBesideTheGlyphOnTheSurface)
{
    const TFontHandle font = Font(11);
    const TColor surface = P()[R::Form];
    const TColor text = P()[R::FormText];
    TCanvas canvas(161, 33);
    PaintChoice(canvas.Dc(), RECT{0, 0, 161, 33}, 96, TChoiceKind::Radio, GlyphLookFor(P(), TControlState::Normal),
                true, L"maximum (für die Weiterverarbeitung)", font.get(), surface, text, true, false, false);
    EXPECT_EQ(canvas.At(160, 0), surface);
    EXPECT_EQ(canvas.Count(RECT{0, 0, 17, 33}, text), 0) << "no text over the glyph";
    // Word-wrapped onto two lines, both beside the glyph.
    EXPECT_GT(canvas.Count(RECT{17, 0, 161, 16}, text), 20);
    EXPECT_GT(canvas.Count(RECT{17, 16, 161, 33}, text), 20);
}

TEST(Paint, GroupBoxFrameRunsUnderTheCaptionOnTheSurface)
{
    const TFontHandle font = Font(11);
    const TColor surface = P()[R::Form];
    const TColor frame = P()[R::GroupFrame];
    const TColor caption = P()[R::GroupCaption];
    TCanvas canvas(193, 84);
    PaintGroupBox(canvas.Dc(), RECT{0, 0, 193, 84}, 96, L"Komprimierung", font.get(), surface, frame, caption, false);
    TEXTMETRICW metrics{};
    {
        const HGDIOBJ old = SelectObject(canvas.Dc(), font.get());
        GetTextMetricsW(canvas.Dc(), &metrics);
        SelectObject(canvas.Dc(), old);
    }
    const int line = metrics.tmHeight / 2;
    EXPECT_EQ(canvas.At(0, 50), frame);
    EXPECT_EQ(canvas.At(192, 50), frame);
    EXPECT_EQ(canvas.At(100, 83), frame);
    EXPECT_EQ(canvas.At(180, line), frame) << "the top line right of the caption";
    EXPECT_EQ(canvas.At(3, line), frame) << "the top line left of the caption";
    EXPECT_EQ(canvas.At(7, line), surface) << "the gap before the caption";
    EXPECT_EQ(canvas.At(100, 50), surface);
    EXPECT_GT(canvas.Count(RECT{8, 0, 120, metrics.tmHeight}, caption), 30);
}

TEST(Paint, ProgressFillsFromLowToThePosition)
{
    struct Case {
        int Position, Low, High;
        int FilledTo;  // inner pixels filled of 100
    } const cases[] = {
        {0, 0, 100, 0}, {40, 0, 100, 40}, {100, 0, 100, 100}, {150, 0, 100, 100},
        {-5, 0, 100, 0}, {15, 10, 20, 50}, {5, 5, 5, 0},
    };
    for (const Case& c : cases) {
        TCanvas canvas(102, 17);
        PaintProgress(canvas.Dc(), RECT{0, 0, 102, 17}, 96, P(), c.Position, c.Low, c.High);
        const auto where = ::testing::Message() << c.Position << " of " << c.Low << ".." << c.High;
        EXPECT_EQ(canvas.At(0, 8), P()[R::ProgressBorder]) << where;
        EXPECT_EQ(canvas.At(101, 8), P()[R::ProgressBorder]) << where;
        EXPECT_EQ(canvas.Count(RECT{1, 8, 101, 9}, P()[R::ProgressFill]), c.FilledTo) << where;
        EXPECT_EQ(canvas.Count(RECT{1, 8, 101, 9}, P()[R::ProgressTrack]), 100 - c.FilledTo) << where;
    }
}

TEST(Paint, ComboBoxLeavesItsEditFieldAndDrawsItsButton)
{
    TCanvas canvas(60, 21);
    const RECT item{3, 3, 40, 18};
    const RECT button{41, 1, 59, 20};
    PaintComboBox(canvas.Dc(), RECT{0, 0, 60, 21}, 96, item, button, P()[R::EditBorder], P()[R::EditBackground],
                  P()[R::ComboButtonFace], P()[R::ComboArrow]);
    EXPECT_EQ(canvas.Count(item, clWhite), (item.right - item.left) * (item.bottom - item.top))
        << "the edit field paints itself";
    EXPECT_EQ(canvas.At(0, 10), P()[R::EditBorder]);
    EXPECT_EQ(canvas.At(2, 10), P()[R::EditBackground]);
    EXPECT_EQ(canvas.At(43, 3), P()[R::ComboButtonFace]);
    EXPECT_EQ(canvas.At(50, 10), P()[R::ComboArrow]) << "the arrow's middle";
    EXPECT_EQ(canvas.At(40, 10), P()[R::EditBorder]) << "the line left of the button";
}

TEST(Paint, ArrowsPointTheirWay)
{
    struct Case {
        TArrowDirection Direction;
        POINT Tip;      // on the arrow
        POINT Beside;   // beside the tip, not on it
    } const cases[] = {
        {TArrowDirection::Down, {10, 11}, {7, 11}},
        {TArrowDirection::Up, {10, 8}, {7, 8}},
        {TArrowDirection::Right, {11, 10}, {11, 7}},
        {TArrowDirection::Left, {8, 10}, {8, 7}},
    };
    for (const Case& c : cases) {
        TCanvas canvas(21, 21);
        PaintArrow(canvas.Dc(), RECT{0, 0, 21, 21}, 96, c.Direction, clBlack);
        EXPECT_EQ(canvas.At(c.Tip.x, c.Tip.y), clBlack) << static_cast<int>(c.Direction);
        EXPECT_EQ(canvas.At(c.Beside.x, c.Beside.y), clWhite) << static_cast<int>(c.Direction);
        EXPECT_EQ(canvas.Count(RECT{0, 0, 21, 21}, clBlack), 16) << "a 7-pixel wide, 4-pixel high triangle";
    }
}

TEST(Paint, ScrollBarsShowTrackArrowsAndThumb)
{
    struct Case {
        bool Enabled, Hot;
        R Thumb;
    } const cases[] = {
        {true, false, R::ScrollThumb},
        {true, true, R::ScrollThumbHot},
        {false, false, R::ScrollTrack},
    };
    for (const Case& c : cases) {
        TCanvas canvas(17, 120);
        const TScrollBarParts parts{RECT{0, 0, 17, 120}, true, c.Enabled, 17, 40, 70, c.Hot};
        PaintScrollBar(canvas.Dc(), parts, 96, P());
        EXPECT_EQ(canvas.At(8, 55), P()[c.Thumb]) << c.Enabled << c.Hot;
        EXPECT_EQ(canvas.At(8, 30), P()[R::ScrollTrack]);
        EXPECT_EQ(canvas.At(8, 90), P()[R::ScrollTrack]);
        EXPECT_EQ(canvas.At(1, 1), P()[R::ScrollButtonFace]);
        EXPECT_EQ(canvas.At(1, 118), P()[R::ScrollButtonFace]);
        EXPECT_EQ(canvas.At(8, 8), P()[c.Enabled ? R::ScrollArrow : R::ButtonDisabledText]);
    }
}

TEST(Paint, EditFramesLabelsAndListItems)
{
    {
        TCanvas canvas(50, 21);
        PaintEditFrame(canvas.Dc(), RECT{0, 0, 50, 21}, 2, P()[R::EditFocusBorder], P()[R::EditBackground]);
        EXPECT_EQ(canvas.At(0, 10), P()[R::EditFocusBorder]);
        EXPECT_EQ(canvas.At(49, 20), P()[R::EditFocusBorder]);
        EXPECT_EQ(canvas.At(1, 10), P()[R::EditBackground]);
        EXPECT_EQ(canvas.At(2, 10), clWhite) << "the client area is the edit field's";
        PaintEditFrame(canvas.Dc(), RECT{0, 0, 50, 21}, 0, clBlack, clBlack);
        EXPECT_EQ(canvas.Count(RECT{0, 0, 50, 21}, clBlack), 0) << "no edge, no frame";
    }
    const TFontHandle font = Font(13);
    {
        TCanvas canvas(100, 20);
        PaintLabel(canvas.Dc(), RECT{0, 0, 100, 20}, L"Index:", font.get(), P()[R::Form], clWhite, DT_LEFT);
        EXPECT_EQ(canvas.At(99, 19), P()[R::Form]);
        EXPECT_GT(canvas.Count(RECT{0, 0, 100, 20}, clWhite), 20);
    }
    for (bool selected : {false, true}) {
        TCanvas canvas(40, 16);
        const TColor back = P()[selected ? R::ListSelectedBackground : R::ListBackground];
        const TColor text = P()[selected ? R::ListSelectedText : R::ListText];
        PaintListItem(canvas.Dc(), RECT{0, 0, 40, 16}, 96, L"7", font.get(), back, text);
        EXPECT_EQ(canvas.At(39, 0), back);
        EXPECT_GT(canvas.Count(RECT{0, 0, 40, 16}, text), 5);
    }
}
