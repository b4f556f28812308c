#include "framework/win/Control.h"

#include "framework/win/OSError.h"
#include "framework/win/WindowText.h"

#include <commctrl.h>

TControl::TControl(TForm& form, const TControlDef& def, HWND handle) : FForm(form), FDef(def), FHandle(handle) {}

std::wstring TControl::Text() const
{
    if (FDef.Kind == TControlKind::Memo)
        return AllText();
    return WindowText(FHandle);
}

void TControl::SetText(const std::wstring& text)
{
    if (FDef.Kind == TControlKind::Memo) {
        // The window shows the text as given; the lines follow it.
        FLines.clear();
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find(L"\r\n", start);
            if (end == std::wstring::npos) {
                FLines.push_back(text.substr(start));
                break;
            }
            FLines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        Win32Check(SetWindowTextW(FHandle, text.c_str()));
        return;
    }
    Win32Check(SetWindowTextW(FHandle, text.c_str()));
    if (FDef.Kind == TControlKind::Label && FDef.Width == 0) {
        // Labels without a width follow their text.
        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(FHandle, WM_GETFONT, 0, 0));
        const SIZE size = TextExtent(FHandle, font, text);
        SetWindowPos(FHandle, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool TControl::Visible() const { return (GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE) != 0; }

void TControl::SetVisible(bool visible) { ShowWindow(FHandle, visible ? SW_SHOWNA : SW_HIDE); }

bool TControl::Enabled() const { return IsWindowEnabled(FHandle) != FALSE; }

void TControl::SetEnabled(bool enabled) { EnableWindow(FHandle, enabled ? TRUE : FALSE); }

bool TControl::Checked() const { return SendMessageW(FHandle, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TControl::SetChecked(bool checked)
{
    SendMessageW(FHandle, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int TControl::Position() const { return static_cast<int>(SendMessageW(FHandle, PBM_GETPOS, 0, 0)); }

void TControl::SetPosition(int position) { SendMessageW(FHandle, PBM_SETPOS, static_cast<WPARAM>(position), 0); }

int TControl::ItemIndex() const
{
    const LRESULT index = SendMessageW(FHandle, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void TControl::SetItemIndex(int index) { SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

std::wstring TControl::ItemText(int index) const
{
    const LRESULT length = SendMessageW(FHandle, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got =
        SendMessageW(FHandle, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

int TControl::ItemCount() const
{
    const LRESULT count = SendMessageW(FHandle, CB_GETCOUNT, 0, 0);
    return count == CB_ERR ? 0 : static_cast<int>(count);
}

void TControl::SetItems(const std::vector<std::wstring>& items)
{
    const int selected = ItemIndex();
    const std::wstring kept = selected >= 0 ? ItemText(selected) : std::wstring();
    const std::wstring typed = WindowText(FHandle);
    SendMessageW(FHandle, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& item : items)
        SendMessageW(FHandle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (selected < 0) {
        SetWindowTextW(FHandle, typed.c_str());
        return;
    }
    const LRESULT found =
        SendMessageW(FHandle, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(kept.c_str()));
    SetItemIndex(found == CB_ERR ? 0 : static_cast<int>(found));
}

void TControl::ClearLines()
{
    FLines.clear();
    SetWindowTextW(FHandle, L"");
}

void TControl::AddLine(const std::wstring& line)
{
    const std::wstring piece = FLines.empty() ? line : L"\r\n" + line;
    FLines.push_back(line);
    const LRESULT end = SendMessageW(FHandle, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(FHandle, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(FHandle, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
}

void TControl::ReplaceLastLine(const std::wstring& line)
{
    if (FLines.empty()) {
        AddLine(line);
        return;
    }
    const LRESULT end = SendMessageW(FHandle, WM_GETTEXTLENGTH, 0, 0);
    const LRESULT start = end - static_cast<LRESULT>(FLines.back().size());
    FLines.back() = line;
    SendMessageW(FHandle, EM_SETSEL, static_cast<WPARAM>(start), end);
    SendMessageW(FHandle, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
}

int TControl::LineCount() const { return static_cast<int>(FLines.size()); }

std::wstring TControl::Line(int index) const { return FLines.at(static_cast<std::size_t>(index)); }

std::wstring TControl::AllText() const
{
    std::wstring text;
    for (const auto& line : FLines)
        text += line + L"\r\n";
    return text;
}
