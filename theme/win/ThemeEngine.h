#pragma once
// The visual style engine: styles given control windows in a palette's
// colours. Attached to a window of a kind, it subclasses the window (and,
// for the colours the system asks the parent for, the parent), paints the
// control itself or answers its colour questions, follows the pointer and
// the control's state, fades push buttons between normal and hot and back
// from pressed, and fits word-wrapped label text to its rectangle. Title
// bars, borders and message boxes stay the system's. The engine does not
// know the program's windows: whoever builds them attaches each control.

#include "framework/FormDef.h"
#include "framework/win/Handle.h"
#include "framework/win/Theme.h"
#include "theme/Palette.h"
#include "theme/win/FadeAnimator.h"

#include <windows.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>

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

    explicit TThemeEngine(const TPalette& palette, TMillisClock clock = {});
    // Every window still styled gets its own look back.
    ~TThemeEngine() override;
    TThemeEngine(const TThemeEngine&) = delete;
    TThemeEngine& operator=(const TThemeEngine&) = delete;

    // Styles the control from now on and repaints it. Buttons, radio
    // buttons, check boxes, group boxes, labels and progress bars are
    // painted by the engine; edit fields, memos and combo boxes keep their
    // own text painting and get the palette's colours, frame, drop-down
    // button, list and scroll bars. Panels and link labels are their
    // owners' to paint: false, nothing changes. Attaching again takes the
    // new look. Must be called on the window's thread.
    bool Attach(HWND control, const TControlLook& look);
    // The control gets its own look back (and its own font).
    void Detach(HWND control);
    // The framework's way in: Attach with the look made of these.
    bool StyleControl(HWND control, TControlKind kind, TColor surface, TColor text) override
    {
        return Attach(control, TControlLook{kind, surface, text});
    }
    bool IsAttached(HWND control) const;
    std::size_t AttachedCount() const noexcept { return FControls.size(); }

    // Fits the control's text again and repaints it: after its size, font
    // or resolution changed.
    void Refresh(HWND control);

    const TPalette& Palette() const noexcept { return FPalette; }
    // The colour a control with this look writes its text in.
    TColor TextColor(const TControlLook& look) const;
    // The resolution the control is drawn for.
    static int WindowDpi(HWND window);

private:
    struct TStyled;

    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data);
    static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);

    LRESULT HandleControl(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleList(TStyled& styled, UINT message, WPARAM wParam, LPARAM lParam);
    bool AnswerColor(HWND child, HDC dc, UINT message, LRESULT& brush);

    void Paint(TStyled& styled, HDC dc);
    void PaintList(TStyled& styled, HDC dc);
    void PaintNonClient(TStyled& styled);
    void UpdateState(TStyled& styled);
    void FitText(TStyled& styled);
    HBRUSH Brush(TColor color);
    // The font the engine draws a control's text with: small text without
    // smoothing. Made once for each font description.
    HFONT PaintFont(HFONT font);
    TStyled* Find(HWND window) const;
    void Release(HWND window, bool restoreLook);
    void AddParent(HWND parent);
    void DropParent(HWND parent);

    TPalette FPalette;
    TMillisClock FClock;
    std::map<HWND, std::unique_ptr<TStyled>> FControls;
    std::map<HWND, int> FParents;  // subclassed parents: how many styled children each has
    std::map<COLORREF, TBrushHandle> FBrushes;
    std::map<std::wstring, TFontHandle> FCrispFonts;
};

// An engine for a visual style when the style is a palette's (as every
// embedded theme is); nullptr for any other style.
std::unique_ptr<TThemeEngine> MakeThemeEngine(const TVisualStyle& style, TMillisClock clock = {});
