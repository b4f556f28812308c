#pragma once
// A window that holds window-less controls. It paints them after its own
// background, in their order (the last on top), each clipped to its
// rectangle; it forwards mouse input to the control under the pointer (a
// press captures the mouse, so the release reaches the control that got
// the press) and keys to the control with the keyboard focus, shows their
// cursors, lends each a drawing surface with a lock, and shows them to
// assistive technology. It hooks itself into the window as a subclass.

#include "framework/GraphicContainer.h"
#include "framework/win/Handle.h"

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

class TGraphicHost : public TGraphicContainer {
public:
    // Color is the window's Color property, Font its font; both are what
    // controls with ParentColor and ParentFont take.
    TGraphicHost(HWND window, TColor color, const TFont& font);
    ~TGraphicHost() override;
    TGraphicHost(const TGraphicHost&) = delete;
    TGraphicHost& operator=(const TGraphicHost&) = delete;

    HWND Handle() const noexcept { return FWindow; }
    // The host hooked into a window, or nullptr. Only on the window's thread.
    static TGraphicHost* Of(HWND window);

    // The control's drawing surface: a device context of the window with
    // its origin at the control's top-left corner, clipped to the control.
    // During the control's paint it is the paint's; outside a paint it
    // exists between LockSurface and UnlockSurface (counted), else nullptr.
    HDC SurfaceDC(const TGraphicControl& control) const;
    void LockSurface(const TGraphicControl& control);
    void UnlockSurface(const TGraphicControl& control);
    // Lets the window paint its own background into Area (control
    // coordinates) of the control's surface DC.
    void PaintParentBackground(const TGraphicControl& control, HDC dc, const RECT& area);
    // The control's rectangle on the screen.
    RECT ScreenRect(const TGraphicControl& control) const;

    // The accessible default action of a control, run from the message
    // loop (an assistive technology's call returns at once).
    void PostDefaultAction(const TGraphicControl& control);
    // Gives the control the keyboard focus, and the window with it.
    void TakeFocus(TGraphicControl& control);

    TColor Color() const override { return FColor; }
    // The window's Color changed: controls with ParentColor take it.
    void SetColor(TColor color);
    const TFont& Font() const override { return FFont; }
    // The window's font changed (its resolution, say): controls with
    // ParentFont take the new one.
    void SetFont(const TFont& font);
    bool HandleAllocated() const override { return FWindow != nullptr && IsWindow(FWindow); }
    void InvalidateArea(const TRect& area, bool now) override;
    void ControlCursorChanged(TGraphicControl& control) override;
    bool FocusCuesShown() const override;

protected:
    void SetMouseCapture(bool capture) override;
    void TrackMouseLeave() override;
    void FocusMoved(TGraphicControl* control) override;
    void ControlGone(const TGraphicControl& control) override;

private:
    struct TSurface {
        HDC PaintDC = nullptr;  // during the control's paint
        HDC OwnDC = nullptr;    // between locks outside a paint
        int Locks = 0;
    };

    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR refData);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void Paint();
    void EraseBackground(HDC dc);
    bool SetCursorOf(TGraphicControl* control);
    TGraphicControl* PointerControl() const;
    void Detach();

    HWND FWindow;
    TColor FColor;
    TFont FFont;
    std::map<const TGraphicControl*, TSurface> FSurfaces;
    bool FTrackingLeave = false;
    // The control that had the focus when the window lost it, for its return.
    TGraphicControl* FLastFocus = nullptr;
};

// The message a host posts to itself to run an accessible default action;
// wParam is the control's index.
inline const wchar_t kDefaultActionMessageName[] = L"NimbrelGraphicDefaultAction";

// Moves the keyboard focus for the Tab key (backward: with Shift) in a top-
// level window whose window-less controls take part: they come after the
// window's own tab stops, host by host. False when the move is between two
// windows, which the system's dialog navigation does as ever.
bool MoveTabFocus(HWND root, bool backward);
