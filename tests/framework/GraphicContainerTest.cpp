#include "framework/GraphicContainer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

struct TContainer : TGraphicContainer {
    TColor Color() const override { return clBtnFace; }
    const TFont& Font() const override { return FFont; }
    bool HandleAllocated() const override { return true; }
    void InvalidateArea(const TRect&, bool) override { ++Invalidated; }
    void ControlCursorChanged(TGraphicControl&) override {}
    void SetMouseCapture(bool capture) override { Captured = capture; }
    void TrackMouseLeave() override {}

    TFont FFont{L"Tahoma", 11, {}, clWindowText};
    bool Captured = false;
    int Invalidated = 0;
};

// A control whose events are written down; after its click it still hears
// of the release, so a control freed in its click handler shows up as a
// use after free under the address sanitizer.
struct TButton : TGraphicControl {
    explicit TButton(std::string& log, int left) : Log(log)
    {
        SetBounds(left, 0, 20, 20);
        OnMouseUp = [this](TGraphicControl*, TMouseButton, TShiftState, int, int) { Log += Name8() + ".up "; };
    }
    std::string Name8() const { return std::string(Name.begin(), Name.end()); }
    std::string& Log;
};

}  // namespace

TEST(GraphicContainer, AControlRemovedByItsOwnHandlerGoesWhenTheEventIsOver)
{
    struct Case {
        const char* what;
        std::function<void(TContainer&, TGraphicControl&)> event;
        std::string log;
    };
    const Case cases[] = {
        {"a click",
         [](TContainer& c, TGraphicControl&) {
             c.ButtonDown(mbLeft, false, {5, 5}, 0);
             c.ButtonUp(mbLeft, {5, 5}, 0, true);
         },
         "A.click A.up "},
        {"the default action", [](TContainer& c, TGraphicControl& a) { c.DefaultAction(a); }, "A.click "},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        TContainer container;
        std::string log;
        auto& a = container.Add(std::make_unique<TButton>(log, 0));
        auto& b = container.Add(std::make_unique<TButton>(log, 30));
        a.Name = L"A";
        b.Name = L"B";
        b.SetTabStop(true);
        container.FocusControl(&b);
        // The handler removes its own control and, after it, the other one.
        a.OnClick = [&](TGraphicControl* sender) {
            log += "A.click ";
            container.Remove(*sender);
            EXPECT_EQ(container.ControlAt({5, 5}), nullptr) << "a control on its way out takes no input";
            container.Remove(b);
        };
        test.event(container, a);
        EXPECT_EQ(log, test.log);
        EXPECT_TRUE(container.Controls().empty());
        EXPECT_EQ(container.FocusedControl(), nullptr);
        EXPECT_EQ(container.CaptureControl(), nullptr);
        EXPECT_FALSE(container.Captured);
        // Input still works with nothing left.
        EXPECT_FALSE(container.ButtonDown(mbLeft, false, {5, 5}, 0));
    }
}
