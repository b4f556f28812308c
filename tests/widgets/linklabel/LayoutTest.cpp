#include "widgets/linklabel/Renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "widgets/linklabel/Errors.h"
#include "widgets/linklabel/Parser.h"
#include "widgets/linklabel/TextHandler.h"
#include "tests/widgets/linklabel/FakeCanvas.h"

using namespace linklabel;
using linklabel::test::TFakeCanvas;

namespace {

constexpr int H = TFakeCanvas::Height;

// Parses a caption and lays it out as the control does: root in the plain
// font's style and colour, text origin at (0,0), the given right edge.
struct TLaidOut {
    explicit TLaidOut(const std::wstring& caption, int right = 1000, TRect rect = {})
    {
        TLinkNode::ResetCount();
        TDynamicNode::ResetCount();
        Tree = TDefaultParser().Parse(caption);
        Tree->Root().SetStyles({});
        Tree->Root().SetColor(clWindowText);
        Renderer.SetLinkColor(clBlue);
        Renderer.SetLinkColorClicked(clRed);
        Renderer.SetLinkColorHot(clPurple);
        Renderer.SetLinkStyle({fsUnderline});
        Rect = rect == TRect{} ? TRect{0, 0, right, 500} : rect;
        Renderer.RenderTree(Canvas, Rect, *Tree);
    }

    // Where the text went: "x,y:text" for every draw, joined by "|".
    std::wstring Drawn() const
    {
        std::wstring out;
        for (const auto& d : Canvas.Drawn) {
            if (!out.empty())
                out += L"|";
            out += std::to_wstring(d.X) + L"," + std::to_wstring(d.Y) + L":" + d.Text;
        }
        return out;
    }

    std::vector<TStringNode*> Runs(const TParentNode& below) const
    {
        std::vector<TStringNode*> runs;
        auto e = below.GetTopLevelNodeEnumerator(TNodeClass::Of<TStringNode>());
        while (e->HasNext())
            runs.push_back(static_cast<TStringNode*>(e->GetNext()));
        return runs;
    }
    TStringNode& Run(const std::wstring& text) const
    {
        for (TStringNode* run : Runs(Tree->Root()))
            if (run->Text() == text)
                return *run;
        throw std::runtime_error("no such run");
    }
    TLinkNode& Link(int index) const { return *Tree->Root().GetSpecificNodeOfClass<TLinkNode>(index); }

    std::unique_ptr<TNodeTree> Tree;
    TFakeCanvas Canvas;
    TDefaultRenderer Renderer;
    TRect Rect;
};

using Rects = std::vector<TRect>;

}  // namespace

TEST(Layout, BreaksBetweenWordsAtTheRightEdge)
{
    // "aaa " is 35 wide (30 without its space), "bbb" 30: together 65.
    struct Case {
        int right;
        std::wstring drawn;
        int height;
    };
    const Case cases[] = {
        {60, L"0,0:aaa|0,13:bbb", 2 * H},
        {65, L"0,0:aaa|0,13:bbb", 2 * H},  // reaching the edge is enough
        {66, L"0,0:aaa bbb", H},
    };
    for (const Case& c : cases) {
        TLaidOut l(L"aaa bbb", c.right);
        EXPECT_EQ(l.Drawn(), c.drawn) << c.right;
        EXPECT_EQ(l.Renderer.GetTextHeight(), c.height) << c.right;
    }
    TLaidOut l(L"aaa bbb", 60);
    EXPECT_EQ(l.Run(L"aaa bbb").RectArray(), (Rects{{0, 0, 35, H}, {0, H, 30, 2 * H}}));
}

TEST(Layout, AnOverWideFirstWordOfTheCaptionStaysOnTheFirstLine)
{
    TLaidOut l(L"abcdefghij klm", 50);
    EXPECT_EQ(l.Drawn(), L"0,0:abcdefghij|0,13:klm");
    EXPECT_EQ(l.Run(L"abcdefghij klm").RectArray(), (Rects{{0, 0, 105, H}, {0, H, 30, 2 * H}}));
}

TEST(Layout, AnOverWideWordStartingARunAtALaterLineStartLeavesThatLineEmpty)
{
    TLaidOut l(L"ab<br>abcdefghij", 50);
    EXPECT_EQ(l.Drawn(), L"0,0:ab|0,26:abcdefghij");
    EXPECT_EQ(l.Run(L"abcdefghij").RectArray(), (Rects{{0, H, 0, 2 * H}, {0, 2 * H, 100, 3 * H}}));
    EXPECT_EQ(l.Renderer.GetTextHeight(), 3 * H);
}

TEST(Layout, TouchingRunsMoveToTheNextLineAsOneWord)
{
    // "xxxx " 45, then "Bold" in bold (48) and "face" (40): 133 > 100.
    TLaidOut l(L"xxxx <b>Bold</b>face", 100);
    EXPECT_EQ(l.Drawn(), L"0,0:xxxx |0,13:Bold|48,13:face");
    EXPECT_EQ(l.Canvas.Drawn[1].Style, TFontStyles{fsBold});
    EXPECT_EQ(l.Canvas.Drawn[2].Style, TFontStyles{});
    EXPECT_TRUE(l.Run(L"face").FirstWordWidthRetrieved());
    EXPECT_FALSE(l.Run(L"Bold").FirstWordWidthRetrieved());

    // "Bold" alone would have fitted: the break is the joined word's.
    TLaidOut apart(L"xxxx <b>Bold</b> face", 100);
    EXPECT_EQ(apart.Drawn(), L"0,0:xxxx |45,0:Bold|0,13:face");
}

TEST(Layout, AJoinedWordEndingInASpaceIsMeasuredWithoutIt)
{
    // "z " 15; "ab" bold 24 joined with "cd " 25: 49, 44 without the space.
    // 15 + 44 = 59 fits before 60; "xy" then breaks behind "cd ".
    TLaidOut l(L"z <b>ab</b>cd xy", 60);
    EXPECT_EQ(l.Drawn(), L"0,0:z |15,0:ab|39,0:cd|0,13:xy");
    EXPECT_EQ(l.Run(L"cd xy").RectArray(), (Rects{{39, 0, 64, H}, {0, H, 20, 2 * H}}));
}

TEST(Layout, SpacesAtTheEdgeNeverBreakAndTrailingSpacesCountInTheRectangle)
{
    TLaidOut l(L"aaaa    b", 50);
    EXPECT_EQ(l.Drawn(), L"0,0:aaaa|0,13:b");
    // "aaaa" and four spaces: 60, past the edge at 50.
    EXPECT_EQ(l.Run(L"aaaa    b").RectArray(), (Rects{{0, 0, 60, H}, {0, H, 10, 2 * H}}));
}

TEST(Layout, LineAndParagraphBreaks)
{
    struct Case {
        std::wstring caption;
        std::wstring drawn;
        int height;
    };
    const Case cases[] = {
        {L"abc<br>d<p>e", L"0,0:abc|0,13:d|0,39:e", 4 * H},
        {L"a<br>", L"0,0:a", 2 * H},
        {L"a<p>", L"0,0:a", 3 * H},
        {L"a", L"0,0:a", H},
        {L"", L"", H},
        {L"<br><br>", L"", 3 * H},
    };
    for (const Case& c : cases) {
        TLaidOut l(c.caption);
        EXPECT_EQ(l.Drawn(), c.drawn) << c.caption;
        EXPECT_EQ(l.Renderer.GetTextHeight(), c.height) << c.caption;
    }
}

TEST(Layout, StylesAndColoursOfTheTags)
{
    TLaidOut l(L"<color=clGreen>g<color=nix>n</color><color=$0000FF>r</color></color>d<b><i>bi</i></b>"
               L"<link>l<b>lb</b><color=clLime>lc</color></link>");
    std::map<std::wstring, std::pair<TFontStyles, TColor>> got;
    for (const auto& d : l.Canvas.Drawn)
        got[d.Text] = {d.Style, d.Color};
    const std::map<std::wstring, std::pair<TFontStyles, TColor>> expected{
        {L"g", {{}, clGreen}},
        {L"n", {{}, clGreen}},  // no colour given: the colour around it stays
        {L"r", {{}, clRed}},
        {L"d", {{}, clWindowText}},
        {L"bi", {{fsBold, fsItalic}, clWindowText}},
        {L"l", {{fsUnderline}, clBlue}},
        {L"lb", {{fsUnderline, fsBold}, clBlue}},
        {L"lc", {{fsUnderline}, clLime}},
    };
    EXPECT_EQ(got, expected);
}

TEST(Layout, ALinkAfterTextWithoutSpaceTakesThePositionOfItsFirstRun)
{
    // One run "x ab": "ab" joined with "cd" is 40, 15 + 40 > 50, so both move down.
    TLaidOut l(L"x ab<link>cd</link>", 50);
    EXPECT_EQ(l.Drawn(), L"0,0:x|0,13:ab|20,13:cd");
    EXPECT_EQ(l.Link(0).StartingPoint(), (TPoint{20, H}));
    EXPECT_EQ(l.Canvas.Drawn[2].Color, clBlue);
    EXPECT_EQ(l.Canvas.Drawn[2].Style, TFontStyles{fsUnderline});

    TLaidOut spaced(L"x <link>cd</link>", 50);
    EXPECT_EQ(spaced.Link(0).StartingPoint(), (TPoint{15, 0}));
}

TEST(Layout, ALinkThatStartsWithABreakStartsWhereTheBreakIs)
{
    TLaidOut l(L"ab<link><br>cd</link>");
    EXPECT_EQ(l.Drawn(), L"0,0:ab|0,13:cd");
    EXPECT_EQ(l.Link(0).StartingPoint(), (TPoint{20, 0}));

    l.Canvas.Forget();
    l.Renderer.RenderNode(l.Canvas, l.Rect, l.Link(0));
    EXPECT_EQ(l.Drawn(), L"0,13:cd");
    EXPECT_EQ(l.Run(L"cd").RectArray(), (Rects{{0, H, 20, 2 * H}}));
}

TEST(Layout, ALinkLaidOutAloneReproducesTheWholeCaptionLayout)
{
    const std::wstring captions[] = {
        L"Press <link=a>this link</link> or <b>th</b><link=b>at one</link>, then "
        L"<link=c><b>bold</b> and <color=clRed>red</color> words that wrap</link>.<br>"
        L"<link>x</link><link>y</link>z <link><b>joined</b>word</link>s and <link>a verylongwordthatpasses</link>",
        L"abcdefghijklmnop<link>q r</link>",
        L"<link>first words at the origin</link> and <dynamic> <link><p>after a break</link>",
    };
    for (const std::wstring& caption : captions) {
        for (int right : {60, 95, 120, 400}) {
            TLaidOut l(caption, right);
            std::map<const TStringNode*, Rects> whole;
            for (TStringNode* run : l.Runs(l.Tree->Root()))
                whole[run] = run->RectArray();
            const auto wholeDrawn = l.Canvas.Drawn;

            auto links = l.Tree->GetTopLevelNodeEnumerator(TNodeClass::Of<TLinkNode>());
            ASSERT_TRUE(links->HasNext());
            while (links->HasNext()) {
                auto& link = *static_cast<TLinkNode*>(links->GetNext());
                link.SetState(lsClicked);
                l.Canvas.Forget();
                l.Renderer.RenderNode(l.Canvas, l.Rect, link);
                for (TStringNode* run : l.Runs(link))
                    EXPECT_EQ(run->RectArray(), whole[run]) << run->Text() << L" at " << right;
                for (const auto& d : l.Canvas.Drawn) {
                    const bool drawnBefore = std::any_of(wholeDrawn.begin(), wholeDrawn.end(), [&](const auto& w) {
                        return w.X == d.X && w.Y == d.Y && w.Text == d.Text && w.Style == d.Style;
                    });
                    EXPECT_TRUE(drawnBefore) << d.Text << L" at " << right;
                    if (d.Color != clRed && d.Text != L"red")
                        ADD_FAILURE() << "clicked link drawn in " << d.Color;
                }
            }
        }
    }
}

TEST(Layout, LinkColoursFollowTheStateOnlyWhenALinkIsLaidOutAlone)
{
    TLaidOut l(L"a <link>b</link>");
    TLinkNode& link = l.Link(0);
    const std::pair<TLinkState, TColor> cases[] = {{lsNormal, clBlue}, {lsClicked, clRed}, {lsHot, clPurple}};
    for (const auto& [state, colour] : cases) {
        link.SetState(state);
        l.Canvas.Forget();
        l.Renderer.RenderNode(l.Canvas, l.Rect, link);
        ASSERT_EQ(l.Canvas.Drawn.size(), 1u);
        EXPECT_EQ(l.Canvas.Drawn[0].Color, colour) << state;

        l.Canvas.Forget();
        l.Renderer.RenderTree(l.Canvas, l.Rect, *l.Tree);
        EXPECT_EQ(l.Canvas.Drawn.back().Color, clBlue) << state;
    }
}

TEST(Layout, ASecondLayoutMeasuresNoWordAgain)
{
    TLaidOut l(L"Some <b>bold</b>text and <link>a link that wraps</link> over <i>several</i> lines", 90);
    const std::wstring first = l.Drawn();
    const std::size_t firstMeasures = l.Canvas.Measured.size();

    l.Canvas.Forget();
    l.Renderer.RenderTree(l.Canvas, l.Rect, *l.Tree);
    EXPECT_EQ(l.Drawn(), first);
    // Only each segment's own width is taken, once per rectangle.
    std::size_t rects = 0;
    for (TStringNode* run : l.Runs(l.Tree->Root()))
        rects += run->RectArray().size();
    EXPECT_EQ(l.Canvas.Measured.size(), rects);
    EXPECT_LT(l.Canvas.Measured.size(), firstMeasures);

    // After a font change everything is measured anew.
    for (TStringNode* run : l.Runs(l.Tree->Root()))
        run->ClearWordInfo();
    l.Canvas.Forget();
    l.Renderer.RenderTree(l.Canvas, l.Rect, *l.Tree);
    EXPECT_EQ(l.Canvas.Measured.size(), firstMeasures);
}

TEST(Layout, TheTextOriginIsTheRectanglesTopLeftCorner)
{
    TLaidOut l(L"ab <link>cd</link>", 0, TRect{10, 20, 200, 100});
    EXPECT_EQ(l.Drawn(), L"10,20:ab |35,20:cd");
    EXPECT_EQ(l.Tree->Root().StartingPoint(), (TPoint{10, 20}));
    EXPECT_EQ(l.Run(L"ab ").RectArray(), (Rects{{0, 0, 25, H}}));
    EXPECT_EQ(l.Link(0).StartingPoint(), (TPoint{25, 0}));
    EXPECT_EQ(l.Tree->Root().LinkRects(), (Rects{{25, 0, 45, H}}));

    l.Canvas.Forget();
    l.Renderer.RenderNode(l.Canvas, l.Rect, l.Link(0));
    EXPECT_EQ(l.Drawn(), L"35,20:cd");
}

TEST(Layout, DeepNestingLaysOutWithoutDeepStack)
{
    std::wstring caption;
    for (int i = 0; i < 100000; ++i)
        caption += i % 2 ? L"<b>" : L"<link>";
    caption += L"deep";
    TLaidOut l(caption);
    EXPECT_EQ(l.Drawn(), L"0,0:deep");
}

// ---- the text handler and its words

TEST(TextHandler, LineHeightIsThatOfThePlainFont)
{
    TFakeCanvas canvas;
    canvas.SetFontStyle({fsBold});
    TTextHandler handler({0, 0, 100, 100}, {7, 9}, canvas);
    EXPECT_EQ(handler.GetLineHeight(), TFakeCanvas::Height);
    EXPECT_EQ(canvas.GetFontStyle(), TFontStyles{fsBold});
    EXPECT_EQ(handler.GetPosX(), 7);
    EXPECT_EQ(handler.GetPosY(), 9);
    EXPECT_EQ(handler.GetTextHeight(), 9 + TFakeCanvas::Height);
    EXPECT_TRUE(handler.IsPosCurrent());
}

namespace {

struct TRecordingObserver : IStartingPosObserver {
    void StartingPosKnown(int X, int Y, TAreaNode& Node) override { Known.push_back({X, Y, &Node}); }
    struct TKnown {
        int X, Y;
        TAreaNode* Node;
    };
    std::vector<TKnown> Known;
};

}  // namespace

TEST(TextHandler, AnObserverLearnsThePositionOfTheNodesFirstElement)
{
    TLinkNode::ResetCount();
    auto tree = TDefaultParser().Parse(L"ab<link><b><br></b>cd</link>");
    auto& ab = *tree->Root().GetFirstNodeOfClass<TStringNode>();
    auto& link = *tree->Root().GetFirstNodeOfClass<TLinkNode>();
    auto& br = *tree->Root().GetFirstNodeOfClass<TActionNode>();

    TFakeCanvas canvas;
    TTextHandler handler({0, 0, 500, 500}, {}, canvas);
    TRecordingObserver observer;
    handler.TextOut(ab, {}, clBlack);
    EXPECT_FALSE(handler.IsPosCurrent());
    handler.AddStartingPosObserver(observer, link);
    EXPECT_TRUE(observer.Known.empty());
    handler.DoLineBreak(&br);
    ASSERT_EQ(observer.Known.size(), 1u);
    EXPECT_EQ(observer.Known[0].X, 20);
    EXPECT_EQ(observer.Known[0].Y, 0);
    EXPECT_EQ(observer.Known[0].Node, &link);
    EXPECT_TRUE(handler.IsPosCurrent());
}

TEST(TextHandler, WordsRunUpToAndIncludingTheNextSpace)
{
    struct Case {
        std::wstring text;
        std::vector<std::wstring> words;
    };
    const Case cases[] = {
        {L"a  b", {L"a ", L" ", L"b"}}, {L"", {}}, {L" ", {L" "}}, {L"ab", {L"ab"}}, {L"a b ", {L"a ", L"b "}},
    };
    for (const Case& c : cases) {
        TWordEnumerator words;
        words.SetText(c.text);
        std::vector<std::wstring> got;
        while (words.HasNext()) {
            const std::wstring peeked = words.PeekNext();
            EXPECT_EQ(words.PopNext(), peeked);
            got.push_back(peeked);
        }
        EXPECT_EQ(got, c.words) << c.text;
        EXPECT_EQ(words.GetCount(), static_cast<int>(c.words.size()));
        EXPECT_EQ(words.GetText(), c.text);
        words.Reset();
        EXPECT_EQ(words.GetCount(), 0);
        EXPECT_EQ(words.HasNext(), !c.words.empty());
    }

    TWordEnumerator done(L"x");
    done.PopNext();
    for (int i = 0; i < 2; ++i) {
        try {
            i == 0 ? done.PopNext() : done.PeekNext();
            ADD_FAILURE() << "no exception";
        } catch (const ETextHandlerError& e) {
            EXPECT_EQ(e.Message, L"TWordEnumerator.GetNext: No more words to return");
        }
    }
}

namespace {

struct TOwnElement : TParentTextElement {};

struct TOpenTextHandler : TTextHandler {
    using TTextHandler::TTextHandler;
    void AddOwnElement() { FList.Add(std::make_unique<TOwnElement>()); }
};

}  // namespace

TEST(TextHandler, AnUnknownBufferElementRaises)
{
    TFakeCanvas canvas;
    TOpenTextHandler handler({0, 0, 100, 100}, {}, canvas);
    handler.AddOwnElement();
    try {
        handler.EmptyBuffer();
        ADD_FAILURE() << "no exception";
    } catch (const ETextHandlerError& e) {
        EXPECT_EQ(e.Message, L"TTextHandler.EmptyBuffer: Unsupported TParentTextElement descendant encountered");
    }
    EXPECT_TRUE(handler.IsPosCurrent());
}
