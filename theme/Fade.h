#pragma once
// Control states and the short colour fades between them. Time is a
// millisecond count that only grows (the caller's clock); nothing here
// waits or reads a clock.

#include "framework/Colors.h"

#include <cstdint>

using TMillis = std::uint64_t;

// Normal and hot fade into each other, and pressed fades back, in this time.
inline constexpr TMillis kFadeMillis = 150;

enum class TControlState { Normal, Hot, Pressed, Disabled };

// What a control shows: disabled wins, then pressed, then hot.
TControlState ResolveState(bool enabled, bool pressed, bool hot);

// How long the change from one state to another fades: 0 means at once.
// Pressing and disabling show at once; leaving pressed and moving between
// normal and hot take kFadeMillis.
TMillis TransitionMillis(TControlState from, TControlState to);

// The colour part of the way t (0 to 1, clamped) from one colour to another,
// each channel rounded to the nearest value. Plain colours only.
TColor MixColors(TColor from, TColor to, double t);

struct TFade {
    TColor From = 0;
    TColor To = 0;
    TMillis Start = 0;
    TMillis Duration = 0;

    // From at Start, To from Start + Duration on; in between linear.
    TColor At(TMillis now) const;
    bool Done(TMillis now) const { return now >= Start + Duration; }
};

// One colour that follows a control's state: a change of state starts a fade
// from the colour shown at that moment, so a change in mid-fade never jumps.
class TStateFader {
public:
    TStateFader(TControlState state, TColor color) : FState(state), FFade{color, color, 0, 0} {}

    // Moves to a state whose colour is target. A new target for the same
    // state (a palette change) is shown at once.
    void Go(TControlState state, TColor target, TMillis now);

    TControlState State() const noexcept { return FState; }
    TColor Target() const noexcept { return FFade.To; }
    TColor At(TMillis now) const { return FFade.At(now); }
    bool Animating(TMillis now) const { return !FFade.Done(now); }

private:
    TControlState FState;
    TFade FFade;
};
