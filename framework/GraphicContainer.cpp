#include "framework/GraphicContainer.h"

#include <algorithm>

TGraphicContainer::TDispatching::~TDispatching()
{
    if (--FContainer.FDepth > 0)
        return;
    // Each destruction runs as an event of its own, so one that removes
    // another control meanwhile is safe too.
    while (!FContainer.FLeaving.empty()) {
        const TGraphicControl* control = FContainer.FLeaving.back();
        FContainer.FLeaving.pop_back();
        FContainer.Destroy(*control);
    }
}

TGraphicContainer::~TGraphicContainer()
{
    FHover = FCapture = FFocus = nullptr;
    FLeaving.clear();
    FControls.clear();
}

TGraphicControl& TGraphicContainer::Add(std::unique_ptr<TGraphicControl> control)
{
    TGraphicControl& added = *control;
    FControls.push_back(std::move(control));
    added.SetParent(this);
    if (FHighContrast)
        added.HandleHighContrastChange();
    added.Invalidate();
    return added;
}

void TGraphicContainer::Remove(TGraphicControl& control)
{
    if (IndexOf(control) < 0 || Leaving(&control))
        return;
    // Nothing reaches it from now on.
    if (FHover == &control)
        FHover = nullptr;
    if (FCapture == &control) {
        FCapture = nullptr;
        SetMouseCapture(false);
    }
    if (FFocus == &control)
        FocusControl(nullptr);
    if (FDepth > 0)
        FLeaving.push_back(&control);
    else
        Destroy(control);
}

void TGraphicContainer::Destroy(const TGraphicControl& control)
{
    const int index = IndexOf(control);
    if (index < 0)
        return;
    std::unique_ptr<TGraphicControl> gone = std::move(FControls[static_cast<std::size_t>(index)]);
    FControls.erase(FControls.begin() + index);
    // What it covered is painted again.
    if (gone->Visible())
        InvalidateArea(gone->BoundsRect(), false);
    ControlGone(*gone);
}

bool TGraphicContainer::Leaving(const TGraphicControl* control) const
{
    return std::find(FLeaving.begin(), FLeaving.end(), control) != FLeaving.end();
}

int TGraphicContainer::IndexOf(const TGraphicControl& control) const
{
    for (std::size_t i = 0; i < FControls.size(); ++i)
        if (FControls[i].get() == &control)
            return static_cast<int>(i);
    return -1;
}

TGraphicControl* TGraphicContainer::ControlAt(TPoint client) const
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TGraphicControl& c = **it;
        if (c.Visible() && c.Enabled() && !Leaving(&c) && c.HitTest(client.X - c.Left(), client.Y - c.Top()))
            return &c;
    }
    return nullptr;
}

// ---- mouse

void TGraphicContainer::SetHover(TGraphicControl* control)
{
    if (control == FHover)
        return;
    TGraphicControl* old = FHover;
    FHover = control;
    if (old != nullptr)
        old->HandleMouseLeave();
    if (control != nullptr && FHover == control)
        control->HandleMouseEnter();
}

void TGraphicContainer::MouseMoved(TPoint client, bool inside, TShiftState shift)
{
    Dispatch([&] {
        // Outside the client area (the mouse is captured) no control is under it.
        SetHover(inside ? ControlAt(client) : nullptr);
        TrackMouseLeave();
        if (TGraphicControl* target = FCapture != nullptr ? FCapture : FHover)
            target->HandleMouseMove(shift, client.X - target->Left(), client.Y - target->Top());
    });
}

void TGraphicContainer::MouseLeft()
{
    if (FCapture == nullptr)
        Dispatch([&] { SetHover(nullptr); });
}

bool TGraphicContainer::ButtonDown(TMouseButton button, bool doubleClick, TPoint client, TShiftState shift)
{
    TGraphicControl* target = FCapture != nullptr ? FCapture : ControlAt(client);
    if (target == nullptr)
        return false;
    if (FCapture == nullptr && (target->ControlStyle() & csCaptureMouse)) {
        FCapture = target;
        SetMouseCapture(true);
    }
    Dispatch([&] {
        target->HandleMouseDown(button, shift | (doubleClick ? TShiftState{ssDouble} : TShiftState{0}),
                                client.X - target->Left(), client.Y - target->Top());
    });
    return true;
}

bool TGraphicContainer::ButtonUp(TMouseButton button, TPoint client, TShiftState shift, bool lastButton)
{
    TGraphicControl* target = FCapture != nullptr ? FCapture : ControlAt(client);
    // The capture ends with the last button, before the control hears of
    // the release: a click may start a long wait or open a window.
    if (FCapture != nullptr && lastButton) {
        FCapture = nullptr;
        SetMouseCapture(false);
    }
    if (target == nullptr)
        return false;
    Dispatch([&] { target->HandleMouseUp(button, shift, client.X - target->Left(), client.Y - target->Top()); });
    return true;
}

void TGraphicContainer::CaptureLost()
{
    TGraphicControl* control = FCapture;
    FCapture = nullptr;
    if (control != nullptr)
        Dispatch([&] { control->HandleCancelMode(); });
}

// ---- keys and focus

bool TGraphicContainer::KeyDown(unsigned key, bool repeated)
{
    TGraphicControl* target = FFocus;
    if (target == nullptr)
        return false;
    Dispatch([&] { target->KeyDown(key, repeated); });
    return true;
}

bool TGraphicContainer::KeyUp(unsigned key)
{
    TGraphicControl* target = FFocus;
    if (target == nullptr)
        return false;
    Dispatch([&] { target->KeyUp(key); });
    return true;
}

void TGraphicContainer::DefaultAction(TGraphicControl& control)
{
    if (IndexOf(control) >= 0 && !Leaving(&control))
        Dispatch([&] { control.DoDefaultAction(); });
}

std::vector<TGraphicControl*> TGraphicContainer::TabStops() const
{
    std::vector<TGraphicControl*> stops;
    for (const auto& c : FControls)
        if (c->CanFocus() && !Leaving(c.get()))
            stops.push_back(c.get());
    return stops;
}

void TGraphicContainer::FocusControl(TGraphicControl* control)
{
    if (control == FFocus)
        return;
    TGraphicControl* old = FFocus;
    FFocus = control;
    Dispatch([&] {
        if (old != nullptr)
            old->HandleFocusChange(false);
        if (control != nullptr && FFocus == control)
            control->HandleFocusChange(true);
    });
    if (FFocus == control)
        FocusMoved(control);
}

void TGraphicContainer::SetHighContrast(bool on)
{
    if (on == FHighContrast)
        return;
    FHighContrast = on;
    Dispatch([&] {
        for (const auto& c : FControls)
            c->HandleHighContrastChange();
    });
}
