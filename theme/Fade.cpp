#include "theme/Fade.h"

#include "theme/Contrast.h"

#include <algorithm>
#include <cmath>

TControlState ResolveState(bool enabled, bool pressed, bool hot)
{
    if (!enabled)
        return TControlState::Disabled;
    if (pressed)
        return TControlState::Pressed;
    return hot ? TControlState::Hot : TControlState::Normal;
}

TMillis TransitionMillis(TControlState from, TControlState to)
{
    if (from == to || to == TControlState::Pressed || to == TControlState::Disabled ||
        from == TControlState::Disabled)
        return 0;
    return kFadeMillis;  // normal <-> hot, and pressed back to either
}

TColor MixColors(TColor from, TColor to, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    const auto mix = [t](unsigned a, unsigned b) {
        return static_cast<unsigned>(std::lround(a + (static_cast<double>(b) - a) * t));
    };
    return RGBColor(mix(RedOf(from), RedOf(to)), mix(GreenOf(from), GreenOf(to)), mix(BlueOf(from), BlueOf(to)));
}

TColor TFade::At(TMillis now) const
{
    if (Done(now))
        return To;
    if (now <= Start)
        return From;
    return MixColors(From, To, static_cast<double>(now - Start) / static_cast<double>(Duration));
}

void TStateFader::Go(TControlState state, TColor target, TMillis now)
{
    if (state == FState) {
        if (target != FFade.To)
            FFade = TFade{target, target, now, 0};
        return;
    }
    FFade = TFade{FFade.At(now), target, now, TransitionMillis(FState, state)};
    FState = state;
}
