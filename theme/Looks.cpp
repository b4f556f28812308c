#include "theme/Looks.h"

namespace {

using R = TThemeRole;

constexpr TTextPair kTextPairs[] = {
    {R::FormText, R::Form, kTextContrast},
    {R::GroupCaption, R::Form, kTextContrast},
    {R::FaceText, R::Face, kTextContrast},
    {R::DisabledText, R::Face, kMutedContrast},
    {R::DisabledText, R::EditBackground, kMutedContrast},
    {R::ButtonText, R::ButtonFace, kTextContrast},
    {R::ButtonText, R::ButtonHotFace, kTextContrast},
    {R::ButtonText, R::ButtonPressedFace, kTextContrast},
    {R::ButtonDisabledText, R::ButtonDisabledFace, kMutedContrast},
    {R::EditText, R::EditBackground, kTextContrast},
    {R::SelectionText, R::SelectionBackground, kTextContrast},
    {R::ListText, R::ListBackground, kTextContrast},
    {R::ListSelectedText, R::ListSelectedBackground, kTextContrast},
    // Graphics that carry meaning: arrows, marks, the focus ring, the fill.
    {R::ComboArrow, R::ComboButtonFace, kMutedContrast},
    {R::ComboArrow, R::ComboButtonHotFace, kMutedContrast},
    {R::ScrollArrow, R::ScrollButtonFace, kMutedContrast},
    {R::ScrollThumb, R::ScrollTrack, kMutedContrast},
    {R::ScrollThumbHot, R::ScrollTrack, kMutedContrast},
    {R::GlyphMark, R::GlyphBackground, kMutedContrast},
    {R::GlyphBorder, R::Form, kMutedContrast},
    {R::FocusRing, R::ButtonFace, kMutedContrast},
    {R::FocusRing, R::Face, kMutedContrast},
    {R::EditFocusBorder, R::EditBackground, kMutedContrast},
    {R::ProgressFill, R::ProgressTrack, kMutedContrast},
};

constexpr TFixedTextPair kFixedTextPairs[] = {
    {clBlue, R::Face, kTextContrast, L"link text clBlue on the link label's clBtnFace"},
    {clWhite, R::Form, kTextContrast, L"the main window's white labels"},
};

// COLOR_WINDOWTEXT 8, COLOR_WINDOW 5, COLOR_BTNFACE 15, COLOR_BTNTEXT 18,
// COLOR_HIGHLIGHT 13, COLOR_HIGHLIGHTTEXT 14, COLOR_GRAYTEXT 17.
constexpr TSystemTextPair kSystemTextPairs[] = {
    {8, 15, kTextContrast},
    {8, 5, kTextContrast},
    {18, 15, kTextContrast},
    {14, 13, kTextContrast},
    {17, 15, kMutedContrast},
    {17, 5, kMutedContrast},
};

}  // namespace

TColor ButtonFaceFor(const TPalette& palette, TControlState state)
{
    switch (state) {
    case TControlState::Hot:
        return palette[R::ButtonHotFace];
    case TControlState::Pressed:
        return palette[R::ButtonPressedFace];
    case TControlState::Disabled:
        return palette[R::ButtonDisabledFace];
    case TControlState::Normal:
        break;
    }
    return palette[R::ButtonFace];
}

TButtonLook ButtonLookFor(const TPalette& palette, TControlState state, bool focused)
{
    const bool disabled = state == TControlState::Disabled;
    return TButtonLook{
        ButtonFaceFor(palette, state),
        palette[disabled ? R::ButtonDisabledText : R::ButtonText],
        palette[focused && !disabled ? R::FocusRing : R::ButtonBorder],
    };
}

TColor ComboButtonFaceFor(const TPalette& palette, TControlState state)
{
    switch (state) {
    case TControlState::Hot:
    case TControlState::Pressed:
        return palette[R::ComboButtonHotFace];
    case TControlState::Disabled:
        return palette[R::ButtonDisabledFace];
    case TControlState::Normal:
        break;
    }
    return palette[R::ComboButtonFace];
}

TGlyphLook GlyphLookFor(const TPalette& palette, TControlState state)
{
    switch (state) {
    case TControlState::Disabled:
        return TGlyphLook{palette[R::ButtonDisabledFace], palette[R::Border], palette[R::ButtonDisabledText]};
    case TControlState::Hot:
    case TControlState::Pressed:
        return TGlyphLook{palette[R::GlyphBackground], palette[R::GlyphHotBorder], palette[R::GlyphMark]};
    case TControlState::Normal:
        break;
    }
    return TGlyphLook{palette[R::GlyphBackground], palette[R::GlyphBorder], palette[R::GlyphMark]};
}

TColor TextColorOn(const TPalette& palette, TColor surface)
{
    return BetterTextColor(surface, palette[R::FormText], palette[R::FaceText]);
}

std::span<const TTextPair> PaletteTextPairs()
{
    return kTextPairs;
}

std::span<const TFixedTextPair> FixedTextPairs()
{
    return kFixedTextPairs;
}

std::span<const TSystemTextPair> SystemTextPairs()
{
    return kSystemTextPairs;
}
