#include "resources/Themes.h"
#include "tests/theme/win/Pixels.h"
#include "theme/win/Paint.h"
#include "theme/PaletteStyle.h"
#include "theme/win/ThemeEngine.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

namespace {

using R = TThemeRole;

const TPalette& P() { return SmokeyQuartzKamri(); }

// The window the controls stand on answers their colour questions through
// the engine's one policy, as a form does.
TThemeEngine* gEngine = nullptr;

LRESULT CALLBACK AskTheEngine(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static TBrushCache brushes;
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC && gEngine != nullptr)
        if (const auto colors = gEngine->ControlColors(reinterpret_cast<HWND>(lParam), message))
            return AnswerWithColors(reinterpret_cast<HDC>(wParam), *colors, brushes);
    return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t kLongText[] =
    L"Die Download-Versionen von Windows 8/10 enthalten eine Install.ESD oder Install.WIM, die sich nicht "
    L"zusammen mit Winbuilder und ähnlichen Tools  verwenden lassen.  Sie müssen diese in eine neue "
    L"Install.WIM überführen. ";

// A window in the main window's teal with one control of each kind, shown at
// the screen's top left; the engine runs on a clock the test moves.
class ThemeEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Teal.reset(CreateSolidBrush(ToColorRef(P()[R::Form])));
        WNDCLASSW wc{};
        wc.lpfnWndProc = &AskTheEngine;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = Teal.get();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"ThemeEngineTestWindow";
        RegisterClassW(&wc);
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);

        Window.reset(CreateWindowExW(0, wc.lpszClassName, L"Theme engine test", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                                     535, 343, nullptr, nullptr, wc.hInstance, nullptr));
        ASSERT_TRUE(Window);
        Font.reset(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
        LabelFont.reset(CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));

        Button = Add(L"BUTTON", L"Konvertieren", BS_PUSHBUTTON | WS_TABSTOP, 16, 141, 137, 33);
        Group = Add(L"BUTTON", L"Komprimierung", BS_GROUPBOX, 318, 136, 193, 84);
        Radio = Add(L"BUTTON", L"maximum (für die Weiterverarbeitung)", BS_AUTORADIOBUTTON | BS_MULTILINE,
                    334, 151, 161, 33);
        Radio2 = Add(L"BUTTON", L"recovery (für die Installation)", BS_AUTORADIOBUTTON | BS_MULTILINE, 334, 180,
                     161, 34);
        Check = Add(L"BUTTON", L"Wimlib statt Dism", BS_AUTOCHECKBOX, 16, 230, 200, 17);
        LongLabel = Add(L"STATIC", kLongText, SS_LEFT | SS_NOPREFIX, 16, 42, 492, 48, LabelFont.get());
        ShortLabel = Add(L"STATIC", L"Index:", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 434, 105, 36, 16);
        Edit = Add(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 16, 102, 361, 21, nullptr, WS_EX_CLIENTEDGE);
        Combo = Add(L"COMBOBOX", L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 472, 102, 39, 221);
        for (const wchar_t* item : {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"})
            SendMessageW(Combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendMessageW(Combo, CB_SETCURSEL, 0, 0);
        Progress = Add(PROGRESS_CLASSW, L"", 0, 19, 202, 293, 17);
        SendMessageW(Progress, PBM_SETRANGE32, 0, 100);
        Memo = Add(L"EDIT", L"", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL, 230, 230, 160, 100,
                   nullptr, WS_EX_CLIENTEDGE);
        std::wstring lines;
        for (int i = 1; i <= 40; ++i)
            lines += L"Zeile " + std::to_wstring(i) + L"\r\n";
        SetWindowTextW(Memo, lines.c_str());

        Engine = std::make_unique<TThemeEngine>(P(), [this] { return Now; });
        gEngine = Engine.get();
        const TColor teal = P()[R::Form];
        struct TAttach {
            HWND Control;
            TControlKind Kind;
            TColor Text;
        } const attach[] = {
            {Button, TControlKind::Button, clDefault},       {Group, TControlKind::GroupBox, clDefault},
            {Radio, TControlKind::RadioButton, clDefault},   {Radio2, TControlKind::RadioButton, clWindowText},
            {Check, TControlKind::CheckBox, clDefault},      {LongLabel, TControlKind::Label, clWhite},
            {ShortLabel, TControlKind::Label, clWhite},      {Edit, TControlKind::Edit, clDefault},
            {Combo, TControlKind::ComboBox, clDefault},      {Progress, TControlKind::ProgressBar, clDefault},
            {Memo, TControlKind::Memo, clDefault},
        };
        for (const TAttach& a : attach)
            ASSERT_TRUE(Engine->Attach(a.Control, TControlLook{a.Kind, teal, a.Text}));
        ShowWindow(Window.get(), SW_SHOWNA);
        UpdateWindow(Window.get());
        Settle();
    }

    void TearDown() override
    {
        gEngine = nullptr;
        Engine.reset();
        Window.reset();
    }

    HWND Add(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
             HFONT font = nullptr, DWORD exStyle = 0)
    {
        const HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                             Window.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(control, nullptr) << cls;
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font != nullptr ? font : Font.get()), FALSE);
        return control;
    }

    // Lets paint messages and timer ticks through.
    static void Settle() { PumpFor(80); }

    static TColor WindowPixel(HWND window, int x, int y)
    {
        const HDC dc = GetWindowDC(window);
        const TColor c = static_cast<TColor>(GetPixel(dc, x, y)) & 0xFFFFFF;
        ReleaseDC(window, dc);
        return c;
    }

    static int CountOnScreen(HWND window, const RECT& r, TColor color)
    {
        const HDC dc = GetDC(window);
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += (static_cast<TColor>(GetPixel(dc, x, y)) & 0xFFFFFF) == color ? 1 : 0;
        ReleaseDC(window, dc);
        return n;
    }

    static RECT Client(HWND window)
    {
        RECT r;
        GetClientRect(window, &r);
        return r;
    }

    TBrushHandle Teal;
    TFontHandle Font, LabelFont;
    TWindowHandle Window;
    HWND Button{}, Group{}, Radio{}, Radio2{}, Check{}, LongLabel{}, ShortLabel{}, Edit{}, Combo{}, Progress{},
        Memo{};
    TMillis Now = 50000;
    std::unique_ptr<TThemeEngine> Engine;
};

}  // namespace

TEST_F(ThemeEngineTest, PushButtonsFadeBetweenNormalAndHotAndBackFromPressed)
{
    const auto face = [this] { return ScreenPixel(Button, 3, 3); };
    EXPECT_EQ(face(), P()[R::ButtonFace]);

    SendMessageW(Button, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));  // the pointer comes
    Settle();
    EXPECT_EQ(face(), P()[R::ButtonFace]) << "the fade starts where the colour is";
    Now += kFadeMillis / 2;
    Settle();
    EXPECT_EQ(face(), MixColors(P()[R::ButtonFace], P()[R::ButtonHotFace], 0.5));
    Now += kFadeMillis / 2;
    Settle();
    EXPECT_EQ(face(), P()[R::ButtonHotFace]);

    SendMessageW(Button, BM_SETSTATE, TRUE, 0);  // pressed: at once
    Settle();
    EXPECT_EQ(face(), P()[R::ButtonPressedFace]);
    SendMessageW(Button, BM_SETSTATE, FALSE, 0);  // released: fades back to hot
    Settle();
    EXPECT_EQ(face(), P()[R::ButtonPressedFace]);
    Now += kFadeMillis;
    Settle();
    EXPECT_EQ(face(), P()[R::ButtonHotFace]);

    SendMessageW(Button, WM_MOUSELEAVE, 0, 0);  // the pointer goes
    Now += kFadeMillis;
    Settle();
    EXPECT_EQ(face(), P()[R::ButtonFace]);

    EnableWindow(Button, FALSE);
    Settle();
    EXPECT_EQ(face(), P()[R::ButtonDisabledFace]);
    EXPECT_GT(CountOnScreen(Button, Client(Button), P()[R::ButtonDisabledText]), 20);
    EnableWindow(Button, TRUE);
    Settle();

    SetForegroundWindow(Window.get());
    SetFocus(Button);
    Settle();
    EXPECT_EQ(ScreenPixel(Button, 0, 16), P()[R::FocusRing]);
    EXPECT_EQ(ScreenPixel(Button, 1, 16), P()[R::FocusRing]);
    EXPECT_GT(CountOnScreen(Button, Client(Button), P()[R::ButtonText]), 20);
}

TEST_F(ThemeEngineTest, TextOnTheTealReadsWhateverColourItAsks)
{
    // The second radio button asked for clWindowText, dark on dark teal.
    for (HWND radio : {Radio, Radio2}) {
        EXPECT_GT(CountOnScreen(radio, RECT{17, 0, 161, 33}, P()[R::FormText]), 30);
        EXPECT_EQ(ScreenPixel(radio, 160, 1), P()[R::Form]);
    }
    EXPECT_GT(CountOnScreen(Group, RECT{8, 0, 110, 13}, P()[R::GroupCaption]), 30);
    EXPECT_EQ(ScreenPixel(Group, 0, 50), P()[R::GroupFrame]);
    EXPECT_GT(CountOnScreen(ShortLabel, Client(ShortLabel), clWhite), 20);
    EXPECT_EQ(ScreenPixel(ShortLabel, 35, 15), P()[R::Form]);

    const TColor teal = P()[R::Form];
    const TColor face = P()[R::Face];
    struct Case {
        TControlKind Kind;
        TColor Surface, Asked, Shown;
    } const cases[] = {
        {TControlKind::RadioButton, teal, clDefault, P()[R::FormText]},
        {TControlKind::RadioButton, teal, clWindowText, P()[R::FormText]},
        {TControlKind::Label, teal, clWhite, clWhite},
        {TControlKind::Label, face, clWindowText, P()[R::EditText]},
        {TControlKind::Label, face, clBlue, clBlue},
        {TControlKind::Label, face, clWhite, P()[R::FaceText]},
        {TControlKind::GroupBox, teal, clDefault, P()[R::GroupCaption]},
        {TControlKind::GroupBox, face, clDefault, P()[R::FaceText]},
        {TControlKind::CheckBox, face, clDefault, P()[R::FaceText]},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Engine->TextColor(TControlLook{c.Kind, c.Surface, c.Asked}), c.Shown)
            << static_cast<int>(c.Kind) << " " << std::hex << c.Asked << " on " << c.Surface;
}

TEST_F(ThemeEngineTest, GlyphsFollowTheCheckAndThePointer)
{
    const auto glyphMiddle = [](HWND w) {
        const RECT glyph = ChoiceGlyphRect(Client(w), 96);
        return POINT{(glyph.left + glyph.right) / 2, (glyph.top + glyph.bottom) / 2};
    };
    SendMessageW(Radio, BM_SETCHECK, BST_CHECKED, 0);
    Settle();
    POINT m = glyphMiddle(Radio);
    EXPECT_EQ(ScreenPixel(Radio, m.x, m.y), P()[R::GlyphMark]);
    m = glyphMiddle(Radio2);
    EXPECT_EQ(ScreenPixel(Radio2, m.x, m.y), P()[R::GlyphBackground]);

    // A click on the second moves the check, as the system's would.
    SendMessageW(Radio2, BM_CLICK, 0, 0);
    Settle();
    EXPECT_EQ(SendMessageW(Radio2, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ScreenPixel(Radio2, m.x, m.y), P()[R::GlyphMark]);
    m = glyphMiddle(Radio);
    EXPECT_EQ(ScreenPixel(Radio, m.x, m.y), P()[R::GlyphBackground]);

    const RECT box = ChoiceGlyphRect(Client(Check), 96);
    EXPECT_EQ(CountOnScreen(Check, box, P()[R::GlyphMark]), 0);
    SendMessageW(Check, BM_SETCHECK, BST_CHECKED, 0);
    Settle();
    EXPECT_GT(CountOnScreen(Check, box, P()[R::GlyphMark]), 6);
    SendMessageW(Check, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    Settle();
    EXPECT_EQ(ScreenPixel(Check, box.left, (box.top + box.bottom) / 2), P()[R::GlyphHotBorder]);
}

TEST_F(ThemeEngineTest, EditFieldsAndTheMemoTakeThePalettesColoursFrameAndScrollBars)
{
    const RECT client = Client(Edit);
    EXPECT_EQ(ScreenPixel(Edit, client.right - 2, client.bottom / 2), P()[R::EditBackground]);
    EXPECT_EQ(WindowPixel(Edit, 0, 10), P()[R::EditBorder]);
    EXPECT_EQ(WindowPixel(Edit, 1, 10), P()[R::EditBackground]);
    SetForegroundWindow(Window.get());
    SetFocus(Edit);
    Settle();
    EXPECT_EQ(WindowPixel(Edit, 0, 10), P()[R::EditFocusBorder]);
    SendMessageW(Edit, WM_CHAR, L'W', 1);
    Settle();
    EXPECT_GT(CountOnScreen(Edit, client, P()[R::EditText]), 5);
    SetFocus(Button);
    Settle();
    EXPECT_EQ(WindowPixel(Edit, 0, 10), P()[R::EditBorder]);

    SCROLLBARINFO bar{};
    bar.cbSize = sizeof(bar);
    ASSERT_TRUE(GetScrollBarInfo(Memo, OBJID_VSCROLL, &bar));
    RECT memo;
    GetWindowRect(Memo, &memo);
    const int x = (bar.rcScrollBar.left + bar.rcScrollBar.right) / 2 - memo.left;
    const int top = bar.rcScrollBar.top - memo.top;
    EXPECT_EQ(WindowPixel(Memo, x, top + (bar.xyThumbTop + bar.xyThumbBottom) / 2), P()[R::ScrollThumb]);
    EXPECT_EQ(WindowPixel(Memo, x, top + bar.xyThumbBottom + 3), P()[R::ScrollTrack]);
    EXPECT_EQ(WindowPixel(Memo, x - 5, top + 1), P()[R::ScrollButtonFace]);
    EXPECT_EQ(ScreenPixel(Memo, 3, 3), P()[R::EditBackground]);

    // Scrolling moves the system's thumb; ours follows.
    SendMessageW(Memo, WM_VSCROLL, SB_BOTTOM, 0);
    Settle();
    ASSERT_TRUE(GetScrollBarInfo(Memo, OBJID_VSCROLL, &bar));
    EXPECT_EQ(WindowPixel(Memo, x, top + (bar.xyThumbTop + bar.xyThumbBottom) / 2), P()[R::ScrollThumb]);
    EXPECT_EQ(WindowPixel(Memo, x, top + bar.xyThumbTop - 3), P()[R::ScrollTrack]);
}

TEST_F(ThemeEngineTest, ComboBoxButtonEditAndDropDownList)
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(Combo, &info));
    const RECT& button = info.rcButton;
    const int middleX = (button.left + button.right) / 2;
    const int middleY = (button.top + button.bottom) / 2;
    EXPECT_EQ(ScreenPixel(Combo, button.left + 2, button.top + 1), P()[R::ComboButtonFace]);
    EXPECT_EQ(ScreenPixel(Combo, middleX, middleY), P()[R::ComboArrow]);
    EXPECT_EQ(ScreenPixel(Combo, 0, middleY), P()[R::EditBorder]);
    EXPECT_EQ(ScreenPixel(info.hwndItem, 1, 1), P()[R::EditBackground]);

    SetForegroundWindow(Window.get());
    SendMessageW(Combo, CB_SHOWDROPDOWN, TRUE, 0);
    Settle();
    ASSERT_NE(SendMessageW(Combo, CB_GETDROPPEDSTATE, 0, 0), 0);
    EXPECT_EQ(ScreenPixel(Combo, button.left + 2, button.top + 1), P()[R::ComboButtonHotFace]);
    RECT first, second;
    SendMessageW(info.hwndList, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageW(info.hwndList, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    EXPECT_EQ(ScreenPixel(info.hwndList, first.right - 2, first.top + 1), P()[R::ListSelectedBackground]);
    EXPECT_EQ(ScreenPixel(info.hwndList, second.right - 2, second.top + 1), P()[R::ListBackground]);
    EXPECT_GT(CountOnScreen(info.hwndList, second, P()[R::ListText]), 3);

    SendMessageW(info.hwndList, LB_SETCURSEL, 1, 0);  // the pointer moves down the list
    Settle();
    EXPECT_EQ(ScreenPixel(info.hwndList, first.right - 2, first.top + 1), P()[R::ListBackground]);
    EXPECT_EQ(ScreenPixel(info.hwndList, second.right - 2, second.top + 1), P()[R::ListSelectedBackground]);
    SendMessageW(Combo, CB_SHOWDROPDOWN, FALSE, 0);
    Settle();
    EXPECT_EQ(ScreenPixel(Combo, button.left + 2, button.top + 1), P()[R::ComboButtonFace]);
}

TEST_F(ThemeEngineTest, ProgressBarFillsToItsPosition)
{
    SendMessageW(Progress, PBM_SETPOS, 40, 0);
    Settle();
    const RECT r = Client(Progress);
    const int inner = r.right - 2;
    EXPECT_EQ(ScreenPixel(Progress, 1 + inner / 5, 8), P()[R::ProgressFill]);
    EXPECT_EQ(ScreenPixel(Progress, 1 + inner * 4 / 5, 8), P()[R::ProgressTrack]);
    EXPECT_EQ(ScreenPixel(Progress, 0, 8), P()[R::ProgressBorder]);
    SendMessageW(Progress, PBM_SETPOS, 100, 0);
    Settle();
    EXPECT_EQ(ScreenPixel(Progress, inner, 8), P()[R::ProgressFill]);
}

TEST_F(ThemeEngineTest, AWordWrappedLabelThatDoesNotFitTakesTheLargestSmallerFont)
{
    const auto fontHeight = [](HWND w) {
        LOGFONTW lf{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
        return -lf.lfHeight;
    };
    // The height the long text needs in the label's width with the label's
    // font made larger by some pixels.
    const auto neededHeight = [](HWND w, HFONT font, int extraPixels) {
        LOGFONTW lf{};
        GetObjectW(font, sizeof(lf), &lf);
        lf.lfHeight -= extraPixels;
        TFontHandle sized(CreateFontIndirectW(&lf));
        const HDC dc = GetDC(w);
        const HGDIOBJ old = SelectObject(dc, sized.get());
        RECT r = Client(w);
        const std::wstring text(kLongText);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(w, dc);
        return r.bottom - r.top;
    };
    const auto fontInUse = [](HWND w) { return reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)); };
    const int height = Client(LongLabel).bottom;
    if (neededHeight(LongLabel, LabelFont.get(), 0) <= height) {
        // Tahoma fits as on Windows: the font stays as it is.
        EXPECT_EQ(fontInUse(LongLabel), LabelFont.get());
    } else {
        EXPECT_LT(fontHeight(LongLabel), 13);
        EXPECT_LE(neededHeight(LongLabel, fontInUse(LongLabel), 0), height) << "the text fits with the font in use";
        EXPECT_GT(neededHeight(LongLabel, fontInUse(LongLabel), 1), height) << "one pixel more would not";
    }

    // In a rectangle too small for 13 pixels the font shrinks; given room, it comes back.
    SetWindowPos(LongLabel, nullptr, 0, 0, 300, 48, SWP_NOMOVE | SWP_NOZORDER);
    Settle();
    EXPECT_LT(fontHeight(LongLabel), 13);
    EXPECT_LE(neededHeight(LongLabel, fontInUse(LongLabel), 0), 48);
    EXPECT_GT(neededHeight(LongLabel, fontInUse(LongLabel), 1), 48);
    SetWindowPos(LongLabel, nullptr, 0, 0, 492, 200, SWP_NOMOVE | SWP_NOZORDER);
    Settle();
    EXPECT_EQ(fontInUse(LongLabel), LabelFont.get());

    // A new font from outside is the one fitted from.
    SendMessageW(LongLabel, WM_SETFONT, reinterpret_cast<WPARAM>(Font.get()), FALSE);
    EXPECT_EQ(fontInUse(LongLabel), Font.get());

    SetWindowPos(LongLabel, nullptr, 0, 0, 300, 48, SWP_NOMOVE | SWP_NOZORDER);
    Engine->Detach(LongLabel);
    EXPECT_EQ(fontInUse(LongLabel), Font.get()) << "detached, it has its own font back";
    // A label without word wrap keeps its font whatever its text.
    EXPECT_EQ(fontInUse(ShortLabel), Font.get());
}

TEST_F(ThemeEngineTest, DetachingDestroyingAndEndingTheEngineLeaveNothingBehind)
{
    const std::size_t styled = Engine->AttachedCount();
    EXPECT_EQ(styled, 11u);
    EXPECT_FALSE(Engine->Attach(Window.get(), TControlLook{TControlKind::Panel, 0, clDefault}));
    EXPECT_FALSE(Engine->Attach(nullptr, TControlLook{TControlKind::Button, 0, clDefault}));
    EXPECT_EQ(Engine->AttachedCount(), styled);

    EXPECT_TRUE(Engine->Attach(Button, TControlLook{TControlKind::Button, P()[R::Form], clDefault}));
    EXPECT_EQ(Engine->AttachedCount(), styled) << "attaching again is no second styling";

    Engine->Detach(Button);
    Settle();
    EXPECT_FALSE(Engine->IsAttached(Button));
    EXPECT_NE(ScreenPixel(Button, 3, 3), P()[R::ButtonFace]) << "the system draws it again";
    SendMessageW(Button, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    PumpFor(50);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, Button, WM_TIMER, WM_TIMER, PM_NOREMOVE)) << "no fade after detaching";

    DestroyWindow(Memo);
    DestroyWindow(Combo);
    EXPECT_EQ(Engine->AttachedCount(), styled - 3);
    EXPECT_FALSE(Engine->IsAttached(Memo));

    gEngine = nullptr;
    Engine.reset();
    RedrawWindow(Window.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                                                     RDW_UPDATENOW);
    Settle();
    EXPECT_NE(ScreenPixel(Progress, 0, 8), P()[R::ProgressBorder]) << "without the engine the system's look is back";
    EXPECT_NE(WindowPixel(Edit, 0, 10), P()[R::EditBorder]);
    SendMessageW(Edit, WM_CHAR, L'x', 1);  // still a working edit field
    EXPECT_EQ(GetWindowTextLengthW(Edit), 1);
}

TEST_F(ThemeEngineTest, AFormReachesTheEngineThroughTheFrameworksStyler)
{
    Engine->Detach(Progress);
    const std::unique_ptr<TThemeEngine> engine = MakeThemeEngine(TPaletteStyle(SmokeyQuartzKamri()));
    ASSERT_NE(engine, nullptr);
    SetControlStyler(engine.get());
    EXPECT_TRUE(ActiveControlStyler()->StyleControl(Progress, TControlKind::ProgressBar, P()[R::Form], clDefault));
    EXPECT_FALSE(ActiveControlStyler()->StyleControl(Window.get(), TControlKind::LinkLabel, P()[R::Form], clDefault));
    SetControlStyler(nullptr);
    EXPECT_TRUE(engine->IsAttached(Progress));
    SendMessageW(Progress, PBM_SETPOS, 50, 0);
    Settle();
    EXPECT_EQ(ScreenPixel(Progress, 0, 8), P()[R::ProgressBorder]);
    EXPECT_EQ(ScreenPixel(Progress, 10, 8), P()[R::ProgressFill]);

    // Only a palette's style makes an engine.
    struct TOtherStyle : TVisualStyle {
        const std::wstring& Name() const override { return FName; }
        std::optional<TColor> SystemColor(TColor) const override { return std::nullopt; }
        TColor WindowTextColor() const override { return clWhite; }
        std::wstring FName = L"Anders";
    };
    EXPECT_EQ(MakeThemeEngine(TOtherStyle()), nullptr);
}

TEST_F(ThemeEngineTest, EveryKindOfTheTableIsAttachedAndPaintedByItsRow)
{
    const auto glyphMiddle = [](HWND w) {
        const RECT glyph = ChoiceGlyphRect(Client(w), 96);
        return POINT{(glyph.left + glyph.right) / 2, (glyph.top + glyph.bottom) / 2};
    };
    COMBOBOXINFO combo{};
    combo.cbSize = sizeof(combo);
    ASSERT_TRUE(GetComboBoxInfo(Combo, &combo));
    SendMessageW(Radio2, BM_SETCHECK, BST_UNCHECKED, 0);
    Settle();
    struct Case {
        TControlKind Kind;
        HWND Control;
        std::function<TColor()> Sample;  // a pixel only the kind's paint gives that colour
        TColor Expected;
    } const cases[] = {
        {TControlKind::Button, Button, [&] { return ScreenPixel(Button, 3, 3); }, P()[R::ButtonFace]},
        {TControlKind::RadioButton, Radio2, [&] { const POINT m = glyphMiddle(Radio2); return ScreenPixel(Radio2, m.x, m.y); },
         P()[R::GlyphBackground]},
        {TControlKind::CheckBox, Check, [&] { const POINT m = glyphMiddle(Check); return ScreenPixel(Check, m.x, m.y); },
         P()[R::GlyphBackground]},
        {TControlKind::GroupBox, Group, [&] { return ScreenPixel(Group, 0, 50); }, P()[R::GroupFrame]},
        {TControlKind::Label, ShortLabel, [&] { return ScreenPixel(ShortLabel, 35, 15); }, P()[R::Form]},
        {TControlKind::ProgressBar, Progress, [&] { return ScreenPixel(Progress, 0, 8); }, P()[R::ProgressBorder]},
        {TControlKind::ComboBox, Combo, [&] { return ScreenPixel(Combo, combo.rcButton.left + 2, combo.rcButton.top + 1); },
         P()[R::ComboButtonFace]},
        {TControlKind::Edit, Edit, [&] { return WindowPixel(Edit, 0, 10); }, P()[R::EditBorder]},
        {TControlKind::Memo, Memo, [&] { return WindowPixel(Memo, 0, 10); }, P()[R::EditBorder]},
    };
    for (const TThemeEngine::TKind& row : TThemeEngine::Kinds()) {
        const auto found = std::find_if(std::begin(cases), std::end(cases), [&](const Case& c) { return c.Kind == row.Kind; });
        ASSERT_NE(found, std::end(cases)) << "a kind without a case: " << static_cast<int>(row.Kind);
        EXPECT_TRUE(Engine->IsAttached(found->Control)) << static_cast<int>(row.Kind);
        // Drawn again from scratch, the control shows its row's paint.
        RedrawWindow(found->Control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        Settle();
        EXPECT_EQ(found->Sample(), found->Expected) << static_cast<int>(row.Kind);
    }
    // Kinds without a row stay their owners' to paint.
    for (const TControlKind kind : {TControlKind::Panel, TControlKind::LinkLabel})
        EXPECT_FALSE(Engine->Attach(Window.get(), TControlLook{kind, P()[R::Form], clDefault}));
}

namespace {

HWND gDestroyOnClick = nullptr;

LRESULT CALLBACK DestroysOnClick(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && gDestroyOnClick != nullptr)
        DestroyWindow(std::exchange(gDestroyOnClick, nullptr));
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TEST(ThemeEngineLifetime, AButtonWhoseClickHandlerDestroysItOrItsWindowLeavesNothingBehind)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = &DestroysOnClick;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ThemeEngineDestroyingWindow";
    RegisterClassW(&wc);
    for (const bool wholeWindow : {false, true}) {
        SCOPED_TRACE(wholeWindow ? "the window" : "the button");
        TWindowHandle window(CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                             nullptr, wc.hInstance, nullptr));
        const HWND button = CreateWindowExW(0, L"BUTTON", L"Weg", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80,
                                            30, window.get(), nullptr, wc.hInstance, nullptr);
        TThemeEngine engine(P());
        ASSERT_TRUE(engine.Attach(button, TControlLook{TControlKind::Button, P()[R::Form], clDefault}));
        gDestroyOnClick = wholeWindow ? window.release() : button;
        // The click runs inside the engine's handling of the button's
        // messages, which must not touch the button's state afterwards.
        SendMessageW(button, BM_CLICK, 0, 0);
        PumpFor(50);
        EXPECT_FALSE(IsWindow(button));
        EXPECT_EQ(engine.AttachedCount(), 0u);
    }
}
