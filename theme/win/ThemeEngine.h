#pragma once
// The visual style engine: styles given control windows in a palette's
// colours. Attached to a window of a kind, it subclasses the window, paints
// the control or its frame and scroll bars itself, gives the colours of its
// text and background when the window the control stands on is asked,
// follows the pointer and the control's state, fades push buttons between
// normal and hot and back from pressed, and fits word-wrapped label text to
// its rectangle. What it does for a kind of control is one row of its kind
// table. Title bars, borders and message boxes stay the system's. The
// engine does not know the program's windows: whoever builds them attaches
// each control.

#include "framework/FormDef.h"
#include "framework/win/Handle.h"
#include "framework/win/Theme.h"
#include "theme/Palette.h"
#include "theme/win/FadeAnimator.h"

#include <windows.h>

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct TControlLook {
    TControlKind Kind;
    // The plain colour the control stands on (its parent's).
    TColor Surface;
    // The control's own font colour (a system colour is taken through the
    // palette); clDefault for the palette's text on the surface. Text that
    // would not read on the surface (below 4.5 : 1) takes the palette's.
    TColor Text = clDefault;
};

class TThemeEngine : public TControlStyler {
public:
    // Text of at most this character height (pixels) is drawn unsmoothed.
    static constexpr int kLargestCrispFontHeight = 12;

    // One attached control: its state travels as the subclass's data.
    struct TStyled;

    // Where a control's "pressed" state is read.
    enum class TPressedBy { Nothing, ButtonState, DroppedDown };

    using TPaint = void (TThemeEngine::*)(TStyled& styled, HDC dc);
    // What the engine does for one kind of control.
    struct TKind {
        TControlKind Kind;
        // Paints its whole client area itself; otherwise the system draws
        // the client area and the engine the frame and the scroll bars.
        bool PaintsItself;
        bool Fades;           // fades between normal, hot and pressed
        TPressedBy Pressed;
        bool FitsText;        // word-wrapped text takes a smaller font when it does not fit
        TPaint Paint;
        TPaint PaintList;     // its drop-down list, if it has one
    };
    // The kinds the engine draws; others (panels, link labels) stay their
    // owners' to paint.
    static std::span<const TKind> Kinds();

    explicit TThemeEngine(const TPalette& palette, TMillisClock clock = {});
    // Every window still styled gets its own look back.
    ~TThemeEngine() override;
    TThemeEngine(const TThemeEngine&) = delete;
    TThemeEngine& operator=(const TThemeEngine&) = delete;

    // Styles the control from now on and repaints it; false (nothing
    // changes) for a kind the table lacks. Attaching again takes the new
    // look. Must be called on the window's thread.
    bool Attach(HWND control, const TControlLook& look);
    // The control gets its own look back (and its own font).
    void Detach(HWND control);
    // The framework's way in: Attach with the look made of these.
    bool StyleControl(HWND control, TControlKind kind, TColor surface, TColor text) override
    {
        return Attach(control, TControlLook{kind, surface, text});
    }
    // Like Detach, but a label keeps the smaller font its text needs: the
    // system draws it in its own colours, and nothing is cut off.
    void UnstyleControl(HWND control) override;
    // The one answer to WM_CTLCOLOR* for the controls the engine styles and
    // their parts: edit fields in the palette's edit colours, a drop-down
    // list in its list colours, anything else its text on its surface.
    std::optional<TPartColors> ControlColors(HWND asking, UINT message) const override;
    bool IsAttached(HWND control) const;
    std::size_t AttachedCount() const noexcept { return FStyled.size(); }

    // Fits the control's text again and repaints it: after its size, font
    // or resolution changed.
    void Refresh(HWND control);

    const TPalette& Palette() const noexcept { return FPalette; }
    // The colour a control with this look writes its text in.
    TColor TextColor(const TControlLook& look) const;
    // The resolution the control is drawn for.
    static int WindowDpi(HWND window);

private:
    UINT_PTR Id() const noexcept { return reinterpret_cast<UINT_PTR>(this); }
    TStyled* Find(HWND window) const;
    TStyled* ListOwner(HWND list) const;
    void Release(TStyled& styled, bool restoreLook, bool keepFittedFont = false);

    LRESULT HandleControl(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleSelfPainted(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleFramed(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleList(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam);
    // After a message that changed what the control shows.
    void ShowChange(TStyled& styled, UINT message, WPARAM wParam);

    // The scroll bars of framed kinds, driven by the engine so that the
    // system never draws them.
    bool StartScrollTracking(TStyled& styled, int bar, POINT screen);
    void TrackScroll(TStyled& styled, POINT screen, bool timer);
    void EndScrollTracking(TStyled& styled, bool release);

    // The paint functions of the kind table.
    void PaintButtonKind(TStyled& styled, HDC dc);
    void PaintChoiceKind(TStyled& styled, HDC dc);
    void PaintGroupKind(TStyled& styled, HDC dc);
    void PaintLabelKind(TStyled& styled, HDC dc);
    void PaintProgressKind(TStyled& styled, HDC dc);
    void PaintComboKind(TStyled& styled, HDC dc);
    void PaintFrameKind(TStyled& styled, HDC dc);

    void PaintComboList(TStyled& styled, HDC dc);
    // A framed control's frame and scroll bars, on the screen in one piece.
    void PaintNonClient(TStyled& styled);
    bool Pressed(const TStyled& styled) const;
    void UpdateState(TStyled& styled);
    void FitText(TStyled& styled);
    // The font the engine draws a control's text with: small text without
    // smoothing. Made once for each font description.
    HFONT PaintFont(HFONT font);

    TPalette FPalette;
    TMillisClock FClock;
    std::vector<TStyled*> FStyled;
    std::map<std::wstring, TFontHandle> FCrispFonts;
    // Fitted fonts that unstyled labels still use, with their own fonts.
    struct TKeptFont {
        HFONT Design;
        TFontHandle Fitted;
    };
    std::map<HWND, TKeptFont> FKeptFonts;
};

// An engine for a visual style when the style is a palette's (as every
// embedded theme is); nullptr for any other style.
std::unique_ptr<TThemeEngine> MakeThemeEngine(const TVisualStyle& style, TMillisClock clock = {});
