#pragma once
// Which palette colours a control shows in which state, and which text is
// drawn on which surface. The painting side takes its colours only from
// here, so the readability of every pair can be checked on the palette.

#include "theme/Contrast.h"
#include "theme/Fade.h"
#include "theme/Palette.h"

#include <span>

struct TButtonLook {
    TColor Face;
    TColor Text;
    TColor Border;
};

// The face of a push button in a state.
TColor ButtonFaceFor(const TPalette& palette, TControlState state);
// Face, text and border; a focused button (not disabled) has the focus
// ring's colour as its border.
TButtonLook ButtonLookFor(const TPalette& palette, TControlState state, bool focused);

// The drop-down button of a combo box: hot or pressed (dropped) looks hot.
TColor ComboButtonFaceFor(const TPalette& palette, TControlState state);

struct TGlyphLook {
    TColor Background;
    TColor Border;
    TColor Mark;
};

// The box or circle of a check box or radio button.
TGlyphLook GlyphLookFor(const TPalette& palette, TControlState state);

// Text on any surface: the palette's text for the form or for the face,
// whichever reads better there.
TColor TextColorOn(const TPalette& palette, TColor surface);

// Text drawn on a surface, both palette roles, with the contrast it needs.
struct TTextPair {
    TThemeRole Text;
    TThemeRole Surface;
    double Minimum;
};

// Every text colour the painting draws, on the surface it draws it on.
std::span<const TTextPair> PaletteTextPairs();

// Text in a fixed colour drawn on a palette surface: the link label's link
// colour on the face it fills with, the main window's white label fonts.
struct TFixedTextPair {
    TColor Text;
    TThemeRole Surface;
    double Minimum;
    const wchar_t* What;
};
std::span<const TFixedTextPair> FixedTextPairs();

// Text in a system colour on a surface in a system colour, both replaced
// by the palette while it is active (indices as in the system's table).
struct TSystemTextPair {
    int Text;
    int Surface;
    double Minimum;
};
std::span<const TSystemTextPair> SystemTextPairs();
