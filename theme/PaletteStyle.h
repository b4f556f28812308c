#pragma once
// A palette as the framework's visual style: the framework asks it for the
// colours it paints with; the painting side reads the palette itself.

#include "framework/Theme.h"
#include "theme/Palette.h"

#include <optional>

class TPaletteStyle : public TVisualStyle {
public:
    explicit TPaletteStyle(TPalette palette) : FPalette(std::move(palette)) {}

    const std::wstring& Name() const override { return FPalette.Name(); }
    std::optional<TColor> SystemColor(TColor color) const override
    {
        const TColor resolved = FPalette.Resolve(color);
        return resolved != color ? std::optional<TColor>(resolved) : std::nullopt;
    }
    TColor WindowTextColor() const override { return FPalette[TThemeRole::FormText]; }

    const TPalette& Palette() const noexcept { return FPalette; }

private:
    TPalette FPalette;
};
