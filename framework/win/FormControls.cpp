// Building a form's windowed controls from their definitions, and the
// behaviour of its containers and of the combo box's edit field.

#include "framework/win/Forms.h"

#include "framework/win/Application.h"
#include "framework/win/FormParts.h"
#include "framework/win/OSError.h"
#include "framework/win/Theme.h"
#include "framework/win/WindowText.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr wchar_t kPanelClass[] = L"TPanel";
constexpr int kComboDropDownHeight = 200;

// The closed combo box is as high as the layout says, whatever its font.
// Some systems add to the field height they are given: measured again, and
// the difference that remains taken off what was asked.
void FitClosedComboHeight(HWND combo, int height)
{
    LRESULT itemHeight = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int attempt = 0; attempt < 3 && itemHeight > 0; ++attempt) {
        RECT r;
        GetWindowRect(combo, &r);
        const int delta = height - (r.bottom - r.top);
        if (delta == 0 || itemHeight + delta <= 0)
            return;
        itemHeight += delta;
        SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
    }
}

TForm* FormOf(HWND window)
{
    const HWND root = GetAncestor(window, GA_ROOT);
    return root != nullptr ? reinterpret_cast<TForm*>(GetWindowLongPtrW(root, GWLP_USERDATA)) : nullptr;
}

}  // namespace

void TForm::RegisterClasses()
{
    static bool registered = false;
    if (registered)
        return;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);

    WNDCLASSEXW panel{};
    panel.cbSize = sizeof(panel);
    panel.lpfnWndProc = &TForm::PanelProc;
    panel.style = CS_DBLCLKS;  // window-less controls on it see double clicks
    panel.hInstance = GetModuleHandleW(nullptr);
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.lpszClassName = kPanelClass;
    if (!RegisterClassExW(&panel))
        RaiseLastOSError();

    registered = true;
}

void TForm::CreateControls()
{
    std::map<std::wstring, HWND> windows;
    windows[L""] = FHandle.get();
    // Made in tab order: the system stacks them in the order made.
    for (const std::size_t i : CreationOrder(FDef)) {
        const TControlDef& def = FDef.Controls[i];
        const std::wstring parentName = def.Parent != nullptr ? def.Parent : L"";
        if (GraphicFactories().count(def.Kind) != 0) {
            CreateGraphicControl(def, windows.at(parentName));
            continue;
        }
        const HWND window = CreateControl(def, windows.at(parentName), BoundsOf(def));
        windows[def.Member] = window;
        FControls.push_back(std::make_unique<TControl>(*this, def, window));
        // Under high contrast the system draws the controls.
        if (!FHighContrast)
            StyleControl(*FControls.back());
    }
}

HWND TForm::CreateControl(const TControlDef& def, HWND parent, const RECT& bounds)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const wchar_t* className = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    int height = bounds.bottom - bounds.top;
    if (!(def.Options & coHidden))
        style |= WS_VISIBLE;
    const bool focusable = def.Kind != TControlKind::RadioButton && def.Kind != TControlKind::GroupBox &&
                           def.Kind != TControlKind::ProgressBar;
    if (def.TabOrder >= 0 && focusable)
        style |= WS_TABSTOP;

    switch (def.Kind) {
    case TControlKind::Panel:
        className = kPanelClass;
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TControlKind::LinkLabel:
        // Window-less: made by the factory the link label registers.
        throw Exception(L"Keine Klasse für das Steuerelement '" + std::wstring(def.Member) + L"' angemeldet");
    case TControlKind::Label:
        style |= SS_NOPREFIX | ((def.Options & coWordWrap) ? SS_LEFT : SS_LEFTNOWORDWRAP);
        break;
    case TControlKind::Edit:
        className = L"EDIT";
        style |= ES_AUTOHSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case TControlKind::Button:
        className = L"BUTTON";
        style |= BS_PUSHBUTTON;
        break;
    case TControlKind::ComboBox:
        className = L"COMBOBOX";
        style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
        if (def.Options & coItemDetails)
            style |= CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
        height += ScaleForDpi(kComboDropDownHeight, FLayout.Dpi);
        break;
    case TControlKind::GroupBox:
        className = L"BUTTON";
        style |= BS_GROUPBOX | WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TControlKind::RadioButton:
        className = L"BUTTON";
        style |= BS_AUTORADIOBUTTON | ((def.Options & coWordWrap) ? BS_MULTILINE : 0);
        if (def.TabOrder == 0)
            style |= WS_GROUP | WS_TABSTOP;
        break;
    case TControlKind::CheckBox:
        className = L"BUTTON";
        style |= BS_AUTOCHECKBOX | ((def.Options & coWordWrap) ? BS_MULTILINE : 0);
        break;
    case TControlKind::ProgressBar:
        className = PROGRESS_CLASSW;
        break;
    case TControlKind::Memo:
        className = L"EDIT";
        style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL;
        if (def.Options & coScrollBars)
            style |= WS_HSCROLL;
        if (!(def.Options & coWordWrap))
            style |= ES_AUTOHSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    }

    const HFONT font = FontFor(def.Font);
    int width = bounds.right - bounds.left;
    std::wstring text = def.Text != nullptr ? def.Text : L"";
    if (def.Kind == TControlKind::Label && def.Width == 0) {
        const SIZE size = TextExtent(parent, font, text);
        width = size.cx;
        height = size.cy;
    }
    const wchar_t* initialText = def.Kind == TControlKind::ComboBox ? L"" : text.c_str();
    const HWND window =
        CreateWindowExW(exStyle, className, initialText, style, bounds.left, bounds.top, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.Id)), instance, nullptr);
    if (window == nullptr)
        RaiseLastOSError();
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    switch (def.Kind) {
    case TControlKind::GroupBox:
        SetWindowSubclass(window, &TForm::ContainerProc, 1, 0);
        break;
    case TControlKind::RadioButton:
    case TControlKind::CheckBox:
        SendMessageW(window, BM_SETCHECK, (def.Options & coChecked) ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case TControlKind::ProgressBar:
        SendMessageW(window, PBM_SETRANGE32, 0, 100);
        SendMessageW(window, PBM_SETPOS, 0, 0);
        break;
    case TControlKind::ComboBox: {
        for (const wchar_t* const* item = def.Items; item != nullptr && *item != nullptr; ++item)
            SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(*item));
        const LRESULT selected = SendMessageW(window, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
        if (def.Options & coItemDetails)
            SetListItemHeight(window, font);
        FitClosedComboHeight(window, bounds.bottom - bounds.top);
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (GetComboBoxInfo(window, &info) && info.hwndItem != nullptr)
            SetWindowSubclass(info.hwndItem, &TForm::ComboEditProc, 1, reinterpret_cast<DWORD_PTR>(window));
        break;
    }
    default:
        break;
    }
    return window;
}

RECT TForm::BoundsOf(const TControlDef& def) const
{
    const TRect& r = FLayout.Bounds.at(static_cast<std::size_t>(&def - FDef.Controls));
    return RECT{r.Left, r.Top, r.Right, r.Bottom};
}

void TForm::PlaceControl(const TControl& control)
{
    const TControlDef& def = control.FDef;
    const HWND window = control.FHandle;
    const RECT bounds = BoundsOf(def);
    int width = bounds.right - bounds.left;
    int height = bounds.bottom - bounds.top;
    if (def.Kind == TControlKind::Label && def.Width == 0) {
        const SIZE size = TextExtent(window, FontFor(def.Font), WindowText(window));
        width = size.cx;
        height = size.cy;
    } else if (def.Kind == TControlKind::ComboBox) {
        height += ScaleForDpi(kComboDropDownHeight, FLayout.Dpi);
    }
    SetWindowPos(window, nullptr, bounds.left, bounds.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (def.Kind == TControlKind::ComboBox && (def.Options & coItemDetails))
        SetListItemHeight(window, FontFor(def.Font));
    if (def.Kind == TControlKind::ComboBox)
        FitClosedComboHeight(window, bounds.bottom - bounds.top);
}

void TForm::PlaceGraphicControl(const TControlDef& def, TGraphicControl& control)
{
    if (def.Font != nullptr)
        control.SetFont(FontOfDef(*def.Font, FLayout.Dpi));
    const RECT bounds = BoundsOf(def);
    control.SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void TForm::ChangeDpi(int dpi, const RECT* suggested)
{
    const HWND handle = FHandle.get();
    if (dpi <= 0 || dpi == FLayout.Dpi)
        return;
    FLayout = LayoutForm(FDef, dpi);
    const SIZE size = WindowSize();
    if (suggested != nullptr)
        SetWindowPos(handle, nullptr, suggested->left, suggested->top, size.cx, size.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    else
        SetWindowPos(handle, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The fonts of the old resolution go once every control has a new one.
    const std::vector<TFontHandle> oldFonts = std::move(FFonts);
    FFonts.clear();
    FFontByDef.clear();
    FFormFont = FontFor(&FDef.Font);
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FFormFont), FALSE);
    for (const auto& control : FControls) {
        SendMessageW(control->FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control->FDef.Font)), FALSE);
        PlaceControl(*control);
    }
    for (const auto& host : FHosts)
        host->SetFont(FontOfDef(FDef.Font, dpi));
    for (const auto& [def, control] : FGraphicControls)
        PlaceGraphicControl(*def, *control);
    RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TForm::CompleteComboText(TControl& combo, HWND edit, bool complete)
{
    const std::wstring text = WindowText(edit);
    DWORD selStart = 0;
    DWORD selEnd = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    const HWND box = combo.FHandle;
    const std::wstring typed = text.substr(0, std::min<std::size_t>(selStart, text.size()));
    if (complete && !typed.empty() && selStart == text.size()) {
        const LRESULT found =
            SendMessageW(box, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(typed.c_str()));
        if (found != CB_ERR) {
            SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
            SendMessageW(box, CB_SETEDITSEL, 0, MAKELPARAM(typed.size(), -1));
            if (combo.OnChange)
                combo.OnChange();  // the system tells nothing of a selection made here
            return;
        }
    }
    // No completion: the list selects the entry that matches exactly, if any.
    const LRESULT exact =
        SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    const LRESULT current = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (exact == current)
        return;
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(exact), 0);  // -1 empties the edit field
    SetWindowTextW(edit, text.c_str());
    SendMessageW(edit, EM_SETSEL, selStart, selEnd);
    if (combo.OnChange)
        combo.OnChange();
}

void TForm::DrawListItem(const TControl& combo, const DRAWITEMSTRUCT& item)
{
    if (item.itemID == static_cast<UINT>(-1))
        return;
    const int index = static_cast<int>(item.itemID);
    TListItemDetail detail;
    QueryListItemDetail(combo.FHandle, index, detail);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    // The system's colours, as an active style paints them.
    const TColor text = selected ? clHighlightText : detail.Dimmed ? clGrayText : clWindowText;
    const COLORREF oldBrush = SetDCBrushColor(item.hDC, ColorToRGB(StyleColor(selected ? clHighlight : clWindow)));
    FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(item.hDC, oldBrush);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    const HFONT font = FontFor(combo.FDef.Font);
    const int column =
        GetComboBoxInfo(combo.FHandle, &info) ? ListDetailColumn(item.hDC, info.hwndList, font, FLayout.Dpi) : 0;
    DrawListItemTexts(item.hDC, item.rcItem, FLayout.Dpi, combo.ItemText(index), detail.Detail, column, font,
                      ColorToRGB(StyleColor(text)));
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &item.rcItem);
}

LRESULT CALLBACK TForm::ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                      DWORD_PTR)
{
    const bool subclassed = subclassId != 0;
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_DRAWITEM:
    case CM_LISTITEMDETAIL:
        // Containers pass their children's notifications to the window.
        if (TForm* form = FormOf(window))
            return SendMessageW(form->Handle(), message, wParam, lParam);
        break;
    case WM_ERASEBKGND:
        {
            // Panels and group boxes show the window's colour, whatever their own colour.
            if (TForm* form = FormOf(window)) {
                RECT r;
                GetClientRect(window, &r);
                FillRect(reinterpret_cast<HDC>(wParam), &r, form->FFormBrush.get());
                return 1;
            }
        }
        break;
    default:
        break;
    }
    return subclassed ? DefSubclassProc(window, message, wParam, lParam)
                      : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK TForm::PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ContainerProc(window, message, wParam, lParam, 0, 0);
}

LRESULT CALLBACK TForm::ComboEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR refData)
{
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    const bool edited = (message == WM_CHAR) || (message == WM_KEYDOWN && wParam == VK_DELETE);
    if (edited) {
        GuardCallback([&] {
            const HWND box = reinterpret_cast<HWND>(refData);
            TForm* form = FormOf(box);
            TControl* combo = form != nullptr ? form->ControlById(GetDlgCtrlID(box)) : nullptr;
            if (combo == nullptr)
                return;
            // Typing completes; deleting only keeps the list's selection honest.
            form->CompleteComboText(*combo, window, message == WM_CHAR && wParam >= L' ');
        });
    }
    return result;
}
