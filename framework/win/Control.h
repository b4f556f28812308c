#pragma once
// One windowed control of a form: its window and its definition. Behaviour
// code reads and changes the control through it and hooks its click.

#include "framework/FormDef.h"
#include "framework/win/ListItemDetail.h"

#include <windows.h>

#include <functional>
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
    int ItemCount() const;
    // Replaces the entries; the entry of the same text stays selected, else
    // the first one. Text typed that selects none stays as it was.
    void SetItems(const std::vector<std::wstring>& items);

    // Memo: lines.
    void ClearLines();
    void AddLine(const std::wstring& line);
    void ReplaceLastLine(const std::wstring& line);
    int LineCount() const;
    std::wstring Line(int index) const;
    // Every line followed by CR LF.
    std::wstring AllText() const;

    // Left click released over the control (buttons, radio buttons, check boxes).
    std::function<void()> OnClick;
    // Edit: its text changed. Combo box: the entry its list selects may have
    // changed (chosen from the list, or typed and completed).
    std::function<void()> OnChange;
    // Combo box with item details: what its list shows beside an entry.
    std::function<TListItemDetail(int index)> OnItemDetail;

private:
    friend class TForm;
    TForm& FForm;
    const TControlDef& FDef;
    HWND FHandle;
    std::vector<std::wstring> FLines;  // memo text as lines
};
