#pragma once
// A window that holds window-less controls. It paints them after its own
// background, in their order (the last on top), each clipped to its
// rectangle; it forwards mouse input to the control under the pointer (a
// press captures the mouse, so the release reaches the control that got
// the press), tells controls when the pointer enters and leaves them, shows
// their cursors, lends each a drawing surface with a lock, and shows them
// to assistive technology. It hooks itself into the window as a subclass.

#include "framework/Controls.h"
#include "framework/win/Handle.h"

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

class TGraphicHost : public IControlParent {
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
    // Takes the control over, above those added before, and makes it the
    // control's parent.
    TGraphicControl& Add(std::unique_ptr<TGraphicControl> control);
    const std::vector<std::unique_ptr<TGraphicControl>>& Controls() const noexcept { return FControls; }
    // The topmost visible, enabled control at a point of the window's client
    // area, or nullptr.
    TGraphicControl* ControlAt(POINT client) const;
    // The control the pointer is over, and the one holding the mouse.
    TGraphicControl* HoverControl() const noexcept { return FHover; }
    TGraphicControl* CaptureControl() const noexcept { return FCapture; }

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

    TColor Color() const override { return FColor; }
    const TFont& Font() const override { return FFont; }
    // The window's font changed (its resolution, say): controls with
    // ParentFont take the new one.
    void SetFont(const TFont& font);
    bool HandleAllocated() const override { return FWindow != nullptr && IsWindow(FWindow); }
    void InvalidateArea(const TRect& area, bool now) override;
    void ControlCursorChanged(TGraphicControl& control) override;

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
    void MouseMoved(POINT client, WPARAM keys);
    bool ButtonDown(TMouseButton button, bool doubleClick, POINT client, WPARAM keys);
    bool ButtonUp(TMouseButton button, POINT client, WPARAM keys);
    void SetHover(TGraphicControl* control);
    void CaptureLost();
    bool SetCursorOf(TGraphicControl* control);
    TGraphicControl* PointerControl() const;
    int IndexOf(const TGraphicControl& control) const;
    void Detach();

    HWND FWindow;
    TColor FColor;
    TFont FFont;
    std::vector<std::unique_ptr<TGraphicControl>> FControls;
    std::map<const TGraphicControl*, TSurface> FSurfaces;
    TGraphicControl* FHover = nullptr;
    TGraphicControl* FCapture = nullptr;
    bool FTrackingLeave = false;
};

// The message a host posts to itself to run an accessible default action;
// wParam is the control's index.
inline const wchar_t kDefaultActionMessageName[] = L"NimbrelGraphicDefaultAction";
