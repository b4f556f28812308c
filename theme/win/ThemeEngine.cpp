#include "theme/win/ThemeEngine.h"

#include "framework/win/Application.h"
#include "framework/win/Dpi.h"
#include "framework/win/ListItemDetail.h"
#include "framework/win/WindowText.h"
#include "theme/Looks.h"
#include "theme/PaletteStyle.h"
#include "theme/win/Paint.h"
#include "theme/win/TextFit.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <vector>

namespace {

constexpr UINT_PTR kFadeTimerId = 0x4E54;

bool PaintsItself(TControlKind kind)
{
    switch (kind) {
    case TControlKind::Button:
    case TControlKind::RadioButton:
    case TControlKind::CheckBox:
    case TControlKind::GroupBox:
    case TControlKind::Label:
    case TControlKind::ProgressBar:
        return true;
    default:
        return false;
    }
}

bool IsEditKind(TControlKind kind) { return kind == TControlKind::Edit || kind == TControlKind::Memo; }

// Messages after which the system's controls draw themselves at once,
// without a paint message; ours is drawn over it right after.
bool DrawsDirectlyAfter(UINT message)
{
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_SETFONT:
    case WM_SIZE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CAPTURECHANGED:
    case WM_UPDATEUISTATE:
    case WM_STYLECHANGED:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case BM_SETCHECK:
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case BM_CLICK:
    case PBM_SETPOS:
    case PBM_DELTAPOS:
    case PBM_STEPIT:
    case PBM_SETRANGE:
    case PBM_SETRANGE32:
    case CB_SHOWDROPDOWN:
    case CB_SETCURSEL:
    case WM_COMMAND:  // a combo box's edit field gained or lost the focus
        return true;
    default:
        return false;
    }
}

// Messages after which an edit field's frame or scroll bars may have been
// drawn by the system.
bool EditFrameChangesAfter(UINT message)
{
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SIZE:
    case WM_STYLECHANGED:
    case WM_SETTEXT:
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_CAPTURECHANGED:
    case EM_REPLACESEL:
    case EM_SETSEL:
    case EM_SCROLL:
    case EM_LINESCROLL:
    case EM_SCROLLCARET:
    case EM_SETREADONLY:
        return true;
    default:
        return false;
    }
}

bool ListChangesAfter(UINT message)
{
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_TIMER:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_CAPTURECHANGED:
    case WM_SHOWWINDOW:
    case LB_SETCURSEL:
    case LB_SETCARETINDEX:
    case LB_SETTOPINDEX:
        return true;
    default:
        return false;
    }
}

UINT LabelFlags(HWND label)
{
    const LONG style = GetWindowLongW(label, GWL_STYLE);
    UINT flags = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        return flags | DT_CENTER | DT_WORDBREAK;
    case SS_RIGHT:
        return flags | DT_RIGHT | DT_WORDBREAK;
    case SS_LEFTNOWORDWRAP:
        return flags | DT_LEFT;
    case SS_SIMPLE:
        return flags | DT_LEFT | DT_SINGLELINE;
    default:
        return flags | DT_LEFT | DT_WORDBREAK;
    }
}

void RedrawNow(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TrackLeave(HWND window, DWORD flags)
{
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE | flags, window, 0};
    TrackMouseEvent(&track);
}

HFONT FontOf(HWND window)
{
    return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
}

// Answers the painting messages of a window that the engine draws whole,
// background included, with paint; false for any other message.
template <class TPaint>
bool AnswerPaint(HWND window, UINT message, WPARAM wParam, TPaint paint, LRESULT& result)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (const HDC dc = BeginPaint(window, &ps))
            paint(dc);
        EndPaint(window, &ps);
        result = 0;
        return true;
    }
    case WM_PRINTCLIENT:
        paint(reinterpret_cast<HDC>(wParam));
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    default:
        return false;
    }
}

}  // namespace

struct TThemeEngine::TStyled {
    HWND Window = nullptr;
    TControlLook Look{};
    TControlState State = TControlState::Normal;
    HWND Parent = nullptr;  // subclassed for the colours it is asked for
    HWND List = nullptr;    // a combo box's drop-down list, subclassed
    bool Hot = false;
    int HotBar = 0;         // the scroll bar under the pointer (HTVSCROLL, HTHSCROLL) or 0
    std::unique_ptr<TFadeAnimator> Fade;
    HFONT DesignFont = nullptr;  // the font a label was given
    TFontHandle Fitted;          // the smaller one its text needs, if any
    bool SettingFont = false;
};

TThemeEngine::TThemeEngine(const TPalette& palette, TMillisClock clock)
    : FPalette(palette), FClock(clock ? std::move(clock) : TMillisClock(&SystemMilliseconds))
{
}

TThemeEngine::~TThemeEngine()
{
    std::vector<HWND> windows;
    for (const auto& entry : FControls)
        windows.push_back(entry.first);
    for (HWND window : windows)
        Release(window, IsWindow(window) != FALSE);
    for (const auto& entry : FParents)
        RemoveWindowSubclass(entry.first, &TThemeEngine::ParentProc, reinterpret_cast<UINT_PTR>(this));
}

bool TThemeEngine::Attach(HWND control, const TControlLook& look)
{
    if (look.Kind == TControlKind::Panel || look.Kind == TControlKind::LinkLabel || !IsWindow(control))
        return false;
    if (TStyled* styled = Find(control)) {
        if (styled->Look.Kind == look.Kind) {
            styled->Look = look;
            Refresh(control);
            return true;
        }
        Release(control, false);
    }

    auto styled = std::make_unique<TStyled>();
    styled->Window = control;
    styled->Look = look;
    if (!SetWindowSubclass(control, &TThemeEngine::ControlProc, reinterpret_cast<UINT_PTR>(this), 0))
        return false;
    if (IsEditKind(look.Kind)) {
        styled->Parent = GetParent(control);
        AddParent(styled->Parent);
    }
    if (look.Kind == TControlKind::ComboBox) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (GetComboBoxInfo(control, &info) && info.hwndList != nullptr &&
            SetWindowSubclass(info.hwndList, &TThemeEngine::ListProc, reinterpret_cast<UINT_PTR>(this),
                              reinterpret_cast<DWORD_PTR>(styled.get())))
            styled->List = info.hwndList;
    }
    TStyled& added = *styled;
    FControls[control] = std::move(styled);

    added.State = ResolveState(IsWindowEnabled(control) != FALSE,
                               (SendMessageW(control, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0, false);
    if (look.Kind == TControlKind::Button)
        added.Fade = std::make_unique<TFadeAnimator>(control, kFadeTimerId, FClock, added.State,
                                                     ButtonFaceFor(FPalette, added.State));
    if (look.Kind == TControlKind::Label) {
        added.DesignFont = FontOf(control);
        FitText(added);
    }
    // A control not yet shown is painted in the new look when it is.
    if (IsWindowVisible(control))
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return true;
}

void TThemeEngine::Detach(HWND control)
{
    Release(control, true);
}

bool TThemeEngine::IsAttached(HWND control) const
{
    return Find(control) != nullptr;
}

void TThemeEngine::Refresh(HWND control)
{
    TStyled* styled = Find(control);
    if (styled == nullptr)
        return;
    FitText(*styled);
    UpdateState(*styled);
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

TColor TThemeEngine::TextColor(const TControlLook& look) const
{
    const TColor surface = look.Surface & 0x00FFFFFFu;
    TColor wanted = look.Kind == TControlKind::GroupBox ? FPalette[TThemeRole::GroupCaption]
                                                         : TextColorOn(FPalette, surface);
    if (look.Text != clDefault && look.Text != clNone) {
        wanted = FPalette.Resolve(look.Text);
        if (IsSystemColor(wanted))
            wanted = GetSysColor(SystemColorIndex(wanted));
        wanted &= 0x00FFFFFFu;
    }
    if (ContrastRatio(wanted, surface) < kTextContrast)
        wanted = TextColorOn(FPalette, surface);
    return wanted;
}

int TThemeEngine::WindowDpi(HWND window)
{
    return ::WindowDpi(window);
}

TThemeEngine::TStyled* TThemeEngine::Find(HWND window) const
{
    const auto found = FControls.find(window);
    return found != FControls.end() ? found->second.get() : nullptr;
}

void TThemeEngine::Release(HWND window, bool restoreLook)
{
    const auto found = FControls.find(window);
    if (found == FControls.end())
        return;
    TStyled& styled = *found->second;
    styled.Fade.reset();
    if (styled.List != nullptr)
        RemoveWindowSubclass(styled.List, &TThemeEngine::ListProc, reinterpret_cast<UINT_PTR>(this));
    RemoveWindowSubclass(window, &TThemeEngine::ControlProc, reinterpret_cast<UINT_PTR>(this));
    if (restoreLook && styled.Fitted && styled.DesignFont != nullptr)
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(styled.DesignFont), FALSE);
    const HWND parent = styled.Parent;
    FControls.erase(found);  // the fitted font goes only now, after the control let go of it
    if (parent != nullptr)
        DropParent(parent);
    if (restoreLook)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TThemeEngine::AddParent(HWND parent)
{
    if (parent == nullptr)
        return;
    int& count = FParents[parent];
    if (count++ == 0 &&
        !SetWindowSubclass(parent, &TThemeEngine::ParentProc, reinterpret_cast<UINT_PTR>(this), 0))
        FParents.erase(parent);
}

void TThemeEngine::DropParent(HWND parent)
{
    const auto found = FParents.find(parent);
    if (found == FParents.end() || --found->second > 0)
        return;
    RemoveWindowSubclass(parent, &TThemeEngine::ParentProc, reinterpret_cast<UINT_PTR>(this));
    FParents.erase(found);
}

HFONT TThemeEngine::PaintFont(HFONT font)
{
    LOGFONTW logFont{};
    if (font == nullptr || GetObjectW(font, sizeof(logFont), &logFont) == 0 || logFont.lfHeight >= 0 ||
        -logFont.lfHeight > kLargestCrispFontHeight)
        return font;
    // Smoothing spreads thin strokes and dots over pixels of mixed colour,
    // and small text loses its contrast: drawn crisp instead, in its colour.
    logFont.lfQuality = NONANTIALIASED_QUALITY;
    const std::size_t nameEnd = std::wcslen(logFont.lfFaceName);
    std::fill(logFont.lfFaceName + nameEnd, std::end(logFont.lfFaceName), L'\0');  // the key is the whole record
    const std::wstring key(reinterpret_cast<const wchar_t*>(&logFont), sizeof(logFont) / sizeof(wchar_t));
    TFontHandle& crisp = FCrispFonts[key];
    if (!crisp)
        crisp.reset(CreateFontIndirectW(&logFont));
    return crisp ? crisp.get() : font;
}

HBRUSH TThemeEngine::Brush(TColor color)
{
    const COLORREF key = ToColorRef(color);
    TBrushHandle& brush = FBrushes[key];
    if (!brush)
        brush.reset(CreateSolidBrush(key));
    return brush.get();
}

// ---------------------------------------------------------------------------
// Window procedures

LRESULT CALLBACK TThemeEngine::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR)
{
    auto* engine = reinterpret_cast<TThemeEngine*>(id);
    TStyled* styled = engine->Find(window);
    if (styled == nullptr)
        return DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        engine->Release(window, false);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    bool handled = false;
    GuardCallback([&] {
        result = engine->HandleControl(*styled, message, wParam, lParam);
        handled = true;
    });
    return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK TThemeEngine::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data)
{
    auto* engine = reinterpret_cast<TThemeEngine*>(id);
    auto* styled = reinterpret_cast<TStyled*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &TThemeEngine::ListProc, id);
        if (styled->List == window)
            styled->List = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    bool handled = false;
    GuardCallback([&] {
        result = engine->HandleList(*styled, message, wParam, lParam);
        handled = true;
    });
    return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK TThemeEngine::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR)
{
    auto* engine = reinterpret_cast<TThemeEngine*>(id);
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
        LRESULT brush = 0;
        bool answered = false;
        GuardCallback([&] {
            answered = engine->AnswerColor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), message,
                                           brush);
        });
        if (answered)
            return brush;
        break;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, &TThemeEngine::ParentProc, id);
        engine->FParents.erase(window);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

bool TThemeEngine::AnswerColor(HWND child, HDC dc, UINT message, LRESULT& brush)
{
    TColor text = 0;
    TColor background = 0;
    const TStyled* styled = Find(child);
    const TStyled* owner = styled == nullptr ? Find(GetParent(child)) : nullptr;
    if (owner == nullptr && styled == nullptr) {
        // A combo box's drop-down list is no child of the combo box.
        for (const auto& entry : FControls)
            if (entry.second->List == child)
                owner = entry.second.get();
    }
    const bool enabled = IsWindowEnabled(child) != FALSE;
    if (styled != nullptr && !IsEditKind(styled->Look.Kind)) {
        text = TextColor(styled->Look);
        background = styled->Look.Surface;
    } else if (message == WM_CTLCOLORLISTBOX && owner != nullptr) {
        text = FPalette[TThemeRole::ListText];
        background = FPalette[TThemeRole::ListBackground];
    } else if (styled != nullptr || (owner != nullptr && owner->Look.Kind == TControlKind::ComboBox)) {
        text = FPalette[enabled ? TThemeRole::EditText : TThemeRole::DisabledText];
        background = FPalette[TThemeRole::EditBackground];
    } else {
        return false;
    }
    SetTextColor(dc, ToColorRef(text));
    SetBkColor(dc, ToColorRef(background));
    brush = reinterpret_cast<LRESULT>(Brush(background));
    return true;
}

LRESULT TThemeEngine::HandleControl(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND window = styled.Window;
    const TControlKind kind = styled.Look.Kind;
    const auto callDefault = [&] { return DefSubclassProc(window, message, wParam, lParam); };

    if (message == WM_TIMER && styled.Fade && styled.Fade->OnTimer(wParam))
        return 0;

    if (PaintsItself(kind) || kind == TControlKind::ComboBox) {
        LRESULT painted = 0;
        if (AnswerPaint(window, message, wParam, [&](HDC dc) { Paint(styled, dc); }, painted))
            return painted;
        switch (message) {
        case WM_MOUSEMOVE: {
            const LRESULT result = callDefault();
            if (!styled.Hot) {
                styled.Hot = true;
                TrackLeave(window, 0);
            }
            UpdateState(styled);
            return result;
        }
        case WM_MOUSELEAVE: {
            styled.Hot = false;
            const LRESULT result = callDefault();
            UpdateState(styled);
            return result;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC: {
            LRESULT brush = 0;
            if (kind == TControlKind::ComboBox &&
                AnswerColor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), message, brush))
                return brush;
            return callDefault();
        }
        default:
            break;
        }
        if (DrawsDirectlyAfter(message) || (message == WM_TIMER && kind == TControlKind::ProgressBar)) {
            const LRESULT result = callDefault();
            if (kind == TControlKind::Label) {
                if (message == WM_SETFONT && !styled.SettingFont) {
                    styled.DesignFont = reinterpret_cast<HFONT>(wParam);
                    FitText(styled);
                } else if (message == WM_SETTEXT || message == WM_SIZE) {
                    FitText(styled);
                }
            }
            UpdateState(styled);
            RedrawNow(window);
            return result;
        }
        return callDefault();
    }

    // Edit fields and memos: the system draws the text, we draw the frame
    // and the scroll bars.
    switch (message) {
    case WM_NCPAINT: {
        const LRESULT result = callDefault();
        PaintNonClient(styled);
        return result;
    }
    case WM_NCMOUSEMOVE: {
        const LRESULT result = callDefault();
        const int bar = (wParam == HTVSCROLL || wParam == HTHSCROLL) ? static_cast<int>(wParam) : 0;
        if (bar != styled.HotBar) {
            if (styled.HotBar == 0)
                TrackLeave(window, TME_NONCLIENT);
            styled.HotBar = bar;
            PaintNonClient(styled);
        }
        return result;
    }
    case WM_NCMOUSELEAVE: {
        const LRESULT result = callDefault();
        styled.HotBar = 0;
        PaintNonClient(styled);
        return result;
    }
    default:
        break;
    }
    if (EditFrameChangesAfter(message)) {
        const LRESULT result = callDefault();
        PaintNonClient(styled);
        return result;
    }
    return callDefault();
}

LRESULT TThemeEngine::HandleList(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND list = styled.List;
    LRESULT painted = 0;
    if (AnswerPaint(list, message, wParam, [&](HDC dc) { PaintList(styled, dc); }, painted))
        return painted;
    if (!ListChangesAfter(message))
        return DefSubclassProc(list, message, wParam, lParam);
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    const bool moved = SendMessageW(list, LB_GETCURSEL, 0, 0) != selected ||
                       SendMessageW(list, LB_GETTOPINDEX, 0, 0) != top;
    if (moved || message != WM_MOUSEMOVE)
        RedrawNow(list);
    return result;
}

// ---------------------------------------------------------------------------
// State and painting

void TThemeEngine::UpdateState(TStyled& styled)
{
    const HWND window = styled.Window;
    bool pressed = false;
    switch (styled.Look.Kind) {
    case TControlKind::Button:
    case TControlKind::RadioButton:
    case TControlKind::CheckBox:
        pressed = (SendMessageW(window, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
        break;
    case TControlKind::ComboBox:
        pressed = SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0) != 0;
        break;
    default:
        break;
    }
    const TControlState state = ResolveState(IsWindowEnabled(window) != FALSE, pressed, styled.Hot);
    bool repaint = state != styled.State;
    if (styled.Fade)
        repaint = styled.Fade->Go(state, ButtonFaceFor(FPalette, state)) || repaint;
    styled.State = state;
    if (repaint)
        InvalidateRect(window, nullptr, FALSE);
}

void TThemeEngine::FitText(TStyled& styled)
{
    if (styled.Look.Kind != TControlKind::Label || styled.DesignFont == nullptr)
        return;
    const HWND window = styled.Window;
    const UINT flags = LabelFlags(window);
    TFontHandle fitted;
    if (flags & DT_WORDBREAK) {
        RECT client;
        GetClientRect(window, &client);
        if (const HDC dc = GetDC(window)) {
            fitted = FitFont(dc, styled.DesignFont, WindowText(window), client.right, client.bottom, flags);
            ReleaseDC(window, dc);
        }
    }
    const HFONT wanted = fitted ? fitted.get() : styled.DesignFont;
    if (FontOf(window) != wanted) {
        styled.SettingFont = true;
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(wanted), FALSE);
        styled.SettingFont = false;
    }
    styled.Fitted = std::move(fitted);  // the one before is no longer in use
}

void TThemeEngine::Paint(TStyled& styled, HDC dc)
{
    const HWND window = styled.Window;
    RECT client;
    GetClientRect(window, &client);
    const int dpi = WindowDpi(window);
    const HFONT font = PaintFont(FontOf(window));
    const HWND focus = GetFocus();
    const bool focused = focus == window;
    const LRESULT uiState = SendMessageW(window, WM_QUERYUISTATE, 0, 0);
    const bool focusCue = focused && !(uiState & UISF_HIDEFOCUS);
    const bool hidePrefix = (uiState & UISF_HIDEACCEL) != 0;
    const TControlLook& look = styled.Look;

    switch (look.Kind) {
    case TControlKind::Button: {
        TButtonLook button = ButtonLookFor(FPalette, styled.State, focused);
        if (styled.Fade)
            button.Face = styled.Fade->Color();
        PaintButton(dc, client, dpi, button, WindowText(window), font, focused, focusCue, hidePrefix);
        break;
    }
    case TControlKind::RadioButton:
    case TControlKind::CheckBox: {
        const bool checked = SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
        const bool wordWrap = (GetWindowLongW(window, GWL_STYLE) & BS_MULTILINE) != 0;
        PaintChoice(dc, client, dpi, look.Kind == TControlKind::CheckBox ? TChoiceKind::Check : TChoiceKind::Radio,
                    GlyphLookFor(FPalette, styled.State), checked, WindowText(window), font, look.Surface,
                    TextColor(look), wordWrap, focusCue, hidePrefix);
        break;
    }
    case TControlKind::GroupBox:
        PaintGroupBox(dc, client, dpi, WindowText(window), font, look.Surface, FPalette[TThemeRole::GroupFrame],
                      TextColor(look), hidePrefix);
        break;
    case TControlKind::Label:
        PaintLabel(dc, client, WindowText(window), font, look.Surface, TextColor(look), LabelFlags(window));
        break;
    case TControlKind::ProgressBar:
        PaintProgress(dc, client, dpi, FPalette, static_cast<int>(SendMessageW(window, PBM_GETPOS, 0, 0)),
                      static_cast<int>(SendMessageW(window, PBM_GETRANGE, TRUE, 0)),
                      static_cast<int>(SendMessageW(window, PBM_GETRANGE, FALSE, 0)));
        break;
    case TControlKind::ComboBox: {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (!GetComboBoxInfo(window, &info))
            break;
        const bool enabled = styled.State != TControlState::Disabled;
        const bool hasFocus = focused || (focus != nullptr && IsChild(window, focus));
        const TColor border = FPalette[!enabled ? TThemeRole::Border
                                                : hasFocus ? TThemeRole::EditFocusBorder : TThemeRole::EditBorder];
        PaintComboBox(dc, client, dpi, info.rcItem, info.rcButton, border, FPalette[TThemeRole::EditBackground],
                      ComboButtonFaceFor(FPalette, styled.State),
                      FPalette[enabled ? TThemeRole::ComboArrow : TThemeRole::ButtonDisabledText]);
        break;
    }
    default:
        break;
    }
}

void TThemeEngine::PaintList(TStyled& styled, HDC dc)
{
    const HWND list = styled.List;
    RECT client;
    GetClientRect(list, &client);
    const int dpi = WindowDpi(list);
    const HFONT font = FontOf(list);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    // A combo box whose entries carry details shows them in a column of their own.
    const int detailColumn = ListDetailColumn(dc, list, font, dpi);
    LONG filled = client.top;
    for (LRESULT i = SendMessageW(list, LB_GETTOPINDEX, 0, 0); i >= 0 && i < count; ++i) {
        RECT item;
        if (SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)) == LB_ERR ||
            item.top >= client.bottom)
            break;
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
        const LRESULT got =
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        const bool isSelected = i == selected;
        TListItemDetail detail;
        QueryListItemDetail(styled.Window, static_cast<int>(i), detail);
        const TThemeRole textRole = isSelected      ? TThemeRole::ListSelectedText
                                    : detail.Dimmed ? TThemeRole::DisabledText
                                                    : TThemeRole::ListText;
        PaintListItem(dc, item, dpi, text, font,
                      FPalette[isSelected ? TThemeRole::ListSelectedBackground : TThemeRole::ListBackground],
                      FPalette[textRole], detail.Detail, detailColumn);
        filled = item.bottom;
    }
    FillSolid(dc, RECT{client.left, filled, client.right, client.bottom}, FPalette[TThemeRole::ListBackground]);
}

void TThemeEngine::PaintNonClient(TStyled& styled)
{
    const HWND window = styled.Window;
    RECT bounds;
    GetWindowRect(window, &bounds);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const int edge = origin.x - bounds.left;
    const RECT frame{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
    const HDC dc = GetWindowDC(window);
    if (dc == nullptr)
        return;
    const bool enabled = IsWindowEnabled(window) != FALSE;
    const TColor border = FPalette[!enabled                 ? TThemeRole::Border
                                   : GetFocus() == window ? TThemeRole::EditFocusBorder
                                                          : TThemeRole::EditBorder];
    PaintEditFrame(dc, frame, edge, border, FPalette[TThemeRole::EditBackground]);

    const int dpi = WindowDpi(window);
    RECT bars[2] = {};
    bool shown[2] = {false, false};
    const LONG objects[2] = {OBJID_VSCROLL, OBJID_HSCROLL};
    for (int i = 0; i < 2; ++i) {
        SCROLLBARINFO info{};
        info.cbSize = sizeof(info);
        if (!GetScrollBarInfo(window, objects[i], &info) ||
            (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)))
            continue;
        RECT bar = info.rcScrollBar;
        OffsetRect(&bar, -bounds.left, -bounds.top);
        const bool vertical = i == 0;
        const int thickness = vertical ? bar.right - bar.left : bar.bottom - bar.top;
        TScrollBarParts parts{bar,
                              vertical,
                              !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE),
                              thickness,
                              info.xyThumbTop,
                              info.xyThumbBottom,
                              styled.HotBar == (vertical ? HTVSCROLL : HTHSCROLL)};
        PaintScrollBar(dc, parts, dpi, FPalette);
        bars[i] = bar;
        shown[i] = true;
    }
    if (shown[0] && shown[1])
        FillSolid(dc, RECT{bars[0].left, bars[1].top, bars[0].right, bars[1].bottom},
                  FPalette[TThemeRole::ScrollTrack]);
    ReleaseDC(window, dc);
}

std::unique_ptr<TThemeEngine> MakeThemeEngine(const TVisualStyle& style, TMillisClock clock)
{
    const auto* paletteStyle = dynamic_cast<const TPaletteStyle*>(&style);
    if (paletteStyle == nullptr)
        return nullptr;
    return std::make_unique<TThemeEngine>(paletteStyle->Palette(), std::move(clock));
}
