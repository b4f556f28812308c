#pragma once
// Applying a visual style by name to the program's windows.

#include "framework/FormDef.h"
#include "framework/Theme.h"
#include "framework/win/Handle.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>

// Makes the named style the active one: from then on painting takes the
// style's colours for the system colours it replaces. When no style has
// that name, shows the box "Fehler" with the message and a single button
// "S&chließen", keeps the system's look and returns false.
bool ApplyTheme(const std::wstring& name);

// The active style, or nullptr while the system's look is used.
const TVisualStyle* ActiveTheme();

// Whether the system's high contrast is on (SPI_GETHIGHCONTRAST). While it
// is, the active style's colours no longer replace the system's: painting
// takes the system's colours, as the user asked.
bool FollowSystemHighContrast();

// Text colour for controls on the window's background: the active style's,
// else the given one.
TColor ActiveThemeTextColor(TColor fallback);

// The colours a control's text and background are drawn in.
struct TPartColors {
    TColor Text;
    TColor Background;
};

// Solid brushes by colour, each made once, for the answers to WM_CTLCOLOR*.
class TBrushCache {
public:
    HBRUSH Brush(TColor color);

private:
    std::map<COLORREF, TBrushHandle> FBrushes;
};

// Answers a WM_CTLCOLOR* message with colours (system colours resolved):
// the DC's text and background colours, and the background's brush.
LRESULT AnswerWithColors(HDC dc, const TPartColors& colors, TBrushCache& brushes);

// What a visual style does to the control windows of a form. The theme
// engine implements it; while one is installed, forms hand it every control
// they make.
class TControlStyler {
public:
    virtual ~TControlStyler() = default;
    // Styles the control from now on: surface is the plain colour it stands
    // on, text its own font colour (clDefault: none of its own). False leaves
    // the control the system's.
    virtual bool StyleControl(HWND control, TControlKind kind, TColor surface, TColor text) = 0;
    // Gives a styled control its own look back.
    virtual void UnstyleControl(HWND) {}
    // The colours for a WM_CTLCOLOR* message (message) that a window asks:
    // a control the styler styles, or a part of one (a combo box's edit
    // field or list). Nothing when the window is none of the styler's.
    virtual std::optional<TPartColors> ControlColors(HWND, UINT) const { return std::nullopt; }
};

// The styler forms hand their controls to; nullptr while none is installed.
TControlStyler* ActiveControlStyler();
// The styler stays the caller's and must stay alive while it is installed.
void SetControlStyler(TControlStyler* styler);

// Installs a styler for as long as it lives; the one installed before comes
// back at its end, so no form meets a styler that is gone.
class TInstalledControlStyler {
public:
    explicit TInstalledControlStyler(TControlStyler* styler) : FBefore(ActiveControlStyler())
    {
        SetControlStyler(styler);
    }
    ~TInstalledControlStyler() { SetControlStyler(FBefore); }
    TInstalledControlStyler(const TInstalledControlStyler&) = delete;
    TInstalledControlStyler& operator=(const TInstalledControlStyler&) = delete;

private:
    TControlStyler* FBefore;
};
