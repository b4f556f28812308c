#pragma once
// A theme's palette: one plain colour for every role the drawing needs, and
// which system colours the theme replaces with which role while it is
// active. Plain data; a palette is complete or it does not exist.

#include "framework/Colors.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

enum class TThemeRole : unsigned char {
    // Surfaces and the text on them.
    Form,              // a window's own colour (the main window's dark teal)
    FormText,          // text standing on Form: labels, captions, radio buttons
    Face,              // the button-face surface: dialogs, link labels
    FaceText,          // text on Face
    DisabledText,      // greyed text on Face and in edit fields
    Border,            // thin frames and shadows
    BorderDark,        // the darker edge of a frame
    Light,             // the lit edge of a frame
    // Push buttons.
    ButtonFace,
    ButtonHotFace,     // under the pointer
    ButtonPressedFace,
    ButtonDisabledFace,
    ButtonText,        // on every face but the disabled one
    ButtonDisabledText,
    ButtonBorder,
    FocusRing,         // the border and dotted rectangle of the focused control
    // Edit fields and memos.
    EditBackground,
    EditText,
    EditBorder,
    EditFocusBorder,
    SelectionBackground,
    SelectionText,
    // Combo box: its drop-down button and list.
    ComboButtonFace,
    ComboButtonHotFace,
    ComboArrow,
    ListBackground,
    ListText,
    ListSelectedBackground,
    ListSelectedText,
    // Group box.
    GroupFrame,
    GroupCaption,      // on Form
    // Radio button and check box glyphs.
    GlyphBackground,
    GlyphBorder,
    GlyphHotBorder,
    GlyphMark,
    // Progress bar.
    ProgressTrack,
    ProgressFill,
    ProgressBorder,
    // Scroll bars.
    ScrollTrack,
    ScrollThumb,
    ScrollThumbHot,
    ScrollButtonFace,
    ScrollArrow,
    Count
};

inline constexpr std::size_t kThemeRoleCount = static_cast<std::size_t>(TThemeRole::Count);

// The role's name as written above, for messages and test output.
const wchar_t* ThemeRoleName(TThemeRole role);

struct TRoleColor {
    TThemeRole Role;
    TColor Color;  // plain 0x00BBGGRR
};

// A system colour (its index) that the theme paints with one of its roles.
struct TSystemColorRole {
    int Index;
    TThemeRole Role;
};

class TPalette {
public:
    // Every role exactly once, each a plain colour; system colours at most
    // once each, indices 0 to 30. Anything else raises an Exception naming
    // the fault.
    TPalette(std::wstring name, std::span<const TRoleColor> colors, std::span<const TSystemColorRole> systemColors);

    const std::wstring& Name() const noexcept { return FName; }
    TColor operator[](TThemeRole role) const noexcept { return FColors[static_cast<std::size_t>(role)]; }

    // The colour to paint with: a system colour this palette maps becomes
    // its role's colour; any other value comes back unchanged.
    TColor Resolve(TColor color) const noexcept;
    bool MapsSystemColor(int index) const noexcept;

private:
    static constexpr int kSystemColorCount = 31;
    std::wstring FName;
    std::array<TColor, kThemeRoleCount> FColors{};
    std::array<int, kSystemColorCount> FSystemRole{};  // role index, -1 when not mapped
};
