#pragma once
// Windows built from a TFormDef: the window, its fonts, and one child
// window per control. Behaviour code finds controls by member name and
// hooks their events; the form routes the system's notifications to them.

#include "framework/FormDef.h"
#include "framework/win/Component.h"
#include "framework/win/Handle.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TForm;

// One control of a form: its window and its definition.
class TControl {
public:
    TControl(TForm& form, const TControlDef& def, HWND handle);
    HWND Handle() const noexcept { return FHandle; }
    const TControlDef& Def() const noexcept { return FDef; }

    std::wstring Text() const;
    void SetText(const std::wstring& text);
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Checked() const;
    void SetChecked(bool checked);

    // Progress bar.
    int Position() const;
    void SetPosition(int position);

    // Combo box: the entry its list has selected, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    std::wstring ItemText(int index) const;

    // Memo: lines.
    void ClearLines();
    void AddLine(const std::wstring& line);
    void ReplaceLastLine(const std::wstring& line);
    int LineCount() const;
    std::wstring Line(int index) const;
    // Every line followed by CR LF.
    std::wstring AllText() const;

    // Left click released over the control (buttons, link labels).
    std::function<void()> OnClick;

private:
    friend class TForm;
    TForm& FForm;
    const TControlDef& FDef;
    HWND FHandle;
    std::vector<std::wstring> FLines;  // memo text as lines
};

class TForm : public TComponent {
public:
    TForm(TComponent* owner, const TFormDef& def, HWND parentWindow);
    ~TForm() override;

    HWND Handle() const noexcept { return FHandle.get(); }
    TControl& Control(const std::wstring& member);
    const TFormDef& Def() const noexcept { return FDef; }

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

protected:
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR subclassId, DWORD_PTR refData);
    static LRESULT CALLBACK ComboEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR subclassId, DWORD_PTR refData);
    static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LinkLabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    HWND CreateControl(const TControlDef& def, HWND parent, const RECT& bounds);
    HFONT FontFor(const TFontDef* font);
    TControl* ControlById(int id);
    LRESULT ColorStatic(HDC dc, HWND control);
    // Completes typed text to the first entry it begins (when complete), or
    // selects the entry that matches the text exactly, or none.
    void CompleteComboText(TControl& combo, HWND edit, bool complete);
    bool HandleClose();

    const TFormDef& FDef;
    TWindowHandle FHandle;
    HWND FParentWindow;
    std::vector<TFontHandle> FFonts;
    std::map<const TFontDef*, HFONT> FFontByDef;
    HFONT FFormFont = nullptr;
    TBrushHandle FFormBrush;
    TBrushHandle FFaceBrush;
    std::vector<std::unique_ptr<TControl>> FControls;
    bool FModal = false;
    bool FModalDone = false;
};

// The system colour or plain colour as a COLORREF.
COLORREF ColorToRGB(TColor color);
