#include "widgets/linklabel/JvLinkLabel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/StyleColors.h"
#include "tests/widgets/linklabel/FakeSurface.h"

using namespace linklabel;
using linklabel::test::TFakeCanvas;
using linklabel::test::TFakeSurface;
using linklabel::test::TTestLabel;

namespace {

constexpr int H = TFakeCanvas::Height;

// Records the events of a label as short words.
struct TEventLog {
    explicit TEventLog(TJvLinkLabel& label)
    {
        label.OnMouseDown = [this](TGraphicControl*, TMouseButton b, TShiftState s, int, int) {
            Events.push_back(std::wstring(L"down") + (b == mbRight ? L"R" : L"") + (s & ssDouble ? L"2" : L""));
        };
        label.OnMouseUp = [this](TGraphicControl*, TMouseButton b, TShiftState, int, int) {
            Events.push_back(std::wstring(L"up") + (b == mbRight ? L"R" : L""));
        };
        label.OnClick = [this](TGraphicControl*) { Events.push_back(L"click"); };
        label.OnDblClick = [this](TGraphicControl*) { Events.push_back(L"dblclick"); };
        label.OnLinkClick = [this](TGraphicControl*, int number, const std::wstring& text, const std::wstring& param) {
            Events.push_back(L"link" + std::to_wstring(number) + L"(" + text + L"," + param + L")");
        };
    }
    std::wstring Joined() const
    {
        std::wstring out;
        for (const auto& e : Events)
            out += (out.empty() ? L"" : L" ") + e;
        return out;
    }
    std::vector<std::wstring> Events;
};

// One step of mouse input as the parent delivers it.
struct TStep {
    enum { Down, DoubleDown, Move, Up, Enter, Leave } Kind;
    int X = 0;
    int Y = 0;
    TMouseButton Button = mbLeft;
};

void Apply(TJvLinkLabel& label, const TStep& step)
{
    switch (step.Kind) {
    case TStep::Down:
        label.HandleMouseDown(step.Button, 0, step.X, step.Y);
        break;
    case TStep::DoubleDown:
        label.HandleMouseDown(step.Button, ssDouble, step.X, step.Y);
        break;
    case TStep::Move:
        label.HandleMouseMove(0, step.X, step.Y);
        break;
    case TStep::Up:
        label.HandleMouseUp(step.Button, 0, step.X, step.Y);
        break;
    case TStep::Enter:
        label.HandleMouseEnter();
        break;
    case TStep::Leave:
        label.HandleMouseLeave();
        break;
    }
}

// "<link=p>ab</link> plain": the link covers x 0..20 of the first line,
// the plain text runs to 20 + 5 + 50 = 75, the label is 160 wide.
const std::wstring kOneLink = L"<link=p>ab</link> plain";
constexpr int kOnLink = 5;
constexpr int kOnPlain = 40;
constexpr int kEmpty = 120;

}  // namespace

TEST(LinkLabel, ConstructionGivesTheDocumentedDefaults)
{
    TJvLinkLabel label;
    EXPECT_FALSE(label.Transparent());
    EXPECT_EQ(label.ControlStyle() & (csOpaque | csReplicatable | csParentBackground),
              csOpaque | csReplicatable | csParentBackground);
    EXPECT_EQ(label.Width(), 160);
    EXPECT_EQ(label.Height(), 17);
    EXPECT_TRUE(label.AutoHeight());
    EXPECT_EQ(label.Layout(), tlTop);
    EXPECT_EQ(label.LinkColor(), clBlue);
    EXPECT_EQ(label.LinkColorClicked(), clRed);
    EXPECT_EQ(label.LinkColorHot(), clPurple);
    EXPECT_EQ(label.LinkStyle(), TFontStyles{fsUnderline});
    EXPECT_EQ(label.LinkCursor(), crHandPoint);
    EXPECT_FALSE(label.HotLinks());
    EXPECT_EQ(label.MarginWidth(), 0);
    EXPECT_EQ(label.MarginHeight(), 0);
    EXPECT_TRUE(label.Caption().empty());
    EXPECT_TRUE(label.ParentColor());
    EXPECT_TRUE(label.NodeTree().Root().Children().Count() == 0);

    // On a parent it takes the parent's Color property and font.
    TTestLabel t(L"<link>x</link>");
    EXPECT_EQ(t.Label.Color(), clBtnFace);
    EXPECT_EQ(t.Label.Font(), t.Parent.FFont);
    EXPECT_EQ(t.Label.NodeTree().Root().Color(), clWindowText);
}

TEST(LinkLabel, SettingAPropertyToItsValueDoesNothingAndAChangeDoesWhatItShould)
{
    struct Case {
        const char* name;
        std::function<void(TJvLinkLabel&)> same;
        std::function<void(TJvLinkLabel&)> change;
        bool repaints;
    };
    const Case cases[] = {
        {"Caption", [](auto& l) { l.SetCaption(kOneLink); }, [](auto& l) { l.SetCaption(L"x"); }, true},
        {"Transparent", [](auto& l) { l.SetTransparent(false); }, [](auto& l) { l.SetTransparent(true); }, true},
        {"Layout", [](auto& l) { l.SetLayout(tlTop); }, [](auto& l) { l.SetLayout(tlBottom); }, true},
        {"LinkColor", [](auto& l) { l.SetLinkColor(clBlue); }, [](auto& l) { l.SetLinkColor(clGreen); }, true},
        {"LinkColorClicked", [](auto& l) { l.SetLinkColorClicked(clRed); },
         [](auto& l) { l.SetLinkColorClicked(clGreen); }, false},
        {"LinkColorHot", [](auto& l) { l.SetLinkColorHot(clPurple); }, [](auto& l) { l.SetLinkColorHot(clGreen); },
         false},
        {"LinkStyle", [](auto& l) { l.SetLinkStyle({fsUnderline}); }, [](auto& l) { l.SetLinkStyle({fsBold}); },
         true},
        {"LinkCursor", [](auto& l) { l.SetLinkCursor(crHandPoint); }, [](auto& l) { l.SetLinkCursor(crCross); },
         false},
        {"HotLinks", [](auto& l) { l.SetHotLinks(false); }, [](auto& l) { l.SetHotLinks(true); }, false},
        {"AutoHeight", [](auto& l) { l.SetAutoHeight(true); }, [](auto& l) { l.SetAutoHeight(false); }, true},
        {"MarginWidth", [](auto& l) { l.SetMarginWidth(0); }, [](auto& l) { l.SetMarginWidth(3); }, true},
        {"MarginHeight", [](auto& l) { l.SetMarginHeight(0); }, [](auto& l) { l.SetMarginHeight(3); }, true},
    };
    for (const Case& c : cases) {
        TTestLabel t(kOneLink);
        int captionChanges = 0;
        int resizes = 0;
        t.Label.OnCaptionChanged = [&](TGraphicControl*) { ++captionChanges; };
        t.Label.OnResize = [&](TGraphicControl*) { ++resizes; };
        const TNodeTree* tree = &t.Label.NodeTree();
        t.Parent.Invalidated.clear();

        c.same(t.Label);
        EXPECT_TRUE(t.Parent.Invalidated.empty()) << c.name;
        EXPECT_EQ(&t.Label.NodeTree(), tree) << c.name;
        EXPECT_EQ(captionChanges, 0) << c.name;
        EXPECT_EQ(resizes, 0) << c.name;

        c.change(t.Label);
        EXPECT_EQ(!t.Parent.Invalidated.empty(), c.repaints) << c.name;
        EXPECT_EQ(captionChanges, std::string(c.name) == "Caption" ? 1 : 0) << c.name;
        EXPECT_EQ(resizes, std::string(c.name).rfind("Margin", 0) == 0 ? 1 : 0) << c.name;
    }
}

TEST(LinkLabel, CaptionAndTextRules)
{
    TTestLabel t(L"", 160, false);
    std::wstring treeAtEvent;
    t.Label.OnCaptionChanged = [&](TGraphicControl*) { treeAtEvent = t.Label.NodeTree().Root().Text(); };

    // Lines are joined without a space; the list then holds one item.
    t.Label.SetText({L"Hello", L"<link>World</link>"});
    EXPECT_EQ(t.Label.Caption(), L"Hello\r\n<link>World</link>\r\n");
    EXPECT_EQ(t.Label.Text(), std::vector<std::wstring>{t.Label.Caption()});
    EXPECT_EQ(treeAtEvent, L"HelloWorld");  // the event comes after the parse

    // Every caption numbers its links from 0, whatever was parsed before.
    TTestLabel other(L"<link>a</link><link>b</link>");
    t.Label.SetCaption(L"<link>c</link>");
    EXPECT_EQ(t.Label.NodeTree().Root().GetFirstNodeOfClass<TLinkNode>()->Number(), 0);
    EXPECT_EQ(t.Label.Text(), std::vector<std::wstring>{L"<link>c</link>"});
}

TEST(LinkLabel, EventsOfClicksComeInTheirOrder)
{
    using S = TStep;
    struct Case {
        const char* name;
        std::vector<TStep> steps;
        std::wstring events;
    };
    const Case cases[] = {
        {"left click on link text", {{S::Down, kOnLink, 5}, {S::Up, kOnLink, 5}}, L"down click up link0(ab,p)"},
        {"left click in the empty part", {{S::Down, kEmpty, 5}, {S::Up, kEmpty, 5}}, L"down click up"},
        {"left click on plain text", {{S::Down, kOnPlain, 5}, {S::Up, kOnPlain, 5}}, L"down click up"},
        {"press on link, leave, release outside",
         {{S::Down, kOnLink, 5}, {S::Move, 200, 5}, {S::Leave}, {S::Up, 200, 5}},
         L"down up"},
        {"press outside the text, release over the link",
         {{S::Down, kEmpty, 5}, {S::Move, kOnLink, 5}, {S::Up, kOnLink, 5}},
         L"down click up link0(ab,p)"},
        {"right click on the link",
         {{S::Down, kOnLink, 5, mbRight}, {S::Up, kOnLink, 5, mbRight}},
         L"downR upR link0(ab,p)"},
        {"double click on the link",
         {{S::Down, kOnLink, 5}, {S::Up, kOnLink, 5}, {S::DoubleDown, kOnLink, 5}, {S::Up, kOnLink, 5}},
         L"down click up link0(ab,p) dblclick down2 up link0(ab,p)"},
        {"double click in the empty part",
         {{S::Down, kEmpty, 5}, {S::Up, kEmpty, 5}, {S::DoubleDown, kEmpty, 5}, {S::Up, kEmpty, 5}},
         L"down click up dblclick down2 up"},
    };
    for (const Case& c : cases) {
        TTestLabel t(kOneLink);
        TEventLog log(t.Label);
        for (const TStep& step : c.steps)
            Apply(t.Label, step);
        EXPECT_EQ(log.Joined(), c.events) << c.name;
        EXPECT_EQ(t.Label.ActiveLink(), nullptr) << c.name;
    }
}

TEST(LinkLabel, LinkStatesFollowTheStateMachine)
{
    // Two links: "aa" at x 0..20, "bb" at x 25..45.
    using S = TStep;
    struct Check {
        TStep step;
        int active;  // index of the active link, -1 for none
        TLinkState state;
        TColor redrawnIn;  // colour of the last link redraw, 0 for none
    };
    struct Case {
        const char* name;
        bool hotLinks;
        std::vector<Check> checks;
    };
    const Case cases[] = {
        {"without HotLinks",
         false,
         {
             {{S::Move, 5, 5}, -1, lsNormal, 0},
             {{S::Down, kEmpty, 5}, -1, lsNormal, 0},
             {{S::Up, kEmpty, 5}, -1, lsNormal, 0},
             {{S::Down, 5, 5}, 0, lsClicked, clRed},
             {{S::Move, 200, 5}, 0, lsClicked, 0},
             {{S::Leave}, 0, lsClicked, 0},
             {{S::Enter}, 0, lsClicked, 0},
             {{S::Move, 30, 5}, 0, lsClicked, 0},
             {{S::Up, 200, 5}, -1, lsNormal, clBlue},
         }},
        {"with HotLinks",
         true,
         {
             {{S::Move, 5, 5}, 0, lsHot, clPurple},
             {{S::Move, 6, 5}, 0, lsHot, 0},
             {{S::Move, 30, 5}, 1, lsHot, clPurple},
             {{S::Move, kEmpty, 5}, -1, lsNormal, clBlue},
             {{S::Move, 5, 5}, 0, lsHot, clPurple},
             {{S::Leave}, -1, lsNormal, clBlue},
             {{S::Move, 5, 5}, 0, lsHot, clPurple},
             {{S::Down, 5, 5}, 0, lsClicked, clRed},
             {{S::Move, 30, 5}, 0, lsClicked, 0},
             {{S::Move, kEmpty, 5}, 0, lsClicked, 0},
             {{S::Up, kEmpty, 5, mbRight}, -1, lsNormal, clBlue},
             {{S::Move, 30, 5}, 1, lsHot, clPurple},
             {{S::Down, 5, 5}, 0, lsClicked, clRed},
         }},
    };
    for (const Case& c : cases) {
        TTestLabel t(L"<link>aa</link> <link>bb</link>");
        t.Label.SetHotLinks(c.hotLinks);
        auto& root = t.Label.NodeTree().Root();
        TLinkNode* links[] = {root.GetSpecificNodeOfClass<TLinkNode>(0), root.GetSpecificNodeOfClass<TLinkNode>(1)};
        int n = 0;
        for (const Check& check : c.checks) {
            t.Surface->Screen.Forget();
            Apply(t.Label, check.step);
            const std::string where = std::string(c.name) + " step " + std::to_string(n++);
            EXPECT_EQ(t.Label.ActiveLink(), check.active < 0 ? nullptr : links[check.active]) << where;
            if (check.active >= 0) {
                EXPECT_EQ(links[check.active]->State(), check.state) << where;
            }
            for (TLinkNode* link : links) {
                if (link != t.Label.ActiveLink()) {
                    EXPECT_EQ(link->State(), lsNormal) << where;
                }
            }
            if (check.redrawnIn == 0) {
                EXPECT_TRUE(t.Surface->Screen.Drawn.empty()) << where;
            } else if (t.Surface->Screen.Drawn.empty()) {
                ADD_FAILURE() << "no redraw at " << where;
            } else {
                EXPECT_EQ(t.Surface->Screen.Drawn.back().Color, check.redrawnIn) << where;
            }
            EXPECT_EQ(t.Surface->Locks, 0) << where;
            EXPECT_FALSE(t.Surface->DrewUnlocked) << where;
        }
    }
}

TEST(LinkLabel, TheHandCursorShowsOnlyOverLinkText)
{
    TTestLabel t(kOneLink, 160, false);
    t.Label.SetCursor(crCross);  // as the stored definition had it
    t.Label.Loaded();
    t.Parent.PaintAll();
    const std::pair<int, TCursor> cases[] = {{kOnLink, crHandPoint}, {kOnPlain, crCross}, {kEmpty, crCross},
                                             {20, crHandPoint}, {21, crCross}};
    for (const auto& [x, cursor] : cases) {
        t.Label.HandleMouseMove(0, x, 5);
        EXPECT_EQ(t.Label.Cursor(), cursor) << x;
    }
    // Before the first paint of a caption no link can be hit.
    t.Label.SetCaption(L"<link>new</link>");
    t.Label.HandleMouseMove(0, kOnLink, 5);
    EXPECT_EQ(t.Label.Cursor(), crCross);
    EXPECT_EQ(t.Parent.Cursors.back(), crCross);
}

TEST(LinkLabel, AutoHeightAndLayoutPlaceTheText)
{
    struct Case {
        const char* name;
        std::wstring caption;
        int width, height;
        int marginWidth, marginHeight;
        TTextLayout layout;
        bool autoHeight;
        TAlign align;
        int heightAfter;
        TPoint origin;
    };
    const Case cases[] = {
        {"one line", L"<link>Info</link>", 137, 17, 0, 0, tlTop, true, alNone, H, {0, 0}},
        {"one line with margins", L"<link>Info</link>", 137, 17, 4, 2, tlTop, true, alTop, H + 4, {4, 2}},
        {"two lines", L"aaaa bbbb", 60, 17, 0, 0, tlTop, true, alBottom, 2 * H, {0, 0}},
        {"another align keeps the height", L"aaaa bbbb", 60, 40, 0, 0, tlTop, true, alLeft, 40, {0, 0}},
        {"centre", L"x", 60, 40, 0, 0, tlCenter, false, alNone, 40, {0, (40 - H) / 2}},
        {"centre with margins", L"x", 60, 40, 3, 5, tlCenter, false, alNone, 40, {3, 5 + (30 - H) / 2}},
        {"centre of a text taller than the room", L"aaaa bbbb", 60, 20, 0, 2, tlCenter, false, alNone, 20, {0, 2}},
        {"bottom", L"x", 60, 40, 0, 3, tlBottom, false, alNone, 40, {0, 37 - H}},
        {"bottom of a text taller than the room", L"aaaa bbbb", 60, 20, 0, 2, tlBottom, false, alNone, 20,
         {0, 2}},
    };
    for (const Case& c : cases) {
        TTestLabel t(c.caption, c.width, false);
        t.Label.SetBounds(0, 0, c.width, c.height);
        t.Label.SetAlign(c.align);
        t.Label.SetAutoHeight(c.autoHeight);
        t.Label.SetMarginWidth(c.marginWidth);
        t.Label.SetMarginHeight(c.marginHeight);
        t.Label.SetLayout(c.layout);
        t.Parent.PaintAll();
        EXPECT_EQ(t.Label.Height(), c.heightAfter) << c.name;
        EXPECT_EQ(t.Label.NodeTree().Root().StartingPoint(), c.origin) << c.name;
        ASSERT_FALSE(t.Surface->Images.empty()) << c.name;
        const auto& image = t.Surface->Images.back();
        EXPECT_EQ(image.At, c.origin) << c.name;
        // One pixel into the right and bottom margins.
        EXPECT_EQ(image.Width, c.width - 2 * c.marginWidth + 1) << c.name;
        EXPECT_EQ(image.Height, c.heightAfter - 2 * c.marginHeight + 1) << c.name;
    }

    // A height the constraints hold back does not keep the text from
    // being drawn.
    TTestLabel held(L"aaaa bbbb", 60, false);
    held.Label.SetConstraints({0, 0, 0, 20});
    held.Parent.PaintAll();
    EXPECT_EQ(held.Label.Height(), 20);
    EXPECT_EQ(held.Surface->Painted(), L"0,0:aaaa|0,13:bbbb");

    // A paint that changes the height draws nothing; the next one draws.
    TTestLabel t(L"aaaa bbbb", 60, false);
    t.Label.HandlePaint();
    EXPECT_EQ(t.Label.Height(), 2 * H);
    EXPECT_TRUE(t.Surface->Images.empty());
    EXPECT_TRUE(t.Parent.Pending);
    t.Label.HandlePaint();
    EXPECT_EQ(t.Surface->Painted(), L"0,0:aaaa|0,13:bbbb");
}

TEST(LinkLabel, OpaqueAndTransparentBackgrounds)
{
    struct TBrownStyle : ICustomStyleColors {
        std::optional<TColor> SystemColor(TColor c) const override
        {
            return c == clBtnFace ? std::optional<TColor>(0x204060) : std::nullopt;
        }
    };
    struct Case {
        const char* name;
        bool transparent;
        bool visualStyles;
        bool customStyle;
        std::vector<TFakeSurface::TFill> fills;
        std::vector<TRect> parentBackgrounds;
        TColor imageBrush;
        std::optional<TPoint> copiedFrom;
    };
    const TRect whole{0, 0, 100, 40};
    const Case cases[] = {
        {"opaque", false, false, false, {{whole, clBtnFace}}, {}, clBtnFace, std::nullopt},
        {"opaque, visual styles", false, true, false, {}, {whole}, clBtnFace, std::nullopt},
        {"opaque, custom style", false, true, true, {{whole, 0x204060}}, {}, 0x204060, std::nullopt},
        // The copy is taken where the image goes: the text origin.
        {"transparent", true, false, false, {}, {}, clBtnFace, TPoint{4, 2 + (36 - H) / 2}},
    };
    TBrownStyle brown;
    for (const Case& c : cases) {
        TTestLabel t(L"<link>x</link>", 100, false);
        t.Label.SetBounds(0, 0, 100, 40);
        t.Label.SetAutoHeight(false);
        t.Label.SetMarginWidth(4);
        t.Label.SetMarginHeight(2);
        t.Label.SetLayout(tlCenter);
        t.Label.SetTransparent(c.transparent);
        t.Surface->VisualStyles = c.visualStyles;
        SetActiveCustomStyleColors(c.customStyle ? &brown : nullptr);
        t.Parent.PaintAll();
        SetActiveCustomStyleColors(nullptr);

        EXPECT_EQ(t.Surface->Fills, c.fills) << c.name;
        EXPECT_EQ(t.Surface->ParentBackgrounds, c.parentBackgrounds) << c.name;
        ASSERT_EQ(t.Surface->Images.size(), 1u) << c.name;
        EXPECT_EQ(t.Surface->Images[0].Brush, c.imageBrush) << c.name;
        EXPECT_EQ(t.Surface->Images[0].CopiedFrom, c.copiedFrom) << c.name;
        EXPECT_EQ(t.Surface->Painted(), L"4," + std::to_wstring(2 + (36 - H) / 2) + L":x") << c.name;
        EXPECT_EQ(t.Surface->FontSet, t.Parent.FFont) << c.name;
    }
}

TEST(LinkLabel, ALinkRedrawErasesOnlyTheLinksOwnText)
{
    // At width 60 the link "bbb ccc" wraps: "aaa " (35) + "bbb " on the
    // first line, "ccc" and " ddd" on the second.
    struct Case {
        const char* name;
        bool transparent;
        bool windowExists;
    };
    const Case cases[] = {{"opaque", false, true}, {"transparent", true, true}, {"no window", false, false}};
    for (const Case& c : cases) {
        TTestLabel t(L"aaa <link>bbb ccc</link> ddd", 80, false);
        t.Label.SetMarginWidth(2);
        t.Label.SetMarginHeight(1);
        t.Label.SetTransparent(c.transparent);
        t.Parent.PaintAll();
        t.Parent.WindowExists = c.windowExists;
        t.Surface->Forget();
        t.Label.HandleMouseDown(mbLeft, 0, 2 + 40, 1 + 5);
        ASSERT_NE(t.Label.ActiveLink(), nullptr) << c.name;

        std::vector<TRect> expected;
        auto rects = t.Label.ActiveLink()->GetRectEnumerator();
        while (rects->HasNext()) {
            const TRect r = rects->GetNext();
            expected.push_back({r.Left + 2, r.Top + 1, r.Right + 2, r.Bottom + 1});
        }
        ASSERT_EQ(expected.size(), 2u) << c.name;
        std::vector<TRect> erased;
        for (const auto& fill : t.Surface->Fills) {
            erased.push_back(fill.R);
            EXPECT_EQ(fill.Color, clBtnFace) << c.name;
        }
        for (const TRect& r : t.Surface->ParentBackgrounds)
            erased.push_back(r);
        EXPECT_EQ(erased, c.windowExists ? expected : std::vector<TRect>{}) << c.name;
        EXPECT_EQ(c.transparent ? t.Surface->Fills.size() : t.Surface->ParentBackgrounds.size(), 0u) << c.name;
        // The link is drawn again where the whole layout put it, in red.
        std::wstring redrawn;
        for (const auto& d : t.Surface->Screen.Drawn) {
            redrawn += std::to_wstring(d.X) + L"," + std::to_wstring(d.Y) + L":" + d.Text + L"|";
            EXPECT_EQ(d.Color, clRed) << c.name;
        }
        EXPECT_EQ(redrawn, L"37,1:bbb|2,14:ccc|") << c.name;
    }
}

TEST(LinkLabel, WidthsAreMeasuredAgainAfterEveryChangeThatMakesThemStale)
{
    // Each change, then a paint, must draw what a label made with the
    // changed state from the start draws.
    struct Case {
        const char* name;
        std::wstring caption;
        std::wstring dynamicContent;
        int width;
        std::function<void(TJvLinkLabel&)> change;
        std::wstring expected;
    };
    const Case cases[] = {
        // "ab" was measured together with "cd"; with "cdefgh" the joined
        // word is wider, and "cdefgh" must not start a line of its own.
        {"dynamic content", L"x ab<dynamic>", L"cd", 50, [](auto& l) { l.UpdateDynamicTag(0, L"cdefgh"); },
         L"0,0:x|0,13:ab|20,13:cdefgh"},
        // "cd" was counted with "ab"; once spaced content parts them it is
        // a word of its own again, which wraps.
        {"dynamic content parting two runs", L"x ab<dynamic>cd", L"", 60,
         [](auto& l) { l.UpdateDynamicTag(0, L" zzzz "); }, L"0,0:x ab|0,13:zzzz |0,26:cd"},
        {"link style", L"x ab<link>cdef</link>", L"", 81, [](auto& l) { l.SetLinkStyle({fsBold}); },
         L"0,0:x|0,13:ab|20,13:cdef"},
        {"font", L"x ab<link>cdef</link>", L"", 81,
         [](auto& l) {
             TFont font = l.Font();
             font.Style = {fsBold};
             l.SetFont(font);
         },
         L"0,0:x|0,13:ab|24,13:cdef"},
    };
    for (const Case& c : cases) {
        TTestLabel t(L"", c.width, false);
        const std::wstring content = c.dynamicContent;
        t.Label.OnDynamicTagInit = [content](TGraphicControl*, std::wstring& source, int) { source = content; };
        t.Label.SetCaption(c.caption);
        t.Parent.PaintAll();
        c.change(t.Label);
        t.Parent.PaintAll();
        EXPECT_EQ(t.Surface->Painted(), c.expected) << c.name;
    }

    // Laid out fresh, the dynamic cases give the same.
    const std::pair<std::wstring, std::wstring> fresh[] = {{L"x ab<dynamic>", L"cdefgh"},
                                                           {L"x ab<dynamic>cd", L" zzzz "}};
    const std::wstring expected[] = {cases[0].expected, cases[1].expected};
    for (int i = 0; i < 2; ++i) {
        TTestLabel t(L"", cases[i].width, false);
        const std::wstring content = fresh[i].second;
        t.Label.OnDynamicTagInit = [content](TGraphicControl*, std::wstring& source, int) { source = content; };
        t.Label.SetCaption(fresh[i].first);
        t.Parent.PaintAll();
        EXPECT_EQ(t.Surface->Painted(), expected[i]) << i;
    }
}

TEST(LinkLabel, ALinkRedrawInTheMarginsPutsAnOverWideFirstWordWhereThePaintDid)
{
    // The caption starts with a link whose word is wider than the room.
    // The paint lays it out at (0,0) in the image; the redraw of the link
    // alone uses the margin rectangle with the text origin at (5, 3).
    TTestLabel t(L"<link>abcdefghij</link> klm", 60, false);
    t.Label.SetMarginWidth(5);
    t.Label.SetMarginHeight(3);
    t.Parent.PaintAll();
    EXPECT_EQ(t.Surface->Painted(), L"5,3:abcdefghij|5,16:klm");

    t.Surface->Screen.Forget();
    t.Label.HandleMouseDown(mbLeft, 0, 10, 8);
    ASSERT_EQ(t.Surface->Screen.Drawn.size(), 1u);
    const auto& drawn = t.Surface->Screen.Drawn[0];
    EXPECT_EQ((TPoint{drawn.X, drawn.Y}), (TPoint{5, 3}));
    EXPECT_EQ(drawn.Color, clRed);
    auto* run = static_cast<TStringNode*>(t.Label.ActiveLink()->Children()[0]);
    EXPECT_EQ(run->RectArray(), (std::vector<TRect>{{0, 0, 100, H}}));
}

TEST(LinkLabel, AWordMadeOfThreeRunsWrapsAsOne)
{
    // "xxxx " 45, then "a" 10, bold "b" 12, "c" 10: 77 passes 71, so
    // "a", "b" and "c" move down together.
    TTestLabel t(L"xxxx a<b>b</b>c", 71);
    EXPECT_EQ(t.Surface->Painted(), L"0,0:xxxx|0,13:a|10,13:b|22,13:c");
    // A second paint takes the cached widths and agrees.
    t.Surface->Forget();
    t.Label.Invalidate();
    t.Parent.PaintAll();
    EXPECT_EQ(t.Surface->Painted(), L"0,0:xxxx|0,13:a|10,13:b|22,13:c");
}

TEST(LinkLabel, DynamicTagsAreFilledUpdatedAndRead)
{
    TTestLabel t(L"", 300, false);
    std::vector<std::pair<std::wstring, int>> asked;
    t.Label.OnDynamicTagInit = [&](TGraphicControl*, std::wstring& source, int number) {
        asked.push_back({source, number});
        source = L"<link>d" + std::to_wstring(number) + L"</link>";
    };
    t.Label.SetCaption(L"a <dynamic> b <b><dynamic></b>");
    t.Parent.PaintAll();
    // Asked in document order, each time with an empty source.
    EXPECT_EQ(asked, (std::vector<std::pair<std::wstring, int>>{{L"", 0}, {L"", 1}}));
    EXPECT_EQ(t.Label.GetDynamicTagContents(0), L"d0");
    EXPECT_EQ(t.Label.GetDynamicTagContents(1), L"d1");

    // An update repaints at once (before returning).
    t.Surface->Forget();
    t.Label.UpdateDynamicTag(1, L"neu");
    EXPECT_EQ(t.Label.GetDynamicTagContents(1), L"neu");
    EXPECT_NE(t.Surface->Painted().find(L"neu"), std::wstring::npos);

    struct Case {
        std::function<void()> call;
        std::wstring message;
    };
    const Case failures[] = {
        {[&] { t.Label.UpdateDynamicTag(7, L"x"); }, L"TJvCustomLinkLabel.UpdateDynamicTag: Tag not found"},
        {[&] { t.Label.UpdateDynamicTag(-1, L"x"); }, L"TJvCustomLinkLabel.UpdateDynamicTag: Tag not found"},
        {[&] { t.Label.GetDynamicTagContents(2); }, L"Unable to locate specified node"},
        {[&] { t.Label.GetDynamicTagContents(-1); }, L"Unable to locate specified node"},
    };
    for (const Case& c : failures) {
        try {
            c.call();
            ADD_FAILURE() << "no exception";
        } catch (const ELinkLabelError& e) {
            EXPECT_EQ(e.Message, c.message);
        }
    }
}

TEST(LinkLabel, AFailingDynamicTagHandlerLeavesAUsableLabel)
{
    TTestLabel t(kOneLink);
    t.Label.OnDynamicTagInit = [](TGraphicControl*, std::wstring&, int) { throw ELinkLabelError(L"kaputt"); };
    EXPECT_THROW(t.Label.SetCaption(L"a <dynamic> b"), ELinkLabelError);
    // The old tree is gone, an empty one stands in: no stale link to hit.
    EXPECT_EQ(t.Label.NodeTree().Root().Children().Count(), 0);
    t.Label.Invalidate();
    t.Parent.PaintAll();
    EXPECT_EQ(t.Surface->Painted(), L"");
    t.Label.HandleMouseDown(mbLeft, 0, kOnLink, 5);
    EXPECT_EQ(t.Label.ActiveLink(), nullptr);
    t.Label.HandleMouseUp(mbLeft, 0, kOnLink, 5);
}

TEST(LinkLabel, AnUpdateThatDestroysTheClickedLinkForgetsIt)
{
    TTestLabel t(L"", 300, false);
    t.Label.OnDynamicTagInit = [](TGraphicControl*, std::wstring& source, int) { source = L"<link>inner</link>"; };
    t.Label.SetCaption(L"<dynamic>");
    t.Parent.PaintAll();
    TEventLog log(t.Label);
    t.Label.HandleMouseDown(mbLeft, 0, 5, 5);
    ASSERT_NE(t.Label.ActiveLink(), nullptr);
    t.Label.UpdateDynamicTag(0, L"plain text");
    EXPECT_EQ(t.Label.ActiveLink(), nullptr);
    t.Label.HandleMouseUp(mbLeft, 0, 5, 5);
    EXPECT_EQ(log.Joined(), L"down click up");
}

TEST(LinkLabel, NoActiveLinkRemainsWhenARedrawOrAHandlerFails)
{
    TTestLabel t(kOneLink);
    t.Label.HandleMouseDown(mbLeft, 0, kOnLink, 5);
    ASSERT_NE(t.Label.ActiveLink(), nullptr);
    t.Surface->FailDrawing = true;
    EXPECT_THROW(t.Label.HandleMouseUp(mbLeft, 0, kOnLink, 5), std::runtime_error);
    EXPECT_EQ(t.Label.ActiveLink(), nullptr);
    EXPECT_EQ(t.Surface->Locks, 0);

    t.Surface->FailDrawing = false;
    t.Label.OnLinkClick = [](TGraphicControl*, int, const std::wstring&, const std::wstring&) {
        throw ELinkLabelError(L"handler");
    };
    t.Label.HandleMouseDown(mbLeft, 0, kOnLink, 5);
    EXPECT_THROW(t.Label.HandleMouseUp(mbLeft, 0, kOnLink, 5), ELinkLabelError);
    EXPECT_EQ(t.Label.ActiveLink(), nullptr);
    EXPECT_EQ(t.Label.NodeTree().Root().GetFirstNodeOfClass<TLinkNode>()->State(), lsNormal);
}

TEST(LinkLabel, AssistiveTechnologySeesALinkNamedByItsText)
{
    struct Case {
        std::wstring caption;
        TAccessibleRole role;
        std::wstring name;
    };
    const Case cases[] = {
        {L"<link>Info zu Nimbrel</link>", TAccessibleRole::Link, L"Info zu Nimbrel"},
        {L"Mehr <link>&lt;hier&gt;</link>", TAccessibleRole::Link, L"Mehr <hier>"},
        {L"<b>kein</b> Link", TAccessibleRole::StaticText, L"kein Link"},
    };
    for (const Case& c : cases) {
        TTestLabel t(c.caption);
        TAccessibleInfo info;
        ASSERT_TRUE(t.Label.GetAccessibleInfo(info));
        EXPECT_EQ(info.Role, c.role);
        EXPECT_EQ(info.Name, c.name);
        EXPECT_EQ(info.DefaultAction, L"Klicken");
        int clicks = 0;
        t.Label.OnClick = [&](TGraphicControl*) { ++clicks; };
        t.Label.DoDefaultAction();
        EXPECT_EQ(clicks, 1);
    }
}
