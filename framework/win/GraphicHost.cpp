#include "framework/win/GraphicHost.h"

#include "framework/Exception.h"
#include "framework/win/Application.h"
#include "framework/win/GdiGraphics.h"
#include "framework/win/GraphicAccessible.h"

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

POINT ClientPoint(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

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
    // Controls go while nothing can reach them any more.
    FHover = nullptr;
    FCapture = nullptr;
    FControls.clear();
}

void TGraphicHost::Detach()
{
    if (FWindow == nullptr)
        return;
    Hosts().erase(FWindow);
    if (IsWindow(FWindow)) {
        if (GetCapture() == FWindow && FCapture != nullptr) {
            FCapture = nullptr;
            ReleaseCapture();
        }
        RemoveWindowSubclass(FWindow, &TGraphicHost::SubclassProc, kSubclassId);
    }
    for (auto& [control, surface] : FSurfaces)
        if (surface.OwnDC != nullptr && IsWindow(FWindow))
            ReleaseDC(FWindow, surface.OwnDC);
    FSurfaces.clear();
    FWindow = nullptr;
}

TGraphicControl& TGraphicHost::Add(std::unique_ptr<TGraphicControl> control)
{
    TGraphicControl& added = *control;
    FControls.push_back(std::move(control));
    added.SetParent(this);
    added.Invalidate();
    return added;
}

int TGraphicHost::IndexOf(const TGraphicControl& control) const
{
    for (std::size_t i = 0; i < FControls.size(); ++i)
        if (FControls[i].get() == &control)
            return static_cast<int>(i);
    return -1;
}

TGraphicControl* TGraphicHost::ControlAt(POINT client) const
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TGraphicControl& c = **it;
        if (c.Visible() && c.Enabled() && c.HitTest(client.x - c.Left(), client.y - c.Top()))
            return &c;
    }
    return nullptr;
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

void TGraphicHost::SetFont(const TFont& font)
{
    if (font == FFont)
        return;
    FFont = font;
    for (const auto& c : FControls)
        c->HandleParentFontChange();
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

TGraphicControl* TGraphicHost::PointerControl() const
{
    if (FCapture != nullptr)
        return FCapture;
    POINT p;
    if (!GetCursorPos(&p) || WindowFromPoint(p) != FWindow)
        return nullptr;
    ScreenToClient(FWindow, &p);
    return ControlAt(p);
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

// ---- painting

void TGraphicHost::EraseBackground(HDC dc)
{
    // Opaque controls paint all of their rectangle: nothing beneath them.
    const int saved = SaveDC(dc);
    for (const auto& c : FControls)
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
    for (const auto& c : FControls) {
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
    EndPaint(FWindow, &ps);
}

// ---- mouse

void TGraphicHost::SetHover(TGraphicControl* control)
{
    if (control == FHover)
        return;
    TGraphicControl* old = FHover;
    FHover = control;
    if (old != nullptr)
        old->HandleMouseLeave();
    if (control != nullptr)
        control->HandleMouseEnter();
}

void TGraphicHost::MouseMoved(POINT client, WPARAM keys)
{
    RECT clientRect;
    GetClientRect(FWindow, &clientRect);
    // Outside the window (the mouse is captured) no control is under it.
    TGraphicControl* under = PtInRect(&clientRect, client) ? ControlAt(client) : nullptr;
    SetHover(under);
    if (!FTrackingLeave) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, FWindow, 0};
        FTrackingLeave = TrackMouseEvent(&track) != FALSE;
    }
    if (TGraphicControl* target = FCapture != nullptr ? FCapture : under)
        target->HandleMouseMove(ShiftOf(keys), client.x - target->Left(), client.y - target->Top());
}

bool TGraphicHost::ButtonDown(TMouseButton button, bool doubleClick, POINT client, WPARAM keys)
{
    TGraphicControl* target = FCapture != nullptr ? FCapture : ControlAt(client);
    if (target == nullptr)
        return false;
    if (FCapture == nullptr && (target->ControlStyle() & csCaptureMouse)) {
        FCapture = target;
        SetCapture(FWindow);
    }
    target->HandleMouseDown(button, ShiftOf(keys) | (doubleClick ? TShiftState{ssDouble} : TShiftState{0}), client.x - target->Left(),
                            client.y - target->Top());
    return true;
}

bool TGraphicHost::ButtonUp(TMouseButton button, POINT client, WPARAM keys)
{
    TGraphicControl* target = FCapture != nullptr ? FCapture : ControlAt(client);
    // The capture ends with the last button, before the control hears of
    // the release: a click may start a long wait or open a window.
    if (FCapture != nullptr && (keys & kAnyButton) == 0) {
        FCapture = nullptr;
        if (GetCapture() == FWindow)
            ReleaseCapture();
    }
    if (target == nullptr)
        return false;
    target->HandleMouseUp(button, ShiftOf(keys), client.x - target->Left(), client.y - target->Top());
    return true;
}

void TGraphicHost::CaptureLost()
{
    TGraphicControl* control = FCapture;
    FCapture = nullptr;
    if (control != nullptr)
        control->HandleCancelMode();
}

// ---- the subclass

LRESULT TGraphicHost::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
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
        MouseMoved(ClientPoint(lParam), wParam);
        break;
    case WM_MOUSELEAVE:
        FTrackingLeave = false;
        if (FCapture == nullptr)
            SetHover(nullptr);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (ButtonDown(mbLeft, message == WM_LBUTTONDBLCLK, ClientPoint(lParam), wParam))
            return 0;
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if (ButtonDown(mbRight, message == WM_RBUTTONDBLCLK, ClientPoint(lParam), wParam))
            return 0;
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        if (ButtonDown(mbMiddle, message == WM_MBUTTONDBLCLK, ClientPoint(lParam), wParam))
            return 0;
        break;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
        if (ButtonDown(GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? mbX1 : mbX2, message == WM_XBUTTONDBLCLK,
                       ClientPoint(lParam), GET_KEYSTATE_WPARAM(wParam)))
            return TRUE;
        break;
    case WM_LBUTTONUP:
        if (ButtonUp(mbLeft, ClientPoint(lParam), wParam))
            return 0;
        break;
    case WM_RBUTTONUP:
        if (ButtonUp(mbRight, ClientPoint(lParam), wParam))
            return 0;
        break;
    case WM_MBUTTONUP:
        if (ButtonUp(mbMiddle, ClientPoint(lParam), wParam))
            return 0;
        break;
    case WM_XBUTTONUP:
        if (ButtonUp(GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? mbX1 : mbX2, ClientPoint(lParam),
                     GET_KEYSTATE_WPARAM(wParam)))
            return TRUE;
        break;
    case WM_CAPTURECHANGED:
        if (FCapture != nullptr && reinterpret_cast<HWND>(lParam) != FWindow)
            CaptureLost();
        break;
    case WM_CANCELMODE:
        if (FCapture != nullptr && GetCapture() == FWindow)
            ReleaseCapture();  // WM_CAPTURECHANGED ends the press
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == FWindow && LOWORD(lParam) == HTCLIENT &&
            SetCursorOf(PointerControl()))
            return TRUE;
        break;
    case WM_SYSCOLORCHANGE:
        for (const auto& c : FControls)
            c->HandleSysColorChange();
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
            if (wParam < FControls.size())
                FControls[wParam]->DoDefaultAction();
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
    bool handled = false;
    LRESULT result = 0;
    GuardCallback([&] { result = host->HandleMessage(message, wParam, lParam, handled); });
    if (handled)
        return result;
    return DefSubclassProc(window, message, wParam, lParam);
}
