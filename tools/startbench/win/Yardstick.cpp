// The start-up benchmark's yardstick: a bare window with the same system
// controls as Nimbrel's main window, made from its window definition: the
// same classes (the combo box with its edit field), styles, sizes and fonts,
// created in the same order, under Nimbrel's manifest. Nothing of Nimbrel's
// own: no theme, no window-less link labels, no system facts, no OLE.
// Closing it ends the program.

#include "framework/FormLayout.h"
#include "resources/Forms.h"

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <string>

namespace {

constexpr wchar_t kPanelClass[] = L"YardstickPanel";
constexpr int kComboDropDownHeight = 200;

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

COLORREF Plain(TColor color) { return static_cast<COLORREF>(color & 0x00FFFFFFu); }

HFONT FontFor(const TFontDef& def)
{
    static std::map<const TFontDef*, HFONT> fonts;
    HFONT& font = fonts[&def];
    if (font == nullptr)
        font = CreateFontW(-def.PixelHeight, 0, 0, 0, def.Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, def.Face);
    return font;
}

// The control of a definition, styled as Nimbrel's forms make it.
HWND CreateControl(const TControlDef& def, const TRect& bounds, HWND parent, HINSTANCE instance)
{
    const wchar_t* className = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | ((def.Options & coHidden) ? 0 : WS_VISIBLE);
    DWORD exStyle = 0;
    int width = bounds.Width();
    int height = bounds.Height();
    switch (def.Kind) {
    case TControlKind::Panel:
        className = kPanelClass;
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TControlKind::Label:
        style |= SS_NOPREFIX | ((def.Options & coWordWrap) ? SS_LEFT : SS_LEFTNOWORDWRAP);
        break;
    case TControlKind::Edit:
        className = L"EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case TControlKind::Button:
        className = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    case TControlKind::ComboBox:
        className = L"COMBOBOX";
        style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
        if (def.Options & coItemDetails)
            style |= CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
        height += kComboDropDownHeight;
        break;
    case TControlKind::GroupBox:
        className = L"BUTTON";
        style |= BS_GROUPBOX | WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TControlKind::RadioButton:
        className = L"BUTTON";
        style |= BS_AUTORADIOBUTTON | ((def.Options & coWordWrap) ? BS_MULTILINE : 0);
        break;
    case TControlKind::CheckBox:
        className = L"BUTTON";
        style |= BS_AUTOCHECKBOX;
        break;
    case TControlKind::ProgressBar:
        className = PROGRESS_CLASSW;
        break;
    case TControlKind::Memo:
        className = L"EDIT";
        style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | ES_AUTOHSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case TControlKind::LinkLabel:
        return nullptr;  // window-less: no system control
    }
    const HFONT font = FontFor(def.Font != nullptr ? *def.Font : MainFormDef.Font);
    // Nimbrel's system line is about this long.
    std::wstring text = def.Text != nullptr ? def.Text : L"";
    if (def.Id == idLblVersion)
        text = L"Ihr System: Windows 10 Pro (Version 10.0, Build 19045, 64-Bit-Edition)";
    if (def.Kind == TControlKind::Label && def.Width == 0) {
        const HDC dc = GetDC(parent);
        const HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(parent, dc);
        width = size.cx;
        height = size.cy;
    }
    const HWND control = CreateWindowExW(exStyle, className, def.Kind == TControlKind::ComboBox ? L"" : text.c_str(),
                                         style, bounds.Left, bounds.Top, width, height, parent,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.Id)), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (def.Kind == TControlKind::RadioButton || def.Kind == TControlKind::CheckBox)
        SendMessageW(control, BM_SETCHECK, (def.Options & coChecked) ? BST_CHECKED : BST_UNCHECKED, 0);
    if (def.Kind == TControlKind::ProgressBar)
        SendMessageW(control, PBM_SETRANGE32, 0, 100);
    if (def.Kind == TControlKind::ComboBox) {
        for (const wchar_t* const* item = def.Items; item != nullptr && *item != nullptr; ++item)
            SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(*item));
        SendMessageW(control, CB_SETCURSEL, 0, 0);
    }
    return control;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    const HBRUSH background = CreateSolidBrush(Plain(MainFormDef.Color));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = L"NimbrelYardstick";
    if (!RegisterClassExW(&wc))
        return 1;
    wc.lpfnWndProc = &DefWindowProcW;
    wc.lpszClassName = kPanelClass;
    if (!RegisterClassExW(&wc))
        return 1;

    const TFormLayout layout = LayoutForm(MainFormDef, kDesignDpi);
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW;
    RECT frame{0, 0, layout.ClientWidth, layout.ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const HWND window = CreateWindowExW(exStyle, L"NimbrelYardstick", L"Nimbrel yardstick", style,
                                        (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                        (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr,
                                        nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(MainFormDef.Font)), FALSE);
    std::map<std::wstring, HWND> windows{{L"", window}};
    for (const std::size_t i : CreationOrder(MainFormDef)) {
        const TControlDef& def = MainFormDef.Controls[i];
        const HWND parent = windows.at(def.Parent != nullptr ? def.Parent : L"");
        if (const HWND control = CreateControl(def, layout.Bounds[i], parent, instance))
            windows[def.Member] = control;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DeleteObject(background);
    return 0;
}
