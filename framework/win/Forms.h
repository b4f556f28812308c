#pragma once
// Windows built from a TFormDef: the window, its fonts, one child window
// per windowed control, and the window-less controls, which the window that
// holds them paints and feeds with mouse input. Behaviour code finds
// controls by member name and hooks their events; the form routes the
// system's notifications to them.

#include "framework/Controls.h"
#include "framework/FormDef.h"
#include "framework/FormLayout.h"
#include "framework/win/Component.h"
#include "framework/win/Control.h"
#include "framework/win/GdiGraphics.h"
#include "framework/win/GraphicHost.h"
#include "framework/win/Handle.h"
#include "framework/win/Theme.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TForm : public TComponent {
public:
    TForm(TComponent* owner, const TFormDef& def, HWND parentWindow);
    ~TForm() override;

    HWND Handle() const noexcept { return FHandle.get(); }
    TControl& Control(const std::wstring& member);
    // A window-less control of the definition.
    TGraphicControl& GraphicControl(const std::wstring& member);
    template <class T>
    T& GraphicControl(const std::wstring& member)
    {
        return dynamic_cast<T&>(GraphicControl(member));
    }
    const TFormDef& Def() const noexcept { return FDef; }
    // The resolution the window is laid out for, and where its controls are.
    int Dpi() const noexcept { return FLayout.Dpi; }
    const TFormLayout& Layout() const noexcept { return FLayout; }

    void Show();
    // Shows the window modally; returns when it is closed. A request to end
    // the program closes it at once.
    void ShowModal();
    // Asks the window to close (like the close box).
    void Close();
    void Repaint();

    // Called for a close request; return false to keep the window.
    std::function<bool()> OnCloseQuery;

    static void RegisterClasses();
    // Every form takes the look for the system's high contrast setting as
    // it is now (after WM_SETTINGCHANGE); false when nothing changed.
    static bool FollowHighContrast();

protected:
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR subclassId, DWORD_PTR refData);
    static LRESULT CALLBACK ComboEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR subclassId, DWORD_PTR refData);
    static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    HWND CreateControl(const TControlDef& def, HWND parent, const RECT& bounds);
    void CreateGraphicControl(const TControlDef& def, HWND parent);
    // Puts a windowed control where the layout says, in its font's size.
    void PlaceControl(const TControl& control);
    void PlaceGraphicControl(const TControlDef& def, TGraphicControl& control);
    // The window's outer size for the layout's client area.
    SIZE WindowSize() const;
    // Lays the window and everything on it out again for another
    // resolution; at the suggested place (screen coordinates) when given.
    void ChangeDpi(int dpi, const RECT* suggested);
    RECT BoundsOf(const TControlDef& def) const;
    // The host of the window-less controls in that window, made on first use.
    TGraphicHost& HostFor(HWND window);
    // The font of a definition at the layout's resolution, made on first use.
    HFONT FontFor(const TFontDef* font);
    TControl* ControlById(int id);
    // The one answer to WM_CTLCOLOR*: the styler's colours for what it
    // styles, else the form's own (OwnColors), else the system's.
    LRESULT AnswerColor(UINT message, HDC dc, HWND asking);
    // The form's colours for a control standing on it; nothing for edit
    // fields and lists, which keep the system's.
    std::optional<TPartColors> OwnColors(const TControl& control) const;
    // The control a window asking for its colours belongs to: the control
    // itself, or the combo box whose edit field or list it is.
    TControl* OwnerOf(HWND asking, bool& part);
    // The colour the window and its panels show: the definition's, or the
    // system's window colour under high contrast.
    TColor WindowColor() const;
    // Hands a control to the styler, with the look of its definition.
    void StyleControl(const TControl& control);
    // Takes the look for high contrast on or off: the styler leaves or
    // takes the controls, colours are chosen again, everything repaints.
    void ApplyLook(bool highContrast);
    // Completes typed text to the first entry it begins (when complete), or
    // selects the entry that matches the text exactly, or none.
    void CompleteComboText(TControl& combo, HWND edit, bool complete);
    // An entry of a combo box with item details, when no theme draws its list.
    void DrawListItem(const TControl& combo, const DRAWITEMSTRUCT& item);
    bool HandleClose();

    const TFormDef& FDef;
    TFormLayout FLayout;
    TWindowHandle FHandle;
    HWND FParentWindow;
    std::vector<TFontHandle> FFonts;
    std::map<const TFontDef*, HFONT> FFontByDef;
    HFONT FFormFont = nullptr;
    TBrushHandle FFormBrush;
    TBrushCache FBrushes;
    bool FHighContrast = false;
    std::vector<std::unique_ptr<TControl>> FControls;
    std::vector<std::unique_ptr<TGraphicHost>> FHosts;
    std::vector<std::pair<const TControlDef*, TGraphicControl*>> FGraphicControls;
    bool FModal = false;
    bool FModalDone = false;
    HWND FFocusBefore = nullptr;  // the control that had the focus when the window was left
};

// Makes the window-less control of a definition and puts it on its host.
using TGraphicControlFactory = std::unique_ptr<TGraphicControl> (*)(const TControlDef& def, TGraphicHost& host);
// Forms build controls of that kind as window-less controls from now on.
void RegisterGraphicControlClass(TControlKind kind, TGraphicControlFactory factory);

// The font of a window definition as a control carries it, at a resolution.
TFont FontOfDef(const TFontDef& font, int dpi = kDesignDpi);
