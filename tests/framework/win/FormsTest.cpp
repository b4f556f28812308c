#include "framework/win/Forms.h"

#include "framework/win/Application.h"
#include "framework/win/Dpi.h"
#include "framework/win/Theme.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr TFontDef kTahoma8 = {L"Tahoma", 11, false, clWindowText};
constexpr TFontDef kWhite13 = {L"Tahoma", 13, false, clWhite};

const wchar_t* const kEntries[] = {L"1", L"2", L"3", nullptr};

// One windowed control of each kind, aligned panels, a label sized by its
// text and one that wraps.
const TControlDef kControls[] = {
    {L"Outer", 400, TControlKind::Panel, nullptr, 0, 0, 0, 0, L"", -1, coAlignClient, nullptr, nullptr},
    {L"Strip", 401, TControlKind::Panel, L"Outer", 0, 0, 0, 50, L"", -1, coAlignTop, nullptr, nullptr},
    {L"Body", 402, TControlKind::Panel, L"Outer", 0, 0, 0, 0, L"", -1, coAlignClient, nullptr, nullptr},
    {L"Sized", 403, TControlKind::Label, L"Strip", 16, 7, 0, 0, L"Ihr System", -1, coNone, nullptr, nullptr},
    {L"Wrapped", 404, TControlKind::Label, L"Body", 16, 5, 300, 48, L"Ein Text, der umbricht.", -1, coWordWrap,
     &kWhite13, nullptr},
    {L"Edit", 405, TControlKind::Edit, L"Body", 16, 60, 200, 21, L"", 0, coNone, nullptr, nullptr},
    {L"Button", 406, TControlKind::Button, L"Body", 230, 55, 32, 40, L"...", 1, coNone, nullptr, nullptr},
    {L"Combo", 407, TControlKind::ComboBox, L"Body", 280, 60, 39, 21, L"1", 2, coNone, nullptr, kEntries},
    {L"Group", 408, TControlKind::GroupBox, L"Body", 16, 100, 193, 84, L"Gruppe", 3, coNone, nullptr, nullptr},
    {L"Radio", 409, TControlKind::RadioButton, L"Group", 16, 15, 161, 33, L"Wahl", 0, coChecked, nullptr, nullptr},
    {L"Progress", 410, TControlKind::ProgressBar, L"Body", 230, 110, 100, 17, L"", -1, coNone, nullptr, nullptr},
    {L"Memo", 411, TControlKind::Memo, L"Body", 230, 130, 120, 60, L"", 4, coScrollBars, nullptr, nullptr},
};
const TFormDef kForm = {L"TFormsTestForm", L"Formtest", TBorderStyle::ToolWindow, TPosition::ScreenCenter, 400, 260,
                        RGBColor(0, 64, 80), kTahoma8, kControls, std::size(kControls)};

// Records what a form hands it; styles nothing.
struct TRecordingStyler : TControlStyler {
    struct TCall {
        HWND Control;
        TControlKind Kind;
        TColor Surface, Text;
    };
    bool StyleControl(HWND control, TControlKind kind, TColor surface, TColor text) override
    {
        Calls.push_back({control, kind, surface, text});
        return false;
    }
    std::vector<TCall> Calls;
};

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FApp = std::make_unique<TApplication>();
        Application = FApp.get();
        FApp->Initialize();
        FOwner = std::make_unique<TComponent>(nullptr);
        {
            TInstalledControlStyler installed(&Styler);
            Form = new TForm(FOwner.get(), kForm, nullptr);
        }
        Form->Show();
        FApp->ProcessMessages();
    }
    void TearDown() override
    {
        FOwner.reset();
        FApp.reset();
        Application = nullptr;
    }

    // A control's rectangle in its parent's client area.
    static RECT InParent(HWND control)
    {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    static int FontHeight(HWND window)
    {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font);
        return font.lfHeight;
    }

    void ChangeDpi(int dpi)
    {
        RECT suggested;
        GetWindowRect(Form->Handle(), &suggested);
        SendMessageW(Form->Handle(), kDpiChangedMessage, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        FApp->ProcessMessages();
    }

    // Every control where the layout for the form's resolution puts it, in
    // its font scaled to it.
    void ExpectLaidOutFor(int dpi)
    {
        const TFormLayout layout = LayoutForm(kForm, dpi);
        EXPECT_EQ(Form->Dpi(), dpi);
        RECT client;
        GetClientRect(Form->Handle(), &client);
        EXPECT_EQ(client.right, layout.ClientWidth);
        EXPECT_EQ(client.bottom, layout.ClientHeight);
        for (std::size_t i = 0; i < std::size(kControls); ++i) {
            const TControlDef& def = kControls[i];
            const HWND control = Form->Control(def.Member).Handle();
            const RECT r = InParent(control);
            const TRect& want = layout.Bounds[i];
            SCOPED_TRACE(testing::Message() << "control " << i << " at " << dpi << " DPI");
            EXPECT_EQ(r.left, want.Left);
            EXPECT_EQ(r.top, want.Top);
            if (def.Width != 0) {
                EXPECT_EQ(r.right, want.Right);
                EXPECT_EQ(r.bottom, want.Bottom);
            }
            if (def.Kind != TControlKind::Panel) {  // panels keep no font
                EXPECT_EQ(FontHeight(control), -FontHeightForDpi(def.Font != nullptr ? *def.Font : kTahoma8, dpi));
            }
        }
    }

    std::unique_ptr<TApplication> FApp;
    std::unique_ptr<TComponent> FOwner;
    TForm* Form = nullptr;
    TRecordingStyler Styler;
};

}  // namespace

TEST_F(FormsTest, EveryControlGoesToTheStylerOnTheWindowsColourWithItsOwnTextColour)
{
    ASSERT_EQ(Styler.Calls.size(), std::size(kControls));
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        const TControlDef& def = kControls[i];
        SCOPED_TRACE(testing::Message() << "control " << i);
        EXPECT_EQ(Styler.Calls[i].Control, Form->Control(def.Member).Handle());
        EXPECT_EQ(Styler.Calls[i].Kind, def.Kind);
        EXPECT_EQ(Styler.Calls[i].Surface, RGBColor(0, 64, 80));
        EXPECT_EQ(Styler.Calls[i].Text, def.Font != nullptr ? def.Font->Color : clDefault);
    }
}

TEST_F(FormsTest, ARelayoutForEveryResolutionAndBackLeavesNothingMovedByAPixel)
{
    const int start = Form->Dpi();
    ExpectLaidOutFor(start);
    std::vector<RECT> before;
    for (const TControlDef& def : kControls)
        before.push_back(InParent(Form->Control(def.Member).Handle()));

    for (const int dpi : {144, 120, 192}) {
        ChangeDpi(dpi);
        ExpectLaidOutFor(dpi);
        const RECT combo = InParent(Form->Control(L"Combo").Handle());
        EXPECT_EQ(combo.bottom - combo.top, ScaleForDpi(60 + 21, dpi) - ScaleForDpi(60, dpi)) << "closed, as laid out";
    }
    ChangeDpi(start);
    ExpectLaidOutFor(start);
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        const RECT r = InParent(Form->Control(kControls[i].Member).Handle());
        EXPECT_TRUE(EqualRect(&r, &before[i])) << "control " << i;
    }
}
