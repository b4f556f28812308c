#include "framework/win/Forms.h"

#include "framework/win/Application.h"
#include "framework/win/Dpi.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace {

constexpr TFontDef kTahoma8 = {L"Tahoma", 11, false, clWindowText};
constexpr TFontDef kTahoma13 = {L"Tahoma", 13, false, clWhite};
const wchar_t* const kEntries[] = {L"1", L"2", nullptr};

const TControlDef kControls[] = {
    {L"Outer", 400, TControlKind::Panel, nullptr, 0, 0, 0, 0, L"", -1, coAlignClient, nullptr, nullptr},
    {L"Strip", 401, TControlKind::Panel, L"Outer", 0, 0, 0, 50, L"", -1, coAlignTop, nullptr, nullptr},
    {L"Body", 402, TControlKind::Panel, L"Outer", 0, 0, 0, 0, L"", -1, coAlignClient, nullptr, nullptr},
    {L"Sized", 403, TControlKind::Label, L"Strip", 16, 7, 0, 0, L"Ihr System", -1, coNone, nullptr, nullptr},
    {L"Wrapped", 404, TControlKind::Label, L"Body", 16, 5, 300, 48, L"Ein Text", -1, coWordWrap, &kTahoma13, nullptr},
    {L"Button", 405, TControlKind::Button, L"Body", 230, 55, 32, 40, L"...", 0, coNone, nullptr, nullptr},
    {L"Combo", 406, TControlKind::ComboBox, L"Body", 280, 60, 39, 21, L"1", 1, coNone, nullptr, kEntries},
    {L"Group", 407, TControlKind::GroupBox, L"Body", 16, 100, 193, 84, L"Gruppe", 2, coNone, nullptr, nullptr},
    {L"Radio", 408, TControlKind::RadioButton, L"Group", 16, 15, 161, 33, L"Wahl", 0, coNone, nullptr, nullptr},
    {L"Memo", 409, TControlKind::Memo, L"Body", 230, 130, 120, 60, L"", 3, coScrollBars, nullptr, nullptr},
};
const TFormDef kForm = {L"TFormsTestForm", L"Formtest", TBorderStyle::ToolWindow, TPosition::ScreenCenter, 400, 260,
                        RGBColor(0, 64, 80), kTahoma8, kControls, std::size(kControls)};

RECT InParent(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int FontHeight(HWND window)
{
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font.lfHeight;
}

}  // namespace

// What the system sends when the window moves to a monitor of another
// resolution: every control where that resolution's layout puts it, in its
// font at that size, the closed combo box as high as laid out; and back
// again nothing has moved by a pixel.
TEST(Forms, AWindowLaysItselfOutAgainWhenItsResolutionChanges)
{
    TApplication app;
    Application = &app;
    app.Initialize();
    {
        TComponent owner(nullptr);
        TForm* form = new TForm(&owner, kForm, nullptr);
        form->Show();
        std::vector<RECT> before;
        for (const TControlDef& def : kControls)
            before.push_back(InParent(form->Control(def.Member).Handle()));

        for (const int dpi : {144, 120, 192, form->Dpi()}) {
            RECT suggested;
            GetWindowRect(form->Handle(), &suggested);
            SendMessageW(form->Handle(), kDpiChangedMessage, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            const TFormLayout layout = LayoutForm(kForm, dpi);
            RECT client;
            GetClientRect(form->Handle(), &client);
            EXPECT_EQ(form->Dpi(), dpi);
            EXPECT_EQ(client.right, layout.ClientWidth) << dpi;
            EXPECT_EQ(client.bottom, layout.ClientHeight) << dpi;
            for (std::size_t i = 0; i < std::size(kControls); ++i) {
                const TControlDef& def = kControls[i];
                const HWND control = form->Control(def.Member).Handle();
                const RECT r = InParent(control);
                const TRect& want = layout.Bounds[i];
                SCOPED_TRACE(testing::Message() << def.Member << " at " << dpi << " DPI");
                EXPECT_EQ(r.left, want.Left);
                EXPECT_EQ(r.top, want.Top);
                if (def.Width != 0) {  // a label sized by its text follows its font
                    EXPECT_EQ(r.right, want.Right);
                    EXPECT_EQ(r.bottom, want.Bottom);
                }
                if (def.Kind != TControlKind::Panel) {  // panels keep no font
                    EXPECT_EQ(FontHeight(control), -FontHeightForDpi(def.Font != nullptr ? *def.Font : kTahoma8, dpi));
                }
            }
        }
        for (std::size_t i = 0; i < std::size(kControls); ++i) {
            const RECT r = InParent(form->Control(kControls[i].Member).Handle());
            EXPECT_TRUE(EqualRect(&r, &before[i])) << kControls[i].Member;
        }
    }
    Application = nullptr;
}
