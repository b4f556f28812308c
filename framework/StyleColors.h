#pragma once
// The hook through which a custom visual style gives its own colours for
// the system colours. The theme engine installs itself here; until it does
// (and whenever it removes itself) no custom style is active and system
// colours are the system's.

#include <cstdint>
#include <optional>

#include "framework/Colors.h"

class ICustomStyleColors {
public:
    virtual ~ICustomStyleColors() = default;
    // The style's colour for a system colour (0xFF000000 plus the index),
    // as a plain colour; nullopt keeps the system's colour.
    virtual std::optional<TColor> SystemColor(TColor Color) const = 0;
};

// The colours of the active custom style; nullptr while none is active.
ICustomStyleColors* ActiveCustomStyleColors();
// The style stays owned by the caller and must stay alive while installed.
void SetActiveCustomStyleColors(ICustomStyleColors* Style);

// Color, a system colour replaced by the active custom style's colour for
// it when a custom style is active; any other colour unchanged.
TColor StyleColor(TColor Color);

// What a colour paints as, as 0x00BBGGRR: a system colour through
// SysColor (after the custom style's mapping), clDefault as DefaultColor,
// and nothing for clNone.
using TSysColorLookup = std::uint32_t (*)(int Index);
std::optional<std::uint32_t> ResolveColor(TColor Color, TColor DefaultColor, TSysColorLookup SysColor);
