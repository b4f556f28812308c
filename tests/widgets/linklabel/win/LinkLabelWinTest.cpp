// The link label on a real window under Wine: painted by GDI, driven by
// the window messages the system delivers for the mouse, seen by MSAA.

#include <windows.h>

#include <oleacc.h>

// Win32 code includes the layout headers like any other.
#include "widgets/linklabel/Renderer.h"
#include "widgets/linklabel/TextHandler.h"

#include "framework/win/Application.h"
#include "framework/win/Forms.h"
#include "widgets/linklabel/JvLinkLabel.h"
#include "widgets/linklabel/win/GdiCanvas.h"
#include "widgets/linklabel/win/LinkLabelClass.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace linklabel;

namespace {

constexpr TFontDef kTahoma8 = {L"Tahoma", 11, false, clWindowText};
constexpr int kLeft = 20;
constexpr int kTop = 10;

const TControlDef kControls[] = {
    {L"Panel", 300, TControlKind::Panel, nullptr, 0, 0, 0, 0, L"", -1, coAlignClient, nullptr, nullptr},
    {L"Link", 301, TControlKind::LinkLabel, L"Panel", kLeft, kTop, 222, 13, L"<link>Infos zur WIM-Datei anzeigen</link>",
     -1, coNone, nullptr, nullptr},
    {L"Wrapped", 302, TControlKind::LinkLabel, L"Panel", kLeft, 60, 70, 13,
     L"<link>Infos zur WIM-Datei anzeigen</link>", -1, coNone, nullptr, nullptr},
    {L"Dynamic", 303, TControlKind::LinkLabel, L"Panel", kLeft, 120, 200, 13, L"Wert: <dynamic>", -1, coNone,
     nullptr, nullptr},
};
const TFormDef kForm = {L"TLinkLabelTestForm", L"Linktest", TBorderStyle::ToolWindow, TPosition::ScreenCenter,
                        320, 200, RGBColor(0, 64, 80), kTahoma8, kControls, std::size(kControls)};

COLORREF RGBOf(TColor c) { return static_cast<COLORREF>(c & 0xFFFFFF); }

class LinkLabelOnAWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        FApp = std::make_unique<TApplication>();
        Application = FApp.get();
        FApp->Initialize();
        RegisterLinkLabel();
        FOwner = std::make_unique<TComponent>(nullptr);
        FForm = new TForm(FOwner.get(), kForm, nullptr);
        FForm->Show();
        Panel = FForm->Control(L"Panel").Handle();
        Link = &FForm->GraphicControl<TJvLinkLabel>(L"Link");
        Settle();
        Log(*Link);
    }
    void TearDown() override
    {
        FOwner.reset();
        FApp.reset();
        Application = nullptr;
    }

    // Lets every pending message (paints too) be handled.
    void Settle()
    {
        UpdateWindow(FForm->Handle());
        RedrawWindow(Panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        Application->ProcessMessages();
    }

    // A mouse message as the system delivers it, at a point of the label.
    void Mouse(UINT message, int x, int y, WPARAM keys = 0)
    {
        SendMessageW(Panel, message, keys, MAKELPARAM(kLeft + x, kTop + y));
    }

    void Log(TJvLinkLabel& label)
    {
        label.OnMouseDown = [this](TGraphicControl*, TMouseButton b, TShiftState, int, int) {
            Events += b == mbRight ? L"downR " : L"down ";
        };
        label.OnMouseUp = [this](TGraphicControl*, TMouseButton b, TShiftState, int, int) {
            Events += b == mbRight ? L"upR " : L"up ";
        };
        label.OnClick = [this](TGraphicControl*) { Events += L"click "; };
        label.OnDblClick = [this](TGraphicControl*) { Events += L"dblclick "; };
        label.OnLinkClick = [this](TGraphicControl*, int n, const std::wstring& text, const std::wstring&) {
            Events += L"link" + std::to_wstring(n) + L"(" + text + L") ";
        };
    }

    // How many pixels of the label's rectangle on the screen show the colour.
    int Pixels(const TGraphicControl& label, TColor color)
    {
        int count = 0;
        HDC dc = GetDC(Panel);
        for (int y = label.Top(); y < label.Top() + label.Height(); ++y)
            for (int x = label.Left(); x < label.Left() + label.Width(); ++x)
                if (GetPixel(dc, x, y) == RGBOf(color))
                    ++count;
        ReleaseDC(Panel, dc);
        return count;
    }

    int LineHeight()
    {
        TFontHandle font = MakeFont(FontOfDef(kTahoma8));
        HDC dc = GetDC(Panel);
        const HGDIOBJ old = SelectObject(dc, font.get());
        SIZE size{};
        GetTextExtentPoint32W(dc, L"Yy", 2, &size);
        SelectObject(dc, old);
        ReleaseDC(Panel, dc);
        return size.cy;
    }

    // x of a point inside the link text, and of one in the empty part.
    int OnLink() const { return 10; }
    int Empty() const { return Link->Width() - 5; }

    std::unique_ptr<TApplication> FApp;
    std::unique_ptr<TComponent> FOwner;
    TForm* FForm = nullptr;
    HWND Panel = nullptr;
    TJvLinkLabel* Link = nullptr;
    std::wstring Events;
};

}  // namespace

TEST_F(LinkLabelOnAWindow, NoChildWindowStandsWhereTheLabelsAre)
{
    EXPECT_EQ(GetWindow(Panel, GW_CHILD), nullptr);
    EXPECT_NE(GetClassLongPtrW(Panel, GCL_STYLE) & CS_DBLCLKS, 0u);
    EXPECT_NE(GetClassLongPtrW(FForm->Handle(), GCL_STYLE) & CS_DBLCLKS, 0u);
}

TEST_F(LinkLabelOnAWindow, MouseMessagesGiveTheEventsInTheirOrder)
{
    const int l = OnLink();
    const int e = Empty();
    const std::wstring text = L"link0(Infos zur WIM-Datei anzeigen) ";
    struct TMsg {
        UINT message;
        int x;
        int y;
        WPARAM keys;
    };
    struct Case {
        const char* name;
        std::vector<TMsg> messages;
        std::wstring events;
    };
    const Case cases[] = {
        {"left click on the link text",
         {{WM_MOUSEMOVE, l, 5, 0}, {WM_LBUTTONDOWN, l, 5, MK_LBUTTON}, {WM_LBUTTONUP, l, 5, 0}},
         L"down click up " + text},
        {"left click in the empty part",
         {{WM_MOUSEMOVE, e, 5, 0}, {WM_LBUTTONDOWN, e, 5, MK_LBUTTON}, {WM_LBUTTONUP, e, 5, 0}},
         L"down click up "},
        {"press on the link, leave, release outside",
         {{WM_LBUTTONDOWN, l, 5, MK_LBUTTON},
          {WM_MOUSEMOVE, l, 60, MK_LBUTTON},
          {WM_MOUSEMOVE, -15, 300, MK_LBUTTON},
          {WM_LBUTTONUP, -15, 300, 0}},
         L"down up "},
        {"press outside the text, release over the link",
         {{WM_LBUTTONDOWN, e, 5, MK_LBUTTON}, {WM_MOUSEMOVE, l, 5, MK_LBUTTON}, {WM_LBUTTONUP, l, 5, 0}},
         L"down click up " + text},
        {"right click on the link", {{WM_RBUTTONDOWN, l, 5, MK_RBUTTON}, {WM_RBUTTONUP, l, 5, 0}},
         L"downR upR " + text},
        {"double click",
         {{WM_LBUTTONDOWN, e, 5, MK_LBUTTON},
          {WM_LBUTTONUP, e, 5, 0},
          {WM_LBUTTONDBLCLK, e, 5, MK_LBUTTON},
          {WM_LBUTTONUP, e, 5, 0}},
         L"down click up dblclick down up "},
    };
    for (const Case& c : cases) {
        Events.clear();
        for (const TMsg& m : c.messages)
            Mouse(m.message, m.x, m.y, m.keys);
        EXPECT_EQ(Events, c.events) << c.name;
        EXPECT_EQ(GetCapture(), nullptr) << c.name;
        EXPECT_EQ(Link->ActiveLink(), nullptr) << c.name;
    }
}

TEST_F(LinkLabelOnAWindow, TheLinkIsBlueRedWhilePressedAndBlueAgainAfter)
{
    EXPECT_GT(Pixels(*Link, clBlue), 20);
    EXPECT_EQ(Pixels(*Link, clRed), 0);
    // The label fills its rectangle with its Color, the panel's clBtnFace.
    EXPECT_GT(Pixels(*Link, GetSysColor(COLOR_BTNFACE)), Link->Width() * Link->Height() / 2);

    Mouse(WM_LBUTTONDOWN, OnLink(), 5, MK_LBUTTON);
    EXPECT_EQ(GetCapture(), Panel);
    EXPECT_GT(Pixels(*Link, clRed), 20);
    EXPECT_EQ(Pixels(*Link, clBlue), 0);

    // Leaving and releasing outside: no click, the link blue again.
    Mouse(WM_MOUSEMOVE, 400, 5, MK_LBUTTON);
    EXPECT_GT(Pixels(*Link, clRed), 20);
    Events.clear();
    Mouse(WM_LBUTTONUP, 400, 5, 0);
    EXPECT_EQ(Events, L"up ");
    EXPECT_GT(Pixels(*Link, clBlue), 20);
    EXPECT_EQ(Pixels(*Link, clRed), 0);

    // A press in the empty part leaves the link blue.
    Mouse(WM_LBUTTONDOWN, Empty(), 5, MK_LBUTTON);
    EXPECT_EQ(Pixels(*Link, clRed), 0);
    Mouse(WM_LBUTTONUP, Empty(), 5, 0);
}

TEST_F(LinkLabelOnAWindow, ALostCaptureEndsThePressWithoutAClick)
{
    Mouse(WM_LBUTTONDOWN, OnLink(), 5, MK_LBUTTON);
    ASSERT_EQ(GetCapture(), Panel);
    EXPECT_GT(Pixels(*Link, clRed), 20);
    Events.clear();
    // Another window takes the mouse (a box that opens, say): the press
    // ends as a release outside the label.
    SetCapture(FForm->Handle());
    EXPECT_EQ(Events, L"up ");
    EXPECT_EQ(Link->ActiveLink(), nullptr);
    EXPECT_GT(Pixels(*Link, clBlue), 20);
    EXPECT_EQ(Pixels(*Link, clRed), 0);
    ReleaseCapture();
    // The release that follows makes no click.
    Mouse(WM_LBUTTONUP, OnLink(), 5, 0);
    EXPECT_EQ(Events.find(L"click "), std::wstring::npos);
}

TEST_F(LinkLabelOnAWindow, HotLinksTurnPurpleUnderThePointerOnlyWhenAsked)
{
    Mouse(WM_MOUSEMOVE, OnLink(), 5);
    EXPECT_EQ(Pixels(*Link, clPurple), 0);
    Mouse(WM_MOUSEMOVE, Empty(), 5);

    Link->SetHotLinks(true);
    Mouse(WM_MOUSEMOVE, OnLink(), 5);
    EXPECT_GT(Pixels(*Link, clPurple), 20);
    EXPECT_EQ(Pixels(*Link, clBlue), 0);
    Mouse(WM_MOUSEMOVE, Empty(), 5);
    EXPECT_EQ(Pixels(*Link, clPurple), 0);
    EXPECT_GT(Pixels(*Link, clBlue), 20);
    Mouse(WM_MOUSEMOVE, OnLink(), 5);
    SendMessageW(Panel, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Pixels(*Link, clPurple), 0);
}

TEST_F(LinkLabelOnAWindow, TheHandCursorShowsOverTheLinkTextOnly)
{
    struct Case {
        int x;
        const wchar_t* cursor;
    };
    const Case cases[] = {{OnLink(), IDC_HAND}, {Empty(), IDC_ARROW}, {OnLink(), IDC_HAND}};
    for (const Case& c : cases) {
        POINT p{kLeft + c.x, kTop + 5};
        ClientToScreen(Panel, &p);
        ASSERT_TRUE(SetCursorPos(p.x, p.y));
        Mouse(WM_MOUSEMOVE, c.x, 5);
        SendMessageW(Panel, WM_SETCURSOR, reinterpret_cast<WPARAM>(Panel), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor)) << c.x;
        EXPECT_EQ(Link->Cursor(), c.cursor == IDC_HAND ? crHandPoint : crDefault) << c.x;
    }
}

TEST_F(LinkLabelOnAWindow, AutoHeightGivesOneLineOrTwo)
{
    const int line = LineHeight();
    EXPECT_GE(line, 12);
    EXPECT_EQ(Link->Height(), line);
    // Narrower than the caption, wider than all of it but its last word.
    auto& wrapped = FForm->GraphicControl<TJvLinkLabel>(L"Wrapped");
    TFontCache fonts;
    fonts.SetFont(FontOfDef(kTahoma8));
    TGdiCanvas measure(fonts);
    const int all = measure.TextWidth(L"Infos zur WIM-Datei anzeigen");
    const int first = measure.TextWidth(L"Infos zur WIM-Datei");
    wrapped.SetWidth(first + (all - first) / 2);
    Settle();
    EXPECT_EQ(wrapped.Height(), 2 * line);
    // Both lines show link text.
    int rows[2] = {0, 0};
    HDC dc = GetDC(Panel);
    for (int y = 0; y < 2 * line; ++y)
        for (int x = 0; x < wrapped.Width(); ++x)
            if (GetPixel(dc, wrapped.Left() + x, wrapped.Top() + y) == RGBOf(clBlue))
                ++rows[y / line];
    ReleaseDC(Panel, dc);
    EXPECT_GT(rows[0], 10);
    EXPECT_GT(rows[1], 10);
}

TEST_F(LinkLabelOnAWindow, DynamicTagsAndTheirErrors)
{
    auto& label = FForm->GraphicControl<TJvLinkLabel>(L"Dynamic");
    label.UpdateDynamicTag(0, L"<link>zweiundvierzig</link>");
    EXPECT_EQ(label.GetDynamicTagContents(0), L"zweiundvierzig");
    // Repainted at once: the new link is on the screen already.
    EXPECT_GT(Pixels(label, clBlue), 20);

    struct Case {
        std::function<void()> call;
        std::wstring message;
    };
    const Case cases[] = {
        {[&] { label.UpdateDynamicTag(1, L"x"); }, L"TJvCustomLinkLabel.UpdateDynamicTag: Tag not found"},
        {[&] { label.GetDynamicTagContents(1); }, L"Unable to locate specified node"},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "no exception";
        } catch (const ELinkLabelError& e) {
            EXPECT_EQ(e.Message, c.message);
        }
    }
}

TEST_F(LinkLabelOnAWindow, ScreenReadersSeeTheLinks)
{
    CoInitialize(nullptr);
    IAccessible* client = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(Panel, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&client)),
              S_OK);
    ASSERT_NE(client, nullptr);
    long count = 0;
    ASSERT_EQ(client->get_accChildCount(&count), S_OK);

    struct TSeen {
        long id;
        long role;
        std::wstring name;
        RECT location;
        std::wstring action;
    };
    std::vector<TSeen> links;
    for (long id = 1; id <= count; ++id) {
        VARIANT child;
        child.vt = VT_I4;
        child.lVal = id;
        VARIANT role;
        VariantInit(&role);
        if (client->get_accRole(child, &role) != S_OK || role.vt != VT_I4)
            continue;
        TSeen seen{id, role.lVal, L"", {}, L""};
        BSTR text = nullptr;
        if (client->get_accName(child, &text) == S_OK && text != nullptr) {
            seen.name = text;
            SysFreeString(text);
        }
        long x = 0, y = 0, w = 0, h = 0;
        EXPECT_EQ(client->accLocation(&x, &y, &w, &h, child), S_OK);
        seen.location = RECT{x, y, x + w, y + h};
        text = nullptr;
        if (client->get_accDefaultAction(child, &text) == S_OK && text != nullptr) {
            seen.action = text;
            SysFreeString(text);
        }
        if (seen.role == ROLE_SYSTEM_LINK)
            links.push_back(seen);
    }
    ASSERT_EQ(links.size(), 2u);
    const wchar_t* members[] = {L"Link", L"Wrapped"};
    for (int i = 0; i < 2; ++i) {
        auto& label = FForm->GraphicControl<TJvLinkLabel>(members[i]);
        EXPECT_EQ(links[i].name, L"Infos zur WIM-Datei anzeigen");
        EXPECT_EQ(links[i].action, L"Klicken");
        RECT expected{label.Left(), label.Top(), label.Left() + label.Width(), label.Top() + label.Height()};
        MapWindowPoints(Panel, nullptr, reinterpret_cast<POINT*>(&expected), 2);
        EXPECT_TRUE(EqualRect(&links[i].location, &expected)) << i;
    }

    // The hit test finds the label under a point.
    POINT p{kLeft + OnLink(), kTop + 5};
    ClientToScreen(Panel, &p);
    VARIANT hit;
    VariantInit(&hit);
    EXPECT_EQ(client->accHitTest(p.x, p.y, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, links[0].id);

    // The default action is the click, run from the message loop.
    Events.clear();
    VARIANT first;
    first.vt = VT_I4;
    first.lVal = links[0].id;
    EXPECT_EQ(client->accDoDefaultAction(first), S_OK);
    EXPECT_EQ(Events, L"");
    Application->ProcessMessages();
    EXPECT_EQ(Events, L"click ");

    // The other questions about a link, and about a child that is not there.
    const auto child = [](long id) {
        VARIANT v;
        v.vt = VT_I4;
        v.lVal = id;
        return v;
    };
    IDispatch* dispatch = reinterpret_cast<IDispatch*>(client);
    EXPECT_EQ(client->get_accChild(child(links[0].id), &dispatch), S_FALSE);
    EXPECT_EQ(dispatch, nullptr);
    VARIANT state;
    VariantInit(&state);
    EXPECT_EQ(client->get_accState(child(links[0].id), &state), S_OK);
    EXPECT_EQ(state.lVal & STATE_SYSTEM_LINKED, STATE_SYSTEM_LINKED);
    EXPECT_EQ(client->accSelect(SELFLAG_TAKEFOCUS, child(links[0].id)), DISP_E_MEMBERNOTFOUND);
    struct TStep {
        long direction;
        long from;
        HRESULT result;
        long to;
    } steps[] = {{NAVDIR_NEXT, links[0].id, S_OK, links[1].id},
                 {NAVDIR_PREVIOUS, links[1].id, S_OK, links[0].id},
                 {NAVDIR_PREVIOUS, links[0].id, S_FALSE, 0},
                 {NAVDIR_NEXT, count, S_FALSE, 0}};  // the last child is presented here
    for (const TStep& step : steps) {
        VARIANT end;
        VariantInit(&end);
        EXPECT_EQ(client->accNavigate(step.direction, child(step.from), &end), step.result) << step.from;
        EXPECT_EQ(step.result == S_OK ? end.lVal : 0, step.to) << step.from;
    }
    BSTR missing = nullptr;
    EXPECT_EQ(client->get_accName(child(count + 1), &missing), E_INVALIDARG);
    EXPECT_EQ(missing, nullptr);
    client->Release();
    CoUninitialize();
}

TEST(GdiCanvas, LaysOutLikeTheLayoutExpectsOnAMemoryImage)
{
    // The layout measures through the canvas: a caption drawn on a GDI
    // image puts its second word where the first one's width ends.
    TFontCache fonts;
    fonts.SetFont(FontOfDef(kTahoma8));
    TGdiImage image(nullptr, 200, 40, clWhite, fonts);
    TLinkNode::ResetCount();
    auto tree = TDefaultParser().Parse(L"Wort <b>fett</b> <link>Link</link>");
    TDefaultRenderer renderer;
    renderer.SetLinkColor(clBlue);
    renderer.SetLinkStyle({fsUnderline});
    renderer.RenderTree(image, {0, 0, 199, 39}, *tree);
    const int line = image.TextHeight(L"Yy");
    EXPECT_EQ(renderer.GetTextHeight(), line);
    auto* link = tree->Root().GetFirstNodeOfClass<TLinkNode>();
    const int wordWidth = image.TextWidth(L"Wort ");
    image.SetFontStyle({fsBold});
    const int boldWidth = image.TextWidth(L"fett");
    image.SetFontStyle({});
    EXPECT_EQ(link->StartingPoint().X, wordWidth + boldWidth + image.TextWidth(L" "));
    // One font per style set was made: plain, bold, underlined.
    EXPECT_EQ(fonts.Count(), 3);
    // The link's pixels are blue.
    int blue = 0;
    for (int y = 0; y < line; ++y)
        for (int x = link->StartingPoint().X; x < 200; ++x)
            if (GetPixel(image.DC(), x, y) == RGB(0, 0, 255))
                ++blue;
    EXPECT_GT(blue, 10);
    // clNone draws nothing.
    TGdiCanvas none(fonts);
    none.SetDC(image.DC());
    none.SetFontColor(clNone);
    none.DrawString(0, 20, L"XXXX");
    int drawn = 0;
    for (int y = 20; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            if (GetPixel(image.DC(), x, y) != RGB(255, 255, 255))
                ++drawn;
    EXPECT_EQ(drawn, 0);
}
