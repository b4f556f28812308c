#pragma once
// What a window holding window-less controls does that needs no system:
// it keeps the controls in their order (the last on top), knows which one
// the pointer is over, which holds the mouse and which has the keyboard
// focus, and routes mouse and key input to them. A control may be removed
// while it handles an event (a click handler that removes its own label):
// it leaves at once, but is destroyed only when the event is over. The
// window's side (framework/win/GraphicHost.h) adds the mouse capture,
// painting and the screen reader's view.

#include "framework/Controls.h"

#include <memory>
#include <vector>

class TGraphicContainer : public IControlParent {
public:
    TGraphicContainer() = default;
    ~TGraphicContainer() override;
    TGraphicContainer(const TGraphicContainer&) = delete;
    TGraphicContainer& operator=(const TGraphicContainer&) = delete;

    // Takes the control over, above those added before, and makes it the
    // control's parent.
    TGraphicControl& Add(std::unique_ptr<TGraphicControl> control);
    // Destroys the control; during an event, when the event is over.
    void Remove(TGraphicControl& control);
    // The controls, in their order.
    const std::vector<std::unique_ptr<TGraphicControl>>& Controls() const noexcept { return FControls; }
    int IndexOf(const TGraphicControl& control) const;
    // The topmost visible, enabled control at a point of the client area.
    TGraphicControl* ControlAt(TPoint client) const;
    TGraphicControl* HoverControl() const noexcept { return FHover; }
    TGraphicControl* CaptureControl() const noexcept { return FCapture; }
    TGraphicControl* FocusedControl() const noexcept { return FFocus; }

    // ---- input, in client coordinates
    // Inside: the point is in the client area (else no control is under it).
    void MouseMoved(TPoint client, bool inside, TShiftState shift);
    void MouseLeft();
    // False when no control took the press or release.
    bool ButtonDown(TMouseButton button, bool doubleClick, TPoint client, TShiftState shift);
    // LastButton: no button is held any more, the capture ends.
    bool ButtonUp(TMouseButton button, TPoint client, TShiftState shift, bool lastButton);
    // The capture was taken away while a control held the mouse.
    void CaptureLost();
    // A key for the focused control; false when none has the focus.
    bool KeyDown(unsigned key, bool repeated);
    bool KeyUp(unsigned key);
    // The default action of a control, as a screen reader asks for it.
    void DefaultAction(TGraphicControl& control);

    // ---- keyboard focus
    // The controls the Tab key stops at, in their order.
    std::vector<TGraphicControl*> TabStops() const;
    // Gives the control the focus; nullptr takes it from the one that has it.
    void FocusControl(TGraphicControl* control);

    // ---- what the controls take from their parent
    bool HighContrast() const override { return FHighContrast; }
    void SetHighContrast(bool on);

protected:
    // What only the window can do: hold the mouse, hear of it leaving.
    virtual void SetMouseCapture(bool capture) = 0;
    virtual void TrackMouseLeave() = 0;
    // A control got the focus (nullptr: none has it any more).
    virtual void FocusMoved(TGraphicControl*) {}
    // A control is about to be destroyed.
    virtual void ControlGone(const TGraphicControl&) {}

    // Runs work that may reach the controls' handlers: a control removed
    // meanwhile is destroyed once the outermost of these is over.
    template <class F>
    void Dispatch(F&& work)
    {
        const TDispatching dispatching(*this);
        work();
    }

private:
    class TDispatching {
    public:
        explicit TDispatching(TGraphicContainer& container) : FContainer(container) { ++FContainer.FDepth; }
        ~TDispatching();
        TDispatching(const TDispatching&) = delete;
        TDispatching& operator=(const TDispatching&) = delete;

    private:
        TGraphicContainer& FContainer;
    };

    void SetHover(TGraphicControl* control);
    bool Leaving(const TGraphicControl* control) const;
    void Destroy(const TGraphicControl& control);

    std::vector<std::unique_ptr<TGraphicControl>> FControls;
    // Removed during an event, destroyed after it; still in FControls.
    std::vector<const TGraphicControl*> FLeaving;
    int FDepth = 0;
    TGraphicControl* FHover = nullptr;
    TGraphicControl* FCapture = nullptr;
    TGraphicControl* FFocus = nullptr;
    bool FHighContrast = false;
};
