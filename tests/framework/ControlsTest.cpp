#include "framework/Controls.h"
#include "framework/StyleColors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TParent : IControlParent {
    TColor Color() const override { return FColor; }
    const TFont& Font() const override { return FFont; }
    bool HandleAllocated() const override { return true; }
    void InvalidateArea(const TRect& Area, bool Now) override { Invalidated.push_back({Area, Now}); }
    void ControlCursorChanged(TGraphicControl& Control) override { Cursors.push_back(Control.Cursor()); }

    TColor FColor = clBtnFace;
    TFont FFont{L"Tahoma", 13, {}, clWindowText};
    std::vector<std::pair<TRect, bool>> Invalidated;
    std::vector<TCursor> Cursors;
};

struct TLogged : TGraphicControl {
    TLogged()
    {
        SetBounds(10, 20, 100, 30);
        OnClick = [this](TGraphicControl*) { Log += "click "; };
        OnDblClick = [this](TGraphicControl*) { Log += "dbl "; };
        OnMouseDown = [this](TGraphicControl*, TMouseButton b, TShiftState s, int x, int y) {
            Log += "down" + std::to_string(b) + (s & ssDouble ? "d" : "") + "@" + std::to_string(x) + "," +
                   std::to_string(y) + " ";
        };
        OnMouseUp = [this](TGraphicControl*, TMouseButton b, TShiftState, int x, int y) {
            Log += "up" + std::to_string(b) + "@" + std::to_string(x) + "," + std::to_string(y) + " ";
        };
    }
    void CMColorChanged() override
    {
        Log += "color ";
        TGraphicControl::CMColorChanged();
    }
    void CMFontChanged() override { Log += "font "; }
    void CMTextChanged() override { Log += "text "; }
    std::string Log;
};

}  // namespace

TEST(GraphicControl, ClicksComeFromLeftPressAndReleaseInside)
{
    struct Step {
        bool down;
        TMouseButton button;
        TShiftState shift;
        int x, y;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::string log;
    };
    const Case cases[] = {
        {"left inside", {{true, mbLeft, 0, 5, 5}, {false, mbLeft, 0, 6, 6}}, "down0@5,5 click up0@6,6 "},
        {"released outside", {{true, mbLeft, 0, 5, 5}, {false, mbLeft, 0, 100, 6}}, "down0@5,5 up0@100,6 "},
        {"released above", {{true, mbLeft, 0, 5, 5}, {false, mbLeft, 0, 5, -1}}, "down0@5,5 up0@5,-1 "},
        {"right button", {{true, mbRight, 0, 5, 5}, {false, mbRight, 0, 5, 5}}, "down1@5,5 up1@5,5 "},
        {"middle button", {{true, mbMiddle, 0, 5, 5}, {false, mbMiddle, 0, 5, 5}}, "down2@5,5 up2@5,5 "},
        {"release without press", {{false, mbLeft, 0, 5, 5}}, "up0@5,5 "},
        {"double click",
         {{true, mbLeft, 0, 5, 5}, {false, mbLeft, 0, 5, 5}, {true, mbLeft, ssDouble, 5, 5}, {false, mbLeft, 0, 5, 5}},
         "down0@5,5 click up0@5,5 dbl down0d@5,5 up0@5,5 "},
        {"right double click",
         {{true, mbRight, 0, 5, 5}, {false, mbRight, 0, 5, 5}, {true, mbRight, ssDouble, 5, 5}, {false, mbRight, 0, 5, 5}},
         "down1@5,5 up1@5,5 down1d@5,5 up1@5,5 "},
    };
    for (const Case& c : cases) {
        TLogged control;
        for (const Step& s : c.steps) {
            if (s.down)
                control.HandleMouseDown(s.button, s.shift, s.x, s.y);
            else
                control.HandleMouseUp(s.button, s.shift, s.x, s.y);
        }
        EXPECT_EQ(control.Log, c.log) << c.name;
    }

    // A lost capture ends a press without a click.
    TLogged control;
    control.HandleMouseDown(mbLeft, 0, 5, 5);
    control.HandleCancelMode();
    control.HandleCancelMode();
    control.HandleMouseUp(mbLeft, 0, 5, 5);
    EXPECT_EQ(control.Log, "down0@5,5 up0@-1,-1 up0@5,5 ");
}

TEST(GraphicControl, ParentColourAndFontAreTakenUntilSetOwn)
{
    TParent parent;
    TLogged control;
    control.SetParent(&parent);
    EXPECT_EQ(control.Color(), clBtnFace);
    EXPECT_EQ(control.Font(), parent.FFont);
    EXPECT_EQ(control.Log, "color font ");

    parent.FColor = clRed;
    control.HandleParentColorChange();
    EXPECT_EQ(control.Color(), clRed);

    control.Log.clear();
    control.SetColor(clRed);  // the same value: ParentColor goes, nothing else
    EXPECT_FALSE(control.ParentColor());
    EXPECT_EQ(control.Log, "");
    parent.FColor = clGreen;
    control.HandleParentColorChange();
    EXPECT_EQ(control.Color(), clRed);
    control.SetParentColor(true);
    EXPECT_EQ(control.Color(), clGreen);

    TFont own = parent.FFont;
    own.Style = {fsBold};
    control.SetFont(own);
    parent.FFont.Height = 20;
    control.HandleParentFontChange();
    EXPECT_EQ(control.Font(), own);
    EXPECT_FALSE(control.ParentFont());
}

TEST(GraphicControl, ChangesMarkTheRightAreasOfTheParent)
{
    TParent parent;
    TLogged control;
    control.SetParent(&parent);
    parent.Invalidated.clear();

    control.SetBounds(30, 20, 100, 40);  // both where it was and where it is
    control.SetBounds(30, 20, 100, 40);
    control.Invalidate();
    control.Repaint();
    control.SetVisible(false);
    control.Invalidate();  // a hidden control needs no paint
    control.SetVisible(true);
    const std::vector<std::pair<TRect, bool>> expected{
        {{10, 20, 130, 60}, false}, {{30, 20, 130, 60}, false}, {{30, 20, 130, 60}, true},
        {{30, 20, 130, 60}, false}, {{30, 20, 130, 60}, false}};
    EXPECT_EQ(parent.Invalidated, expected);

    control.SetCursor(crHandPoint);
    control.SetCursor(crHandPoint);
    control.SetCursor(crDefault);
    EXPECT_EQ(parent.Cursors, (std::vector<TCursor>{crHandPoint, crDefault}));

    control.Log.clear();
    control.SetText(L"a");
    control.SetText(L"a");
    EXPECT_EQ(control.Log, "text ");

    EXPECT_TRUE(control.HitTest(0, 0));
    EXPECT_TRUE(control.HitTest(99, 39));
    EXPECT_FALSE(control.HitTest(100, 39));
    EXPECT_FALSE(control.HitTest(-1, 0));
}

TEST(GraphicControl, SizesKeepWithinTheConstraints)
{
    struct Case {
        TSizeConstraints limits;
        int width, height;
        int expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {{}, 500, 1, 500, 1},
        {{10, 20, 0, 0}, 5, 5, 10, 20},
        {{0, 0, 100, 30}, 500, 40, 100, 30},
        {{10, 20, 100, 30}, 50, 25, 50, 25},
    };
    for (const Case& c : cases) {
        TLogged control;
        control.SetConstraints(c.limits);
        control.SetBounds(1, 2, c.width, c.height);
        EXPECT_EQ((std::pair{control.Width(), control.Height()}), (std::pair{c.expectedWidth, c.expectedHeight}));
        EXPECT_EQ((std::pair{control.Left(), control.Top()}), (std::pair{1, 2}));
    }
    // New constraints apply to the size the control has.
    TLogged control;
    control.SetConstraints({0, 0, 60, 0});
    EXPECT_EQ(control.Width(), 60);
}

TEST(StyleColors, ACustomStyleReplacesOnlySystemColours)
{
    struct TStyle : ICustomStyleColors {
        std::optional<TColor> SystemColor(TColor c) const override
        {
            if (c == clBtnFace)
                return RGBColor(1, 2, 3);
            return std::nullopt;
        }
    } style;
    const auto sys = [](int index) -> std::uint32_t { return 0x010101u * static_cast<std::uint32_t>(index); };

    struct Case {
        TColor color;
        TColor defaultColor;
        bool custom;
        std::optional<std::uint32_t> painted;
    };
    const Case cases[] = {
        {clRed, clWindow, false, 0x0000FF},
        {clBtnFace, clWindow, false, 0x0F0F0F},
        {clBtnFace, clWindow, true, RGBColor(1, 2, 3)},
        {clWindowText, clWindow, true, 0x080808},  // the style keeps the system's
        {clNone, clWindow, false, std::nullopt},
        {clDefault, clWindow, false, 0x050505},
        {clDefault, clBtnFace, true, RGBColor(1, 2, 3)},
        {clDefault, clDefault, false, std::nullopt},
        {0x02ABCDEF, clWindow, false, 0xABCDEF},
    };
    for (const Case& c : cases) {
        SetActiveCustomStyleColors(c.custom ? &style : nullptr);
        EXPECT_EQ(ResolveColor(c.color, c.defaultColor, sys), c.painted) << std::hex << c.color;
    }
    SetActiveCustomStyleColors(&style);
    EXPECT_EQ(StyleColor(clBtnFace), RGBColor(1, 2, 3));
    EXPECT_EQ(StyleColor(clBlue), clBlue);
    SetActiveCustomStyleColors(nullptr);
    EXPECT_EQ(StyleColor(clBtnFace), clBtnFace);
    EXPECT_EQ(ActiveCustomStyleColors(), nullptr);
}
