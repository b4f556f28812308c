#include "framework/win/Forms.h"

#include "framework/win/Application.h"
#include "framework/win/OSError.h"
#include "framework/win/Theme.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr wchar_t kPanelClass[] = L"TPanel";
constexpr wchar_t kLinkLabelClass[] = L"TJvLinkLabel";
constexpr int kComboDropDownHeight = 200;

TForm* FormOf(HWND window)
{
    const HWND root = GetAncestor(window, GA_ROOT);
    return root != nullptr ? reinterpret_cast<TForm*>(GetWindowLongPtrW(root, GWLP_USERDATA)) : nullptr;
}

SIZE TextExtent(HWND window, HFONT font, const std::wstring& text)
{
    SIZE size{0, 0};
    if (HDC dc = GetDC(window)) {
        const HGDIOBJ old = SelectObject(dc, font);
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
    }
    return size;
}

// The link text of a caption in link markup: the caption without its tags.
std::wstring StripTags(const std::wstring& caption)
{
    std::wstring text;
    bool inTag = false;
    for (wchar_t c : caption) {
        if (c == L'<')
            inTag = true;
        else if (c == L'>')
            inTag = false;
        else if (!inTag)
            text += c;
    }
    return text;
}

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

}  // namespace

COLORREF ColorToRGB(TColor color)
{
    if (IsSystemColor(color))
        return GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color & 0x00FFFFFF);
}

// ---------------------------------------------------------------------------
// TControl

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
    if (FDef.Kind == TControlKind::LinkLabel)
        InvalidateRect(FHandle, nullptr, TRUE);
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

// ---------------------------------------------------------------------------
// TForm

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
    panel.hInstance = GetModuleHandleW(nullptr);
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.lpszClassName = kPanelClass;
    if (!RegisterClassExW(&panel))
        RaiseLastOSError();

    WNDCLASSEXW link{};
    link.cbSize = sizeof(link);
    link.lpfnWndProc = &TForm::LinkLabelProc;
    link.hInstance = panel.hInstance;
    link.hCursor = nullptr;  // chosen per position: hand over the link text
    link.lpszClassName = kLinkLabelClass;
    if (!RegisterClassExW(&link))
        RaiseLastOSError();
    registered = true;
}

TForm::TForm(TComponent* owner, const TFormDef& def, HWND parentWindow)
    : TComponent(owner), FDef(def), FParentWindow(parentWindow)
{
    RegisterClasses();
    Name = def.ClassName;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TForm::StaticWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // Dialogs carry no icon in their title bar.
    if (def.BorderStyle != TBorderStyle::Dialog)
        wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = def.ClassName;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        RaiseLastOSError();

    FFormBrush.reset(CreateSolidBrush(ColorToRGB(def.Color)));
    FFaceBrush.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    FFormFont = FontFor(&def.Font);

    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (def.BorderStyle == TBorderStyle::ToolWindow)
        exStyle |= WS_EX_TOOLWINDOW | WS_EX_APPWINDOW;  // the main window keeps a taskbar button
    else
        exStyle |= WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, def.ClientWidth, def.ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    const HWND handle = CreateWindowExW(exStyle, def.ClassName, def.Caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                        width, height, parentWindow, nullptr, wc.hInstance, this);
    if (handle == nullptr)
        RaiseLastOSError();
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FFormFont), FALSE);
    CreateControls();
    Application->AddDialogNavigation(handle);
}

TForm::~TForm()
{
    if (FHandle) {
        Application->RemoveDialogNavigation(FHandle.get());
        SetWindowLongPtrW(FHandle.get(), GWLP_USERDATA, 0);
    }
    FHandle.reset();
}

HFONT TForm::FontFor(const TFontDef* font)
{
    if (font == nullptr)
        return FFormFont;
    const auto found = FFontByDef.find(font);
    if (found != FFontByDef.end())
        return found->second;
    TFontHandle handle(CreateFontW(-font->PixelHeight, 0, 0, 0, font->Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                   FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, font->Face));
    if (!handle)
        RaiseLastOSError();
    const HFONT result = handle.get();
    FFonts.push_back(std::move(handle));
    FFontByDef[font] = result;
    return result;
}

void TForm::CreateControls()
{
    // What each container still has free for aligned children.
    std::map<std::wstring, RECT> freeArea;
    freeArea[L""] = RECT{0, 0, FDef.ClientWidth, FDef.ClientHeight};
    std::map<std::wstring, HWND> windows;
    windows[L""] = FHandle.get();

    for (std::size_t i = 0; i < FDef.ControlCount; ++i) {
        const TControlDef& def = FDef.Controls[i];
        const std::wstring parentName = def.Parent != nullptr ? def.Parent : L"";
        RECT& area = freeArea.at(parentName);
        RECT bounds{def.Left, def.Top, def.Left + def.Width, def.Top + def.Height};
        if (def.Options & coAlignTop) {
            bounds = RECT{area.left, area.top, area.right, area.top + def.Height};
            area.top += def.Height;
        } else if (def.Options & coAlignClient) {
            bounds = area;
        }
        const HWND window = CreateControl(def, windows.at(parentName), bounds);
        windows[def.Member] = window;
        freeArea[def.Member] = RECT{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
        FControls.push_back(std::make_unique<TControl>(*this, def, window));
    }

    // Z-order is tab order: within each container, controls with a tab
    // order come first among focusable ones, in that order.
    std::vector<const TControlDef*> ordered;
    for (std::size_t i = 0; i < FDef.ControlCount; ++i)
        if (FDef.Controls[i].TabOrder >= 0)
            ordered.push_back(&FDef.Controls[i]);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TControlDef* a, const TControlDef* b) { return a->TabOrder < b->TabOrder; });
    for (const TControlDef* def : ordered)
        SetWindowPos(windows.at(def->Member), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
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
    case TControlKind::Label:
        style |= SS_NOPREFIX | ((def.Options & coWordWrap) ? SS_LEFT : SS_LEFTNOWORDWRAP);
        break;
    case TControlKind::LinkLabel:
        className = kLinkLabelClass;
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
        // The closed combo box is as high as the definition says.
        RECT r;
        GetWindowRect(window, &r);
        const LRESULT itemHeight = SendMessageW(window, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        const int delta = (bounds.bottom - bounds.top) - (r.bottom - r.top);
        if (itemHeight > 0 && delta != 0)
            SendMessageW(window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight + delta);
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

TControl& TForm::Control(const std::wstring& member)
{
    for (auto& control : FControls)
        if (member == control->FDef.Member)
            return *control;
    throw Exception(L"Steuerelement '" + member + L"' nicht gefunden");
}

TControl* TForm::ControlById(int id)
{
    for (auto& control : FControls)
        if (control->FDef.Id == id)
            return control.get();
    return nullptr;
}

void TForm::Show()
{
    RECT r;
    GetWindowRect(FHandle.get(), &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (FDef.Position == TPosition::MainFormCenter && Application->MainFormHandle != nullptr) {
        RECT main;
        GetWindowRect(Application->MainFormHandle, &main);
        x = main.left + ((main.right - main.left) - width) / 2;
        y = main.top + ((main.bottom - main.top) - height) / 2;
    }
    SetWindowPos(FHandle.get(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(FHandle.get(), SW_SHOW);
    SetForegroundWindow(FHandle.get());
}

void TForm::ShowModal()
{
    if (Application->Terminated())
        return;  // the program is ending: a new modal window closes at once
    FModal = true;
    FModalDone = false;
    const HWND owner = FParentWindow;
    if (owner != nullptr)
        EnableWindow(owner, FALSE);
    Show();
    while (!FModalDone && !Application->Terminated()) {
        if (!Application->HandleMessage()) {
            PostQuitMessage(0);  // keep the request for the loops outside
            break;
        }
    }
    if (owner != nullptr)
        EnableWindow(owner, TRUE);
    ShowWindow(FHandle.get(), SW_HIDE);
    if (owner != nullptr)
        SetActiveWindow(owner);
    FModal = false;
}

void TForm::Close() { PostMessageW(FHandle.get(), WM_CLOSE, 0, 0); }

void TForm::Repaint()
{
    InvalidateRect(FHandle.get(), nullptr, TRUE);
    UpdateWindow(FHandle.get());
}

bool TForm::HandleClose()
{
    if (OnCloseQuery && !OnCloseQuery())
        return false;
    if (FModal) {
        FModalDone = true;
        return true;
    }
    ShowWindow(FHandle.get(), SW_HIDE);
    if (FHandle.get() == Application->MainFormHandle)
        Application->Terminate();
    return true;
}

LRESULT TForm::ColorStatic(HDC dc, HWND control)
{
    TControl* c = ControlById(GetDlgCtrlID(control));
    const bool onFormColour = FDef.Color != clBtnFace;
    if (c != nullptr && c->FDef.Kind == TControlKind::Label) {
        const TFontDef* font = c->FDef.Font != nullptr ? c->FDef.Font : &FDef.Font;
        SetTextColor(dc, ColorToRGB(font->Color));
        SetBkColor(dc, ColorToRGB(FDef.Color));
        return reinterpret_cast<LRESULT>(FFormBrush.get());
    }
    if (onFormColour) {
        // Buttons, radio buttons, group boxes standing on the window's colour;
        // the active theme decides their text colour.
        SetTextColor(dc, ColorToRGB(ActiveThemeTextColor(FDef.Font.Color)));
        SetBkColor(dc, ColorToRGB(FDef.Color));
        return reinterpret_cast<LRESULT>(FFormBrush.get());
    }
    SetTextColor(dc, ColorToRGB(FDef.Font.Color));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(FFaceBrush.get());
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
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND handle = FHandle.get();
    switch (message) {
    case WM_COMMAND: {
        TControl* control = ControlById(LOWORD(wParam));
        if (control != nullptr && HIWORD(wParam) == BN_CLICKED && control->OnClick &&
            (control->FDef.Kind == TControlKind::Button || control->FDef.Kind == TControlKind::RadioButton ||
             control->FDef.Kind == TControlKind::CheckBox))
            control->OnClick();
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return ColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(handle, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, FFormBrush.get());
        return 1;
    }
    case WM_CLOSE:
        HandleClose();
        return 0;
    default:
        return DefWindowProcW(handle, message, wParam, lParam);
    }
}

LRESULT CALLBACK TForm::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* form = static_cast<TForm*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->FHandle.reset(window);  // known to the window procedure from the first message
    }
    auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    bool handled = false;
    GuardCallback([&] {
        result = form->WndProc(message, wParam, lParam);
        handled = true;
    });
    return handled ? result : DefWindowProcW(window, message, wParam, lParam);
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

LRESULT CALLBACK TForm::LinkLabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    bool handled = false;
    GuardCallback([&] {
        TForm* form = FormOf(window);
        TControl* control = form != nullptr ? form->ControlById(GetDlgCtrlID(window)) : nullptr;
        const auto textRect = [&] {
            const HFONT font = form != nullptr ? form->FFormFont : nullptr;
            const SIZE size = TextExtent(window, font, StripTags(WindowText(window)));
            return RECT{0, 0, size.cx, size.cy};
        };
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            const HDC dc = BeginPaint(window, &ps);
            RECT client;
            GetClientRect(window, &client);
            // The label takes its parent's colour property, the button face.
            FillRect(dc, &client, form != nullptr ? form->FFaceBrush.get() : GetSysColorBrush(COLOR_BTNFACE));
            if (form != nullptr) {
                LOGFONTW lf{};
                GetObjectW(form->FFormFont, sizeof(lf), &lf);
                lf.lfUnderline = TRUE;
                TFontHandle underlined(CreateFontIndirectW(&lf));
                const HGDIOBJ old = SelectObject(dc, underlined.get());
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, ColorToRGB(GetCapture() == window ? clRed : clBlue));
                const std::wstring text = StripTags(WindowText(window));
                TextOutW(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
                SelectObject(dc, old);
            }
            EndPaint(window, &ps);
            handled = true;
            break;
        }
        case WM_SETCURSOR: {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(window, &p);
            const RECT r = textRect();
            SetCursor(LoadCursorW(nullptr, PtInRect(&r, p) ? IDC_HAND : IDC_ARROW));
            result = TRUE;
            handled = true;
            break;
        }
        case WM_LBUTTONDOWN:
            SetCapture(window);
            InvalidateRect(window, nullptr, FALSE);
            handled = true;
            break;
        case WM_LBUTTONUP: {
            const bool captured = GetCapture() == window;
            if (captured)
                ReleaseCapture();
            InvalidateRect(window, nullptr, FALSE);
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            RECT client;
            GetClientRect(window, &client);
            // A click anywhere on the label counts, not only on its text.
            if (captured && PtInRect(&client, p) && control != nullptr && control->OnClick)
                control->OnClick();
            handled = true;
            break;
        }
        default:
            break;
        }
    });
    return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}
