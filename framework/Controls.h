#pragma once
// Window-less ("graphic") controls, the portable part. Such a control owns
// no window: its parent paints it on its own surface after its background,
// forwards mouse input to it and asks it for its cursor; the control tells
// its parent which of its area needs painting. The parent is a window on
// the Win32 side (framework/win/GraphicHost.h) and a fake in host tests.

#include <functional>
#include <string>

#include "framework/Graphics.h"

class TGraphicControl;

// The keys window-less controls act on, by their virtual key codes.
enum : unsigned { vkReturn = 0x0D, vkSpace = 0x20 };

enum TMouseButton { mbLeft, mbRight, mbMiddle, mbX1, mbX2 };

// Keys and buttons held during a mouse event; ssDouble marks the press of
// a double click.
using TShiftState = unsigned;
enum : TShiftState {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};

// Control style flags.
using TControlStyle = unsigned;
enum : TControlStyle {
    csCaptureMouse = 1u << 0,      // a press captures the mouse for the control
    csClickEvents = 1u << 1,       // left press and release inside make a click
    csDoubleClicks = 1u << 2,      // a double click makes a DblClick
    csOpaque = 1u << 3,            // paints its whole rectangle: the parent need not paint beneath
    csReplicatable = 1u << 4,      // may be painted into another surface
    csParentBackground = 1u << 5,  // its background may be the parent's
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

using TAnchors = unsigned;
enum : TAnchors { akLeft = 1u << 0, akTop = 1u << 1, akRight = 1u << 2, akBottom = 1u << 3 };

// Limits of a control's size; 0 is no limit.
struct TSizeConstraints {
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = 0;
    int MaxHeight = 0;
    friend bool operator==(const TSizeConstraints&, const TSizeConstraints&) = default;
};

// What assistive technology is told about a control.
enum class TAccessibleRole { None, StaticText, Link };

struct TAccessibleInfo {
    TAccessibleRole Role = TAccessibleRole::None;
    std::wstring Name;
    std::wstring DefaultAction;  // empty: none
};

// The parent of window-less controls, as they see it.
class IControlParent {
public:
    virtual ~IControlParent() = default;
    // The parent's Color property and font, taken by controls with
    // ParentColor and ParentFont.
    virtual TColor Color() const = 0;
    virtual const TFont& Font() const = 0;
    // Whether the parent's window exists.
    virtual bool HandleAllocated() const = 0;
    // Marks an area of the parent (its client coordinates) for painting;
    // with Now it is painted before this returns.
    virtual void InvalidateArea(const TRect& Area, bool Now) = 0;
    // The control's cursor changed: shown at once while the pointer is
    // over the control.
    virtual void ControlCursorChanged(TGraphicControl& Control) = 0;
    // Whether a focused control shows that it has the focus: the system
    // hides focus cues from mouse users until the keyboard is used.
    virtual bool FocusCuesShown() const { return true; }
    // Whether the system's high contrast colours are to be used.
    virtual bool HighContrast() const { return false; }
};

class TGraphicControl {
public:
    TGraphicControl();
    virtual ~TGraphicControl();
    TGraphicControl(const TGraphicControl&) = delete;
    TGraphicControl& operator=(const TGraphicControl&) = delete;

    std::wstring Name;

    IControlParent* Parent() const { return FParent; }
    // Takes the parent's colour and font where ParentColor / ParentFont.
    void SetParent(IControlParent* Parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetBounds(int Left, int Top, int Width, int Height);
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    // In the parent's client coordinates.
    TRect BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    // A window-less control's client area is all of it.
    TRect ClientRect() const { return {0, 0, FWidth, FHeight}; }
    int ClientWidth() const { return FWidth; }
    int ClientHeight() const { return FHeight; }
    void SetClientHeight(int Value) { SetHeight(Value); }

    // Every size change keeps within them; setting them applies them.
    const TSizeConstraints& Constraints() const { return FConstraints; }
    void SetConstraints(const TSizeConstraints& Value);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value) { FAlign = Value; }
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value) { FAnchors = Value; }

    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);  // ParentColor becomes false
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);

    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& Value);  // ParentFont becomes false
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);

    // Whether the Tab key stops at the control; it does not by default.
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value) { FTabStop = Value; }
    bool CanFocus() const { return FTabStop && FVisible && FEnabled; }
    // Whether the control has the keyboard focus (its parent says so).
    bool Focused() const { return FFocused; }

    // The control's own text (a window's text, for a window-less control).
    const std::wstring& Text() const { return FText; }
    void SetText(const std::wstring& Value);

    const std::wstring& Hint() const { return FHint; }
    void SetHint(const std::wstring& Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value) { FParentShowHint = Value; }

    // Marks the control for painting on the next paint cycle.
    void Invalidate();
    // Paints the control now (when it can be seen).
    void Repaint();

    // Whether a point in control coordinates counts as on the control.
    bool HitTest(int X, int Y);

    // The end of loading from a stored window definition.
    virtual void Loaded();

    // What assistive technology is told; false: nothing (the default).
    virtual bool GetAccessibleInfo(TAccessibleInfo& Info) const;
    // The accessible default action; the click by default.
    virtual void DoDefaultAction();
    // The keys of a focused control; nothing by default.
    virtual void KeyDown(unsigned Key, bool Repeated);
    virtual void KeyUp(unsigned Key);

    // ---- what the parent calls: the framework's handling of input and
    // painting. Coordinates are the control's.
    void HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void HandleMouseMove(TShiftState Shift, int X, int Y);
    void HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // The pointer came onto the control or left it.
    void HandleMouseEnter();
    void HandleMouseLeave();
    // The capture was taken away while a button was held on the control:
    // a release of the left button outside it.
    void HandleCancelMode();
    void HandlePaint() { Paint(); }
    void HandleParentColorChange();
    void HandleParentFontChange();
    void HandleSysColorChange() { CMSysColorChange(); }
    void HandleHighContrastChange() { CMHighContrastChanged(); }
    // The control got or lost the keyboard focus.
    void HandleFocusChange(bool Focused);

    std::function<void(TGraphicControl* Sender)> OnClick;
    std::function<void(TGraphicControl* Sender)> OnDblClick;
    std::function<void(TGraphicControl* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseDown;
    std::function<void(TGraphicControl* Sender, TShiftState Shift, int X, int Y)> OnMouseMove;
    std::function<void(TGraphicControl* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseUp;
    std::function<void(TGraphicControl* Sender)> OnResize;

protected:
    virtual void Paint() {}
    // Each fires its event; overrides call them first.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Click();
    virtual void DblClick();
    // The size changed (also called for changes of inner margins).
    virtual void Resize();

    // The framework's notifications. Unless said otherwise the framework's
    // own handling is empty.
    virtual void CMMouseEnter() {}
    virtual void CMMouseLeave() {}
    virtual void CMFocusChanged() {}
    virtual void CMVisibleChanged() {}
    virtual void CMEnabledChanged() {}
    virtual void CMColorChanged();  // repaints
    virtual void CMFontChanged() {}
    virtual void CMParentColorChanged() {}
    virtual void CMParentFontChanged() {}
    virtual void CMSysColorChange() {}
    virtual void CMHighContrastChanged() {}
    virtual void CMHintShow() {}
    virtual void CMShowHintChanged() {}
    virtual void CMTextChanged() {}
    virtual bool CMHitTest(int, int) { return true; }

private:
    void TakeParentColor();
    void TakeParentFont();

    IControlParent* FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    TSizeConstraints FConstraints;
    TAlign FAlign = alNone;
    TAnchors FAnchors = akLeft | akTop;
    TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
    TColor FColor = clWindow;
    bool FParentColor = true;
    TFont FFont;
    bool FParentFont = true;
    TCursor FCursor = crDefault;
    bool FVisible = true;
    bool FEnabled = true;
    bool FTabStop = false;
    bool FFocused = false;
    std::wstring FText;
    std::wstring FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    bool FClicked = false;  // the left button went down on the control
    TShiftState FButtonsDown = 0;
};
