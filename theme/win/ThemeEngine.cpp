#include "theme/win/ThemeEngine.h"

#include "framework/win/Application.h"
#include "framework/win/Dpi.h"
#include "framework/win/Handle.h"
#include "framework/win/ListItemDetail.h"
#include "framework/win/Subclass.h"
#include "framework/win/WindowText.h"
#include "theme/Looks.h"
#include "theme/PaletteStyle.h"
#include "theme/ScrollBar.h"
#include "theme/win/Paint.h"
#include "theme/win/TextFit.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace {

constexpr UINT_PTR kFadeTimerId = 0x4E54;
constexpr UINT_PTR kScrollTimerId = 0x4E55;
// As the system's scroll bars: the first repeat after a pause, then steady.
constexpr UINT kScrollFirstDelay = 200;
constexpr UINT kScrollRepeatDelay = 50;

// Messages whose default handling draws a control at once, without a paint
// message, and reaches no handler of the program: the system's drawing is
// hidden while they run, and the engine draws the control afterwards.
bool DrawsOnlyDuring(TControlKind kind, UINT message)
{
    switch (message) {
    case BM_SETSTATE:
    case BM_SETCHECK:
    case BM_SETSTYLE:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_SETFONT:
    case WM_UPDATEUISTATE:
    case PBM_SETPOS:
    case PBM_DELTAPOS:
    case PBM_STEPIT:
    case PBM_SETRANGE:
    case PBM_SETRANGE32:
        return kind != TControlKind::ComboBox;
    case WM_SETFOCUS:
        // A radio button that takes the focus clicks itself: a handler runs.
        return kind == TControlKind::Button || kind == TControlKind::CheckBox || kind == TControlKind::Label ||
               kind == TControlKind::GroupBox;
    default:
        return false;
    }
}

// Messages after which the system's controls may have drawn themselves
// (through the ones above or directly); the engine draws them again.
bool ChangesLookAfter(UINT message)
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

// Messages after which an edit field's scroll bars may have been moved by
// the system (it draws them when their range or position is set).
bool FrameChangesAfter(UINT message)
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
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
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

// Keeps the system from drawing a control while its default handling
// runs: without its visible bit nothing it draws reaches the screen. The
// control's own handling of WM_SETREDRAW is passed by.
class TSystemDrawingHidden {
public:
    explicit TSystemDrawingHidden(HWND window) : FWindow(window), FHidden(IsWindowVisible(window) != FALSE)
    {
        if (FHidden)
            DefWindowProcW(FWindow, WM_SETREDRAW, FALSE, 0);
    }
    ~TSystemDrawingHidden()
    {
        if (FHidden && IsWindow(FWindow))
            DefWindowProcW(FWindow, WM_SETREDRAW, TRUE, 0);
    }
    TSystemDrawingHidden(const TSystemDrawingHidden&) = delete;
    TSystemDrawingHidden& operator=(const TSystemDrawingHidden&) = delete;

private:
    HWND FWindow;
    bool FHidden;
};

// Answers the painting messages of a window that the engine draws whole,
// background included, with paint; false for any other message. On the
// screen the control changes in one piece.
template <class TPaint>
bool AnswerPaint(HWND window, UINT message, WPARAM wParam, TPaint paint, LRESULT& result)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (const HDC dc = BeginPaint(window, &ps)) {
            RECT client;
            GetClientRect(window, &client);
            const TOffscreen image(dc, client);
            paint(image.DC());
        }
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

// A scroll bar of a window as the system keeps it: where it is (window
// coordinates) and its parts along its length.
struct TWindowScrollBar {
    RECT Rect{};
    bool Vertical = true;
    bool Enabled = false;
    TScrollGeometry Geometry;
};

std::optional<TWindowScrollBar> ScrollBarOf(HWND window, int bar)
{
    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    const bool vertical = bar == HTVSCROLL;
    if (!GetScrollBarInfo(window, vertical ? OBJID_VSCROLL : OBJID_HSCROLL, &info) ||
        (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)))
        return std::nullopt;
    RECT bounds;
    GetWindowRect(window, &bounds);
    TWindowScrollBar result;
    result.Rect = info.rcScrollBar;
    OffsetRect(&result.Rect, -bounds.left, -bounds.top);
    result.Vertical = vertical;
    result.Enabled = !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    const RECT& r = result.Rect;
    result.Geometry.Length = vertical ? r.bottom - r.top : r.right - r.left;
    result.Geometry.Arrow = vertical ? r.right - r.left : r.bottom - r.top;
    result.Geometry.ThumbStart = info.xyThumbTop;
    result.Geometry.ThumbEnd = info.xyThumbBottom;
    return result;
}

TScrollRange RangeOf(HWND window, int bar)
{
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    GetScrollInfo(window, bar == HTVSCROLL ? SB_VERT : SB_HORZ, &info);
    return {info.nMin, info.nMax, static_cast<int>(info.nPage)};
}

// A point on the screen as an offset along a window's scroll bar.
int OffsetAlong(HWND window, const TWindowScrollBar& bar, POINT screen)
{
    RECT bounds;
    GetWindowRect(window, &bounds);
    return bar.Vertical ? screen.y - bounds.top - bar.Rect.top : screen.x - bounds.left - bar.Rect.left;
}

}  // namespace

struct TThemeEngine::TStyled : TSubclassRecord {
    TStyled(TThemeEngine& engine, HWND window, const TKind& kind, const TControlLook& look)
        : Engine(&engine), Window(window), Kind(&kind), Look(look)
    {
    }
    LRESULT HandleControl(HWND, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return Engine->HandleControl(*this, message, wParam, lParam);
    }
    LRESULT HandleList(HWND, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return Engine->HandleList(*this, message, wParam, lParam);
    }

    TThemeEngine* Engine;
    HWND Window;
    const TKind* Kind;
    TControlLook Look;
    TControlState State = TControlState::Normal;
    HWND List = nullptr;  // a combo box's drop-down list, subclassed
    bool Hot = false;
    int HotBar = 0;  // the scroll bar under the pointer (HTVSCROLL, HTHSCROLL) or 0
    std::unique_ptr<TFadeAnimator> Fade;
    HFONT DesignFont = nullptr;  // the font a label was given
    TFontHandle Fitted;          // the smaller one its text needs, if any
    bool SettingFont = false;
    // A scroll bar held with the mouse: which, on which part, and for the
    // thumb where it is dragged to and where it was taken hold of.
    struct {
        int Bar = 0;
        TScrollPart Part = TScrollPart::None;
        int ThumbStart = 0;
        int Grab = 0;
        POINT Pointer{};  // where the pointer was last seen, on the screen
    } Track;
};

namespace {

constexpr auto kControlProc =
    &RecordSubclassProc<TThemeEngine::TStyled, &TThemeEngine::TStyled::HandleControl>;
constexpr auto kListProc = &RecordSubclassProc<TThemeEngine::TStyled, &TThemeEngine::TStyled::HandleList>;

}  // namespace

std::span<const TThemeEngine::TKind> TThemeEngine::Kinds()
{
    using K = TControlKind;
    using P = TPressedBy;
    using E = TThemeEngine;
    // Kind, paints itself, fades, pressed, fits text, paint, list paint.
    static const TKind kinds[] = {
        {K::Button, true, true, P::ButtonState, false, &E::PaintButtonKind, nullptr},
        {K::RadioButton, true, false, P::ButtonState, false, &E::PaintChoiceKind, nullptr},
        {K::CheckBox, true, false, P::ButtonState, false, &E::PaintChoiceKind, nullptr},
        {K::GroupBox, true, false, P::Nothing, false, &E::PaintGroupKind, nullptr},
        {K::Label, true, false, P::Nothing, true, &E::PaintLabelKind, nullptr},
        {K::ProgressBar, true, false, P::Nothing, false, &E::PaintProgressKind, nullptr},
        {K::ComboBox, true, false, P::DroppedDown, false, &E::PaintComboKind, &E::PaintComboList},
        {K::Edit, false, false, P::Nothing, false, &E::PaintFrameKind, nullptr},
        {K::Memo, false, false, P::Nothing, false, &E::PaintFrameKind, nullptr},
    };
    return kinds;
}

TThemeEngine::TThemeEngine(const TPalette& palette, TMillisClock clock)
    : FPalette(palette), FClock(clock ? std::move(clock) : TMillisClock(&SystemMilliseconds))
{
}

TThemeEngine::~TThemeEngine()
{
    while (!FStyled.empty())
        Release(*FStyled.back(), IsWindow(FStyled.back()->Window) != FALSE);
}

bool TThemeEngine::Attach(HWND control, const TControlLook& look)
{
    const auto kinds = Kinds();
    const auto kind = std::find_if(kinds.begin(), kinds.end(), [&](const TKind& k) { return k.Kind == look.Kind; });
    if (kind == kinds.end() || !IsWindow(control))
        return false;
    if (TStyled* styled = Find(control)) {
        if (styled->Kind == &*kind) {
            styled->Look = look;
            Refresh(control);
            return true;
        }
        Release(*styled, false);
    }

    auto* styled = new TStyled(*this, control, *kind, look);
    if (!SetWindowSubclass(control, kControlProc, Id(), reinterpret_cast<DWORD_PTR>(styled))) {
        delete styled;
        return false;
    }
    FStyled.push_back(styled);
    if (kind->PaintList != nullptr) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (GetComboBoxInfo(control, &info) && info.hwndList != nullptr &&
            SetWindowSubclass(info.hwndList, kListProc, Id(), reinterpret_cast<DWORD_PTR>(styled)))
            styled->List = info.hwndList;
    }
    styled->State = ResolveState(IsWindowEnabled(control) != FALSE, Pressed(*styled), false);
    if (kind->Fades)
        styled->Fade = std::make_unique<TFadeAnimator>(control, kFadeTimerId, FClock, styled->State,
                                                       ButtonFaceFor(FPalette, styled->State));
    if (kind->FitsText) {
        const auto kept = FKeptFonts.find(control);
        styled->DesignFont = kept != FKeptFonts.end() ? kept->second.Design : FontOf(control);
        FitText(*styled);
        if (kept != FKeptFonts.end())
            FKeptFonts.erase(kept);  // the label took its new font
    }
    // A control not yet shown is painted in the new look when it is.
    if (IsWindowVisible(control))
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return true;
}

void TThemeEngine::Detach(HWND control)
{
    if (TStyled* styled = Find(control))
        Release(*styled, true);
}

void TThemeEngine::UnstyleControl(HWND control)
{
    if (TStyled* styled = Find(control))
        Release(*styled, true, true);
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

// Only for questions from outside (attach, detach, colours): the messages
// of a control find its record as their subclass's data.
TThemeEngine::TStyled* TThemeEngine::Find(HWND window) const
{
    const auto found =
        std::find_if(FStyled.begin(), FStyled.end(), [&](const TStyled* s) { return window != nullptr && s->Window == window; });
    return found != FStyled.end() ? *found : nullptr;
}

TThemeEngine::TStyled* TThemeEngine::ListOwner(HWND list) const
{
    const auto found =
        std::find_if(FStyled.begin(), FStyled.end(), [&](const TStyled* s) { return list != nullptr && s->List == list; });
    return found != FStyled.end() ? *found : nullptr;
}

void TThemeEngine::Release(TStyled& styled, bool restoreLook, bool keepFittedFont)
{
    const HWND window = styled.Window;
    if (styled.Track.Bar != 0) {
        KillTimer(window, kScrollTimerId);
        styled.Track.Bar = 0;
        if (restoreLook && GetCapture() == window)
            ReleaseCapture();
    }
    styled.Fade.reset();
    if (styled.List != nullptr)
        RemoveWindowSubclass(styled.List, kListProc, Id());
    RemoveWindowSubclass(window, kControlProc, Id());
    if (keepFittedFont && styled.Fitted)
        FKeptFonts[window] = TKeptFont{styled.DesignFont, std::move(styled.Fitted)};
    else if (restoreLook && styled.Fitted && styled.DesignFont != nullptr)
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(styled.DesignFont), FALSE);
    FStyled.erase(std::remove(FStyled.begin(), FStyled.end(), &styled), FStyled.end());
    // The fitted font goes with the record, after the control let go of it.
    styled.Retire();
    if (restoreLook)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
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

std::optional<TPartColors> TThemeEngine::ControlColors(HWND asking, UINT message) const
{
    const TStyled* styled = Find(asking);
    // A combo box's edit field is its child; its drop-down list is not.
    const TStyled* owner = styled == nullptr ? Find(GetParent(asking)) : nullptr;
    if (styled == nullptr && owner == nullptr)
        owner = ListOwner(asking);
    const bool enabled = IsWindowEnabled(asking) != FALSE;
    const bool field = styled != nullptr && !styled->Kind->PaintsItself;
    if (styled != nullptr && !field)
        return TPartColors{TextColor(styled->Look), styled->Look.Surface};
    if (message == WM_CTLCOLORLISTBOX && owner != nullptr)
        return TPartColors{FPalette[TThemeRole::ListText], FPalette[TThemeRole::ListBackground]};
    if (field || (owner != nullptr && owner->Kind->PaintList != nullptr))
        return TPartColors{FPalette[enabled ? TThemeRole::EditText : TThemeRole::DisabledText],
                           FPalette[TThemeRole::EditBackground]};
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Messages

LRESULT TThemeEngine::HandleControl(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY) {
        const HWND window = styled.Window;
        Release(styled, false);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    if (message == WM_TIMER && styled.Fade && styled.Fade->OnTimer(wParam))
        return 0;
    return styled.Kind->PaintsItself ? HandleSelfPainted(styled, message, wParam, lParam)
                                     : HandleFramed(styled, message, wParam, lParam);
}

LRESULT TThemeEngine::HandleSelfPainted(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND window = styled.Window;
    const TKind& kind = *styled.Kind;
    const auto callDefault = [&] { return DefSubclassProc(window, message, wParam, lParam); };

    LRESULT painted = 0;
    if (AnswerPaint(window, message, wParam, [&](HDC dc) { (this->*kind.Paint)(styled, dc); }, painted))
        return painted;
    switch (message) {
    case WM_MOUSEMOVE: {
        const LRESULT result = callDefault();
        if (styled.Gone())
            return result;
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
        if (!styled.Gone())
            UpdateState(styled);
        return result;
    }
    default:
        break;
    }
    if (DrawsOnlyDuring(kind.Kind, message)) {
        LRESULT result = 0;
        {
            const TSystemDrawingHidden hidden(window);
            result = callDefault();
        }
        if (!styled.Gone())
            ShowChange(styled, message, wParam);
        return result;
    }
    if (ChangesLookAfter(message) || (message == WM_TIMER && kind.Kind == TControlKind::ProgressBar)) {
        // The default handling may run the program's handlers (a click),
        // which may destroy the control: then nothing more is drawn.
        const LRESULT result = callDefault();
        if (!styled.Gone())
            ShowChange(styled, message, wParam);
        return result;
    }
    return callDefault();
}

void TThemeEngine::ShowChange(TStyled& styled, UINT message, WPARAM wParam)
{
    if (styled.Kind->FitsText) {
        if (message == WM_SETFONT && !styled.SettingFont) {
            styled.DesignFont = reinterpret_cast<HFONT>(wParam);
            FitText(styled);
        } else if (message == WM_SETTEXT || message == WM_SIZE) {
            FitText(styled);
        }
    }
    UpdateState(styled);
    RedrawNow(styled.Window);
}

LRESULT TThemeEngine::HandleFramed(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND window = styled.Window;
    const auto callDefault = [&] { return DefSubclassProc(window, message, wParam, lParam); };
    const bool onBar = wParam == HTVSCROLL || wParam == HTHSCROLL;

    switch (message) {
    case WM_NCPAINT:
        // The frame and the scroll bars are the engine's alone.
        PaintNonClient(styled);
        return 0;
    case WM_NCMOUSEMOVE: {
        const int bar = onBar ? static_cast<int>(wParam) : 0;
        if (bar != styled.HotBar) {
            if (styled.HotBar == 0)
                TrackLeave(window, TME_NONCLIENT);
            styled.HotBar = bar;
            PaintNonClient(styled);
        }
        // Over a scroll bar the system would draw its own hot parts.
        return onBar ? 0 : callDefault();
    }
    case WM_NCMOUSELEAVE:
        styled.HotBar = 0;
        PaintNonClient(styled);
        return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (onBar && StartScrollTracking(styled, static_cast<int>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
            return 0;
        if (onBar)
            return 0;  // a disabled bar does nothing
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        if (styled.Track.Bar != 0) {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(window, &p);
            TrackScroll(styled, p, false);
            if (message == WM_LBUTTONUP && !styled.Gone())
                EndScrollTracking(styled, true);
            return 0;
        }
        break;
    case WM_TIMER:
        if (wParam == kScrollTimerId) {
            if (styled.Track.Bar != 0)
                TrackScroll(styled, styled.Track.Pointer, true);
            else
                KillTimer(window, kScrollTimerId);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (styled.Track.Bar != 0 && reinterpret_cast<HWND>(lParam) != window)
            EndScrollTracking(styled, false);
        break;
    default:
        break;
    }
    if (FrameChangesAfter(message)) {
        const LRESULT result = callDefault();
        if (!styled.Gone())
            PaintNonClient(styled);
        return result;
    }
    return callDefault();
}

LRESULT TThemeEngine::HandleList(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND list = styled.List;
    if (list == nullptr)
        return 0;
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, kListProc, Id());
        styled.List = nullptr;
        return DefSubclassProc(list, message, wParam, lParam);
    }
    LRESULT painted = 0;
    if (AnswerPaint(list, message, wParam, [&](HDC dc) { (this->*styled.Kind->PaintList)(styled, dc); }, painted))
        return painted;
    if (!ListChangesAfter(message))
        return DefSubclassProc(list, message, wParam, lParam);
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    if (styled.Gone() || styled.List == nullptr)
        return result;
    const bool moved = SendMessageW(list, LB_GETCURSEL, 0, 0) != selected ||
                       SendMessageW(list, LB_GETTOPINDEX, 0, 0) != top;
    if (moved || message != WM_MOUSEMOVE)
        RedrawNow(list);
    return result;
}

// ---------------------------------------------------------------------------
// Scroll bars held with the mouse

bool TThemeEngine::StartScrollTracking(TStyled& styled, int bar, POINT screen)
{
    const HWND window = styled.Window;
    const std::optional<TWindowScrollBar> found = ScrollBarOf(window, bar);
    if (!found || !found->Enabled)
        return false;
    const int offset = OffsetAlong(window, *found, screen);
    const TScrollPart part = ScrollPartAt(found->Geometry, offset);
    if (part == TScrollPart::None)
        return false;
    styled.Track.Bar = bar;
    styled.Track.Part = part;
    styled.Track.ThumbStart = found->Geometry.ThumbStart;
    styled.Track.Grab = offset - found->Geometry.ThumbStart;
    SetCapture(window);
    if (part != TScrollPart::Thumb) {
        TrackScroll(styled, screen, true);  // the first step at once
        if (!styled.Gone() && styled.Track.Bar != 0)
            SetTimer(window, kScrollTimerId, kScrollFirstDelay, nullptr);
    }
    if (!styled.Gone())
        PaintNonClient(styled);
    return true;
}

void TThemeEngine::TrackScroll(TStyled& styled, POINT screen, bool timer)
{
    const HWND window = styled.Window;
    const int bar = styled.Track.Bar;
    styled.Track.Pointer = screen;
    const std::optional<TWindowScrollBar> found = ScrollBarOf(window, bar);
    if (!found)
        return;
    const UINT message = bar == HTVSCROLL ? WM_VSCROLL : WM_HSCROLL;
    const int offset = OffsetAlong(window, *found, screen);
    if (styled.Track.Part == TScrollPart::Thumb) {
        if (timer)
            return;
        const int start = ClampThumbStart(found->Geometry, offset - styled.Track.Grab);
        if (start == styled.Track.ThumbStart)
            return;
        styled.Track.ThumbStart = start;
        const int position = ScrollPositionForThumb(found->Geometry, RangeOf(window, bar), start);
        SendMessageW(window, message, MAKEWPARAM(SB_THUMBTRACK, position), 0);
        if (!styled.Gone())
            PaintNonClient(styled);
        return;
    }
    if (!timer)
        return;  // arrows and pages move on the timer, while the pointer stays on them
    if (ScrollPartAt(found->Geometry, offset) != styled.Track.Part)
        return;
    WORD code = SB_LINEUP;
    switch (styled.Track.Part) {
    case TScrollPart::ArrowBefore:
        code = SB_LINEUP;
        break;
    case TScrollPart::ArrowAfter:
        code = SB_LINEDOWN;
        break;
    case TScrollPart::PageBefore:
        code = SB_PAGEUP;
        break;
    case TScrollPart::PageAfter:
        code = SB_PAGEDOWN;
        break;
    default:
        return;
    }
    SendMessageW(window, message, MAKEWPARAM(code, 0), 0);
    if (styled.Gone())
        return;
    SetTimer(window, kScrollTimerId, kScrollRepeatDelay, nullptr);
    PaintNonClient(styled);
}

void TThemeEngine::EndScrollTracking(TStyled& styled, bool release)
{
    const HWND window = styled.Window;
    const int bar = styled.Track.Bar;
    const TScrollPart part = styled.Track.Part;
    styled.Track.Bar = 0;
    styled.Track.Part = TScrollPart::None;
    KillTimer(window, kScrollTimerId);
    if (release && GetCapture() == window)
        ReleaseCapture();
    const UINT message = bar == HTVSCROLL ? WM_VSCROLL : WM_HSCROLL;
    if (part == TScrollPart::Thumb) {
        if (const std::optional<TWindowScrollBar> found = ScrollBarOf(window, bar)) {
            const int position = ScrollPositionForThumb(found->Geometry, RangeOf(window, bar), styled.Track.ThumbStart);
            SendMessageW(window, message, MAKEWPARAM(SB_THUMBPOSITION, position), 0);
        }
    }
    if (styled.Gone())
        return;
    SendMessageW(window, message, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    if (!styled.Gone())
        PaintNonClient(styled);
}

// ---------------------------------------------------------------------------
// State and painting

bool TThemeEngine::Pressed(const TStyled& styled) const
{
    switch (styled.Kind->Pressed) {
    case TPressedBy::ButtonState:
        return (SendMessageW(styled.Window, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    case TPressedBy::DroppedDown:
        return SendMessageW(styled.Window, CB_GETDROPPEDSTATE, 0, 0) != 0;
    case TPressedBy::Nothing:
    default:
        return false;
    }
}

void TThemeEngine::UpdateState(TStyled& styled)
{
    const TControlState state = ResolveState(IsWindowEnabled(styled.Window) != FALSE, Pressed(styled), styled.Hot);
    bool repaint = state != styled.State;
    if (styled.Fade)
        repaint = styled.Fade->Go(state, ButtonFaceFor(FPalette, state)) || repaint;
    styled.State = state;
    if (repaint)
        InvalidateRect(styled.Window, nullptr, FALSE);
}

void TThemeEngine::FitText(TStyled& styled)
{
    if (!styled.Kind->FitsText || styled.DesignFont == nullptr)
        return;
    const HWND window = styled.Window;
    const UINT flags = LabelFlags(window);
    TFontHandle fitted;
    if (flags & DT_WORDBREAK) {
        RECT client;
        GetClientRect(window, &client);
        if (const TWindowDC dc(window); dc)
            fitted = FitFont(dc.get(), styled.DesignFont, WindowText(window), client.right, client.bottom, flags);
    }
    const HFONT wanted = fitted ? fitted.get() : styled.DesignFont;
    if (FontOf(window) != wanted) {
        styled.SettingFont = true;
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(wanted), FALSE);
        styled.SettingFont = false;
    }
    styled.Fitted = std::move(fitted);  // the one before is no longer in use
}

namespace {

// What every paint function asks of its control.
struct TPaintFacts {
    RECT Client;
    int Dpi;
    bool Focused;
    bool FocusCue;
    bool HidePrefix;
};

TPaintFacts FactsOf(HWND window)
{
    TPaintFacts facts{};
    GetClientRect(window, &facts.Client);
    facts.Dpi = WindowDpi(window);
    facts.Focused = GetFocus() == window;
    const LRESULT uiState = SendMessageW(window, WM_QUERYUISTATE, 0, 0);
    facts.FocusCue = facts.Focused && !(uiState & UISF_HIDEFOCUS);
    facts.HidePrefix = (uiState & UISF_HIDEACCEL) != 0;
    return facts;
}

}  // namespace

void TThemeEngine::PaintButtonKind(TStyled& styled, HDC dc)
{
    const TPaintFacts f = FactsOf(styled.Window);
    TButtonLook button = ButtonLookFor(FPalette, styled.State, f.Focused);
    if (styled.Fade)
        button.Face = styled.Fade->Color();
    PaintButton(dc, f.Client, f.Dpi, button, WindowText(styled.Window), PaintFont(FontOf(styled.Window)), f.Focused,
                f.FocusCue, f.HidePrefix);
}

void TThemeEngine::PaintChoiceKind(TStyled& styled, HDC dc)
{
    const HWND window = styled.Window;
    const TPaintFacts f = FactsOf(window);
    const bool checked = SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const bool wordWrap = (GetWindowLongW(window, GWL_STYLE) & BS_MULTILINE) != 0;
    PaintChoice(dc, f.Client, f.Dpi, styled.Look.Kind == TControlKind::CheckBox ? TChoiceKind::Check : TChoiceKind::Radio,
                GlyphLookFor(FPalette, styled.State), checked, WindowText(window), PaintFont(FontOf(window)),
                styled.Look.Surface, TextColor(styled.Look), wordWrap, f.FocusCue, f.HidePrefix);
}

void TThemeEngine::PaintGroupKind(TStyled& styled, HDC dc)
{
    const TPaintFacts f = FactsOf(styled.Window);
    PaintGroupBox(dc, f.Client, f.Dpi, WindowText(styled.Window), PaintFont(FontOf(styled.Window)),
                  styled.Look.Surface, FPalette[TThemeRole::GroupFrame], TextColor(styled.Look), f.HidePrefix);
}

void TThemeEngine::PaintLabelKind(TStyled& styled, HDC dc)
{
    RECT client;
    GetClientRect(styled.Window, &client);
    PaintLabel(dc, client, WindowText(styled.Window), PaintFont(FontOf(styled.Window)), styled.Look.Surface,
               TextColor(styled.Look), LabelFlags(styled.Window));
}

void TThemeEngine::PaintProgressKind(TStyled& styled, HDC dc)
{
    const HWND window = styled.Window;
    RECT client;
    GetClientRect(window, &client);
    PaintProgress(dc, client, WindowDpi(window), FPalette, static_cast<int>(SendMessageW(window, PBM_GETPOS, 0, 0)),
                  static_cast<int>(SendMessageW(window, PBM_GETRANGE, TRUE, 0)),
                  static_cast<int>(SendMessageW(window, PBM_GETRANGE, FALSE, 0)));
}

void TThemeEngine::PaintComboKind(TStyled& styled, HDC dc)
{
    const HWND window = styled.Window;
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (!GetComboBoxInfo(window, &info))
        return;
    const TPaintFacts f = FactsOf(window);
    const HWND focus = GetFocus();
    const bool enabled = styled.State != TControlState::Disabled;
    const bool hasFocus = f.Focused || (focus != nullptr && IsChild(window, focus));
    const TColor border = FPalette[!enabled ? TThemeRole::Border
                                            : hasFocus ? TThemeRole::EditFocusBorder : TThemeRole::EditBorder];
    PaintComboBox(dc, f.Client, f.Dpi, info.rcItem, info.rcButton, border, FPalette[TThemeRole::EditBackground],
                  ComboButtonFaceFor(FPalette, styled.State),
                  FPalette[enabled ? TThemeRole::ComboArrow : TThemeRole::ButtonDisabledText]);
}

void TThemeEngine::PaintFrameKind(TStyled& styled, HDC dc)
{
    const HWND window = styled.Window;
    RECT bounds;
    GetWindowRect(window, &bounds);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const int edge = origin.x - bounds.left;
    const RECT frame{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
    const bool enabled = IsWindowEnabled(window) != FALSE;
    const TColor border = FPalette[!enabled                 ? TThemeRole::Border
                                   : GetFocus() == window ? TThemeRole::EditFocusBorder
                                                          : TThemeRole::EditBorder];
    PaintEditFrame(dc, frame, edge, border, FPalette[TThemeRole::EditBackground]);

    const int dpi = WindowDpi(window);
    RECT bars[2] = {};
    bool shown[2] = {false, false};
    const int which[2] = {HTVSCROLL, HTHSCROLL};
    for (int i = 0; i < 2; ++i) {
        const std::optional<TWindowScrollBar> bar = ScrollBarOf(window, which[i]);
        if (!bar)
            continue;
        const bool held = styled.Track.Bar == which[i];
        TScrollGeometry geometry = bar->Geometry;
        if (held && styled.Track.Part == TScrollPart::Thumb) {
            // The thumb follows the pointer, not the system's record of it.
            geometry.ThumbEnd = styled.Track.ThumbStart + (geometry.ThumbEnd - geometry.ThumbStart);
            geometry.ThumbStart = styled.Track.ThumbStart;
        }
        const TScrollBarParts parts{bar->Rect,
                                    bar->Vertical,
                                    bar->Enabled,
                                    geometry.Arrow,
                                    geometry.ThumbStart,
                                    geometry.ThumbEnd,
                                    held || styled.HotBar == which[i]};
        PaintScrollBar(dc, parts, dpi, FPalette);
        bars[i] = bar->Rect;
        shown[i] = true;
    }
    if (shown[0] && shown[1])
        FillSolid(dc, RECT{bars[0].left, bars[1].top, bars[0].right, bars[1].bottom},
                  FPalette[TThemeRole::ScrollTrack]);
}

void TThemeEngine::PaintNonClient(TStyled& styled)
{
    const HWND window = styled.Window;
    RECT bounds;
    GetWindowRect(window, &bounds);
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -bounds.left, -bounds.top);
    const HDC dc = GetWindowDC(window);
    if (dc == nullptr)
        return;
    // The client area is the system's: only the frame is copied over.
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    {
        const TOffscreen image(dc, RECT{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top});
        (this->*styled.Kind->Paint)(styled, image.DC());
    }
    ReleaseDC(window, dc);
}

void TThemeEngine::PaintComboList(TStyled& styled, HDC dc)
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

std::unique_ptr<TThemeEngine> MakeThemeEngine(const TVisualStyle& style, TMillisClock clock)
{
    const auto* paletteStyle = dynamic_cast<const TPaletteStyle*>(&style);
    if (paletteStyle == nullptr)
        return nullptr;
    return std::make_unique<TThemeEngine>(paletteStyle->Palette(), std::move(clock));
}
