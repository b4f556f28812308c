#include "framework/win/GraphicHost.h"

#include "framework/Exception.h"
#include "framework/win/Application.h"
#include "framework/win/GdiGraphics.h"
#include "framework/win/GraphicAccessible.h"
#include "framework/win/Subclass.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace {

constexpr UINT_PTR kSubclassId = 0x4E47484F;  // one subclass per window

UINT DefaultActionMessage()
{
    static const UINT message = RegisterWindowMessageW(kDefaultActionMessageName);
    return message;
}

TShiftState ShiftOf(WPARAM keys)
{
    TShiftState shift = 0;
    if (keys & MK_SHIFT)
        shift |= ssShift;
    if (keys & MK_CONTROL)
        shift |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    if (keys & MK_LBUTTON)
        shift |= ssLeft;
    if (keys & MK_RBUTTON)
        shift |= ssRight;
    if (keys & MK_MBUTTON)
        shift |= ssMiddle;
    return shift;
}

constexpr WPARAM kAnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;

// The hosts by window; only the user-interface thread uses it.
std::map<HWND, TGraphicHost*>& Hosts()
{
    static std::map<HWND, TGraphicHost*> hosts;
    return hosts;
}

TPoint ClientPoint(LPARAM lParam) { return TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

}  // namespace

TGraphicHost::TGraphicHost(HWND window, TColor color, const TFont& font)
    : FWindow(window), FColor(color), FFont(font)
{
    if (!SetWindowSubclass(FWindow, &TGraphicHost::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        throw Exception(L"Fenster kann keine fensterlosen Steuerelemente aufnehmen");
    Hosts()[FWindow] = this;
}

TGraphicHost* TGraphicHost::Of(HWND window)
{
    const auto found = Hosts().find(window);
    return found != Hosts().end() ? found->second : nullptr;
}

TGraphicHost::~TGraphicHost()
{
    Detach();
}

void TGraphicHost::Detach()
{
    if (FWindow == nullptr)
        return;
    Hosts().erase(FWindow);
    if (IsWindow(FWindow)) {
        if (GetCapture() == FWindow && CaptureControl() != nullptr)
            ReleaseCapture();
        RemoveWindowSubclass(FWindow, &TGraphicHost::SubclassProc, kSubclassId);
    }
    for (auto& [control, surface] : FSurfaces)
        if (surface.OwnDC != nullptr && IsWindow(FWindow))
            ReleaseDC(FWindow, surface.OwnDC);
    FSurfaces.clear();
    FWindow = nullptr;
}

void TGraphicHost::ControlGone(const TGraphicControl& control)
{
    if (FLastFocus == &control)
        FLastFocus = nullptr;
    const auto found = FSurfaces.find(&control);
    if (found == FSurfaces.end())
        return;
    if (found->second.OwnDC != nullptr && HandleAllocated())
        ReleaseDC(FWindow, found->second.OwnDC);
    FSurfaces.erase(found);
}

// ---- surfaces

HDC TGraphicHost::SurfaceDC(const TGraphicControl& control) const
{
    const auto found = FSurfaces.find(&control);
    if (found == FSurfaces.end())
        return nullptr;
    return found->second.PaintDC != nullptr ? found->second.PaintDC : found->second.OwnDC;
}

void TGraphicHost::LockSurface(const TGraphicControl& control)
{
    TSurface& surface = FSurfaces[&control];
    if (surface.Locks++ > 0 || surface.PaintDC != nullptr || !HandleAllocated())
        return;
    // Child windows stay untouched; the origin is the control's corner.
    surface.OwnDC = GetDCEx(FWindow, nullptr, DCX_CACHE | DCX_CLIPCHILDREN | DCX_CLIPSIBLINGS);
    if (surface.OwnDC == nullptr)
        return;
    SetViewportOrgEx(surface.OwnDC, control.Left(), control.Top(), nullptr);
    IntersectClipRect(surface.OwnDC, 0, 0, control.Width(), control.Height());
}

void TGraphicHost::UnlockSurface(const TGraphicControl& control)
{
    const auto found = FSurfaces.find(&control);
    if (found == FSurfaces.end() || found->second.Locks == 0)
        return;
    TSurface& surface = found->second;
    if (--surface.Locks == 0 && surface.OwnDC != nullptr) {
        SetViewportOrgEx(surface.OwnDC, 0, 0, nullptr);
        ReleaseDC(FWindow, surface.OwnDC);
        surface.OwnDC = nullptr;
    }
}

void TGraphicHost::PaintParentBackground(const TGraphicControl& control, HDC dc, const RECT& area)
{
    if (dc == nullptr || !HandleAllocated())
        return;
    // The window paints in its own coordinates, clipped to the area.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    POINT origin;
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.x - control.Left(), origin.y - control.Top(), nullptr);
    DefSubclassProc(FWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    DefSubclassProc(FWindow, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
}

RECT TGraphicHost::ScreenRect(const TGraphicControl& control) const
{
    RECT r = ToRECT(control.BoundsRect());
    MapWindowPoints(FWindow, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void TGraphicHost::SetColor(TColor color)
{
    if (color == FColor)
        return;
    FColor = color;
    Dispatch([&] {
        for (const auto& c : Controls())
            c->HandleParentColorChange();
    });
}

void TGraphicHost::SetFont(const TFont& font)
{
    if (font == FFont)
        return;
    FFont = font;
    Dispatch([&] {
        for (const auto& c : Controls())
            c->HandleParentFontChange();
    });
}

// ---- what the controls ask for

void TGraphicHost::InvalidateArea(const TRect& area, bool now)
{
    if (!HandleAllocated())
        return;
    const RECT r = ToRECT(area);
    // The background is erased where no opaque control covers it.
    InvalidateRect(FWindow, &r, TRUE);
    if (now)
        UpdateWindow(FWindow);
}

void TGraphicHost::ControlCursorChanged(TGraphicControl& control)
{
    if (HandleAllocated() && PointerControl() == &control)
        SetCursorOf(&control);
}

bool TGraphicHost::FocusCuesShown() const
{
    return HandleAllocated() && !(SendMessageW(FWindow, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

TGraphicControl* TGraphicHost::PointerControl() const
{
    if (CaptureControl() != nullptr)
        return CaptureControl();
    POINT p;
    if (!GetCursorPos(&p) || WindowFromPoint(p) != FWindow)
        return nullptr;
    ScreenToClient(FWindow, &p);
    return ControlAt(TPoint{p.x, p.y});
}

bool TGraphicHost::SetCursorOf(TGraphicControl* control)
{
    if (control == nullptr)
        return false;
    const HCURSOR cursor = CursorHandle(control->Cursor());
    if (cursor == nullptr)
        return false;  // the window's own cursor
    ::SetCursor(cursor);
    return true;
}

void TGraphicHost::PostDefaultAction(const TGraphicControl& control)
{
    const int index = IndexOf(control);
    if (index >= 0 && HandleAllocated())
        PostMessageW(FWindow, DefaultActionMessage(), static_cast<WPARAM>(index), 0);
}

void TGraphicHost::SetMouseCapture(bool capture)
{
    if (!HandleAllocated())
        return;
    if (capture)
        SetCapture(FWindow);
    else if (GetCapture() == FWindow)
        ReleaseCapture();
}

void TGraphicHost::TrackMouseLeave()
{
    if (FTrackingLeave || !HandleAllocated())
        return;
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, FWindow, 0};
    FTrackingLeave = TrackMouseEvent(&track) != FALSE;
}

// ---- keyboard focus

void TGraphicHost::TakeFocus(TGraphicControl& control)
{
    if (!HandleAllocated() || !control.CanFocus())
        return;
    if (GetFocus() == FWindow) {
        FocusControl(&control);
        return;
    }
    // The window's WM_SETFOCUS hands it on to the control.
    FLastFocus = &control;
    SetFocus(FWindow);
}

void TGraphicHost::FocusMoved(TGraphicControl* control)
{
    if (control != nullptr && HandleAllocated())
        NotifyAccessibleFocus(*this, *control);
}

bool MoveTabFocus(HWND root, bool backward)
{
    struct TStop {
        HWND Window;
        TGraphicHost* Host;
        TGraphicControl* Control;
    };
    // The windows' tab stops as the dialog manager goes (children in
    // Z-order, into control parents), then each host's controls.
    std::vector<TStop> windows;
    std::vector<TStop> graphic;
    const auto visit = [&](auto& self, HWND parent) -> void {
        for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child) || !IsWindowEnabled(child))
                continue;
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            if (style & WS_TABSTOP)
                windows.push_back({child, nullptr, nullptr});
            if (GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
                self(self, child);
        }
    };
    visit(visit, root);
    const auto addHost = [&](HWND window) {
        if (TGraphicHost* host = TGraphicHost::Of(window))
            for (TGraphicControl* control : host->TabStops())
                graphic.push_back({window, host, control});
    };
    addHost(root);
    const auto hosts = [&](auto& self, HWND parent) -> void {
        for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child) || !IsWindowEnabled(child))
                continue;
            addHost(child);
            self(self, child);
        }
    };
    hosts(hosts, root);
    if (graphic.empty())
        return false;

    std::vector<TStop> cycle = windows;
    cycle.insert(cycle.end(), graphic.begin(), graphic.end());
    const HWND focus = GetFocus();
    std::size_t at = cycle.size();
    for (std::size_t i = 0; i < cycle.size() && at == cycle.size(); ++i) {
        const TStop& stop = cycle[i];
        if (stop.Host != nullptr ? (focus == stop.Window && stop.Host->FocusedControl() == stop.Control)
                                 : (focus == stop.Window || IsChild(stop.Window, focus)))
            at = i;
    }
    if (at == cycle.size())
        return false;
    const std::size_t next = backward ? (at + cycle.size() - 1) % cycle.size() : (at + 1) % cycle.size();
    if (cycle[at].Host == nullptr && cycle[next].Host == nullptr)
        return false;
    // The keyboard is in use: focus cues show from now on.
    SendMessageW(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    const TStop& to = cycle[next];
    if (to.Host != nullptr) {
        to.Host->TakeFocus(*to.Control);
    } else {
        SetFocus(to.Window);
        // An edit field is entered with its text selected, as by the dialog manager.
        if (SendMessageW(to.Window, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
            SendMessageW(to.Window, EM_SETSEL, 0, -1);
    }
    return true;
}

// ---- painting

void TGraphicHost::EraseBackground(HDC dc)
{
    // Opaque controls paint all of their rectangle: nothing beneath them.
    const int saved = SaveDC(dc);
    for (const auto& c : Controls())
        if (c->Visible() && (c->ControlStyle() & csOpaque))
            ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
    DefSubclassProc(FWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
}

void TGraphicHost::Paint()
{
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(FWindow, &ps);
    if (dc == nullptr)
        return;
    // The window's own content first, then the controls above it.
    DefSubclassProc(FWindow, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    Dispatch([&] {
        for (const auto& c : Controls()) {
            const RECT bounds = ToRECT(c->BoundsRect());
            RECT overlap;
            if (!c->Visible() || !IntersectRect(&overlap, &bounds, &ps.rcPaint))
                continue;
            const int saved = SaveDC(dc);
            IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
            SetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
            TSurface& surface = FSurfaces[c.get()];
            surface.PaintDC = dc;
            // One failing control keeps the others painted.
            GuardCallback([&] { c->HandlePaint(); });
            surface.PaintDC = nullptr;
            RestoreDC(dc, saved);
        }
    });
    EndPaint(FWindow, &ps);
}

// ---- the subclass

LRESULT TGraphicHost::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    const auto client = [&] {
        RECT r;
        GetClientRect(FWindow, &r);
        const TPoint p = ClientPoint(lParam);
        return p.X >= r.left && p.Y >= r.top && p.X < r.right && p.Y < r.bottom;
    };
    const auto down = [&](TMouseButton button, bool doubleClick, WPARAM keys) {
        return ButtonDown(button, doubleClick, ClientPoint(lParam), ShiftOf(keys));
    };
    const auto up = [&](TMouseButton button, WPARAM keys) {
        return ButtonUp(button, ClientPoint(lParam), ShiftOf(keys), (keys & kAnyButton) == 0);
    };
    switch (message) {
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT:
        if (wParam != 0)
            break;  // painting into a given DC is the window's own
        Paint();
        return 0;
    case WM_MOUSEMOVE:
        MouseMoved(ClientPoint(lParam), client(), ShiftOf(wParam));
        break;
    case WM_MOUSELEAVE:
        FTrackingLeave = false;
        MouseLeft();
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (down(mbLeft, message == WM_LBUTTONDBLCLK, wParam))
            return 0;
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if (down(mbRight, message == WM_RBUTTONDBLCLK, wParam))
            return 0;
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        if (down(mbMiddle, message == WM_MBUTTONDBLCLK, wParam))
            return 0;
        break;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
        if (down(GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? mbX1 : mbX2, message == WM_XBUTTONDBLCLK,
                 GET_KEYSTATE_WPARAM(wParam)))
            return TRUE;
        break;
    case WM_LBUTTONUP:
        if (up(mbLeft, wParam))
            return 0;
        break;
    case WM_RBUTTONUP:
        if (up(mbRight, wParam))
            return 0;
        break;
    case WM_MBUTTONUP:
        if (up(mbMiddle, wParam))
            return 0;
        break;
    case WM_XBUTTONUP:
        if (up(GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? mbX1 : mbX2, GET_KEYSTATE_WPARAM(wParam)))
            return TRUE;
        break;
    case WM_CAPTURECHANGED:
        if (CaptureControl() != nullptr && reinterpret_cast<HWND>(lParam) != FWindow)
            CaptureLost();
        break;
    case WM_CANCELMODE:
        if (CaptureControl() != nullptr && GetCapture() == FWindow)
            ReleaseCapture();  // WM_CAPTURECHANGED ends the press
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == FWindow && LOWORD(lParam) == HTCLIENT &&
            SetCursorOf(PointerControl()))
            return TRUE;
        break;
    case WM_SETFOCUS: {
        TGraphicControl* control = FLastFocus;
        const std::vector<TGraphicControl*> stops = TabStops();
        if (std::find(stops.begin(), stops.end(), control) == stops.end())
            control = stops.empty() ? nullptr : stops.front();
        FocusControl(control);
        break;
    }
    case WM_KILLFOCUS:
        if (FocusedControl() != nullptr)
            FLastFocus = FocusedControl();
        FocusControl(nullptr);
        break;
    case WM_GETDLGCODE:
        // A focused control takes its keys; the Tab key never reaches here.
        if (FocusedControl() != nullptr)
            return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
        break;
    case WM_KEYDOWN:
        if (KeyDown(static_cast<unsigned>(wParam), (lParam & (1 << 30)) != 0))
            return 0;
        break;
    case WM_KEYUP:
        if (KeyUp(static_cast<unsigned>(wParam)))
            return 0;
        break;
    case WM_CHAR:
        if (FocusedControl() != nullptr)
            return 0;
        break;
    case WM_UPDATEUISTATE: {
        // The focus cues come or go: the focused control shows it.
        const LRESULT result = DefSubclassProc(FWindow, message, wParam, lParam);
        if (TGraphicControl* focused = FocusedControl())
            focused->Invalidate();
        return result;
    }
    case WM_SYSCOLORCHANGE:
        Dispatch([&] {
            for (const auto& c : Controls())
                c->HandleSysColorChange();
        });
        break;
    case WM_GETOBJECT: {
        bool answered = false;
        const LRESULT result = AnswerAccessibleObject(*this, wParam, lParam, answered);
        if (answered)
            return result;
        break;
    }
    case WM_NCDESTROY:
        Detach();
        handled = false;
        return 0;
    default:
        if (message == DefaultActionMessage()) {
            if (wParam < Controls().size())
                DefaultAction(*Controls()[wParam]);
            return 0;
        }
        break;
    }
    handled = false;
    return 0;
}

LRESULT CALLBACK TGraphicHost::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR refData)
{
    auto* host = reinterpret_cast<TGraphicHost*>(refData);
    const auto callDefault = [&] { return DefSubclassProc(window, message, wParam, lParam); };
    return GuardedCall(
        [&] {
            bool handled = false;
            const LRESULT result = host->HandleMessage(message, wParam, lParam, handled);
            return handled ? result : callDefault();
        },
        callDefault);
}
