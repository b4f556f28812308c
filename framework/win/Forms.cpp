#include "framework/win/Forms.h"

#include "framework/win/Application.h"
#include "framework/win/Dpi.h"
#include "framework/win/FormParts.h"
#include "framework/win/OSError.h"
#include "framework/win/Subclass.h"
#include "framework/win/Theme.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// Every form of the program, for the look that changes for all at once.
std::vector<TForm*>& AllForms()
{
    static std::vector<TForm*> forms;
    return forms;
}

}  // namespace

std::map<TControlKind, TGraphicControlFactory>& GraphicFactories()
{
    static std::map<TControlKind, TGraphicControlFactory> factories;
    return factories;
}

void RegisterGraphicControlClass(TControlKind kind, TGraphicControlFactory factory)
{
    GraphicFactories()[kind] = factory;
}

TFont FontOfDef(const TFontDef& font, int dpi)
{
    TFont result;
    result.Name = font.Face;
    result.Height = FontHeightForDpi(font, dpi);
    result.Style = font.Bold ? TFontStyles{fsBold} : TFontStyles{};
    result.Color = font.Color;
    return result;
}

TForm::TForm(TComponent* owner, const TFormDef& def, HWND parentWindow)
    : TComponent(owner), FDef(def), FParentWindow(parentWindow)
{
    RegisterClasses();
    Name = def.ClassName;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;  // window-less controls on it see double clicks
    wc.lpfnWndProc = &TForm::StaticWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // Dialogs carry no icon in their title bar.
    if (def.BorderStyle != TBorderStyle::Dialog)
        wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = def.ClassName;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        RaiseLastOSError();

    // An active visual style paints system colours in its own; high
    // contrast takes the system's.
    FHighContrast = FollowSystemHighContrast();
    FFormBrush.reset(CreateSolidBrush(ColorToRGB(WindowColor())));

    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (def.BorderStyle == TBorderStyle::ToolWindow)
        exStyle |= WS_EX_TOOLWINDOW | WS_EX_APPWINDOW;  // the main window keeps a taskbar button
    else
        exStyle |= WS_EX_DLGMODALFRAME;
    FLayout = LayoutForm(def, kDesignDpi);
    RECT frame{0, 0, FLayout.ClientWidth, FLayout.ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const HWND handle = CreateWindowExW(exStyle, def.ClassName, def.Caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                        frame.right - frame.left, frame.bottom - frame.top, parentWindow, nullptr,
                                        wc.hInstance, this);
    if (handle == nullptr)
        RaiseLastOSError();
    // Everything is laid out for the resolution the window is shown at.
    const int dpi = WindowDpi(handle);
    if (dpi != kDesignDpi) {
        FLayout = LayoutForm(def, dpi);
        const SIZE size = WindowSize();
        SetWindowPos(handle, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FFormFont = FontFor(&def.Font);
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FFormFont), FALSE);
    CreateControls();
    // Window-less controls that are tab stops come after the windows.
    Application->AddDialogNavigation(handle, [handle](bool backward) { return MoveTabFocus(handle, backward); });
    AllForms().push_back(this);
}

SIZE TForm::WindowSize() const
{
    // The frame as it is now: a window that changed its resolution has its
    // frame drawn for the new one already.
    RECT window;
    RECT client;
    GetWindowRect(FHandle.get(), &window);
    GetClientRect(FHandle.get(), &client);
    return SIZE{FLayout.ClientWidth + (window.right - window.left) - client.right,
                FLayout.ClientHeight + (window.bottom - window.top) - client.bottom};
}

TForm::~TForm()
{
    AllForms().erase(std::remove(AllForms().begin(), AllForms().end(), this), AllForms().end());
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
    TFontHandle handle(CreateFontW(-FontHeightForDpi(*font, FLayout.Dpi), 0, 0, 0, font->Bold ? FW_BOLD : FW_NORMAL,
                                   FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font->Face));
    if (!handle)
        RaiseLastOSError();
    const HFONT result = handle.get();
    FFonts.push_back(std::move(handle));
    FFontByDef[font] = result;
    return result;
}

TGraphicHost& TForm::HostFor(HWND window)
{
    for (const auto& host : FHosts)
        if (host->Handle() == window)
            return *host;
    // A panel's Color property is the button face, whatever it shows; the
    // window's is its own. Under high contrast both are the window colour.
    const TColor color = FHighContrast ? clWindow : window == FHandle.get() ? FDef.Color : clBtnFace;
    FHosts.push_back(std::make_unique<TGraphicHost>(window, color, FontOfDef(FDef.Font, FLayout.Dpi)));
    FHosts.back()->SetHighContrast(FHighContrast);
    return *FHosts.back();
}

void TForm::CreateGraphicControl(const TControlDef& def, HWND parent)
{
    TGraphicHost& host = HostFor(parent);
    std::unique_ptr<TGraphicControl> made = GraphicFactories().at(def.Kind)(def, host);
    TGraphicControl& control = host.Add(std::move(made));
    FGraphicControls.emplace_back(&def, &control);
    if (FLayout.Dpi != kDesignDpi)
        PlaceGraphicControl(def, control);
}

TControl& TForm::Control(const std::wstring& member)
{
    for (auto& control : FControls)
        if (member == control->FDef.Member)
            return *control;
    throw Exception(L"Steuerelement '" + member + L"' nicht gefunden");
}

TGraphicControl& TForm::GraphicControl(const std::wstring& member)
{
    for (const auto& [def, control] : FGraphicControls)
        if (member == def->Member)
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
    // Moving to another monitor may change the resolution and so the size:
    // centred again at the new size.
    for (int pass = 0; pass < 2; ++pass) {
        const int dpi = FLayout.Dpi;
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
        if (FLayout.Dpi == dpi)
            break;
    }
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

TColor TForm::WindowColor() const
{
    return FHighContrast ? clWindow : StyleColor(FDef.Color);
}

TControl* TForm::OwnerOf(HWND asking, bool& part)
{
    part = false;
    for (auto& control : FControls) {
        if (control->FHandle == asking)
            return control.get();
    }
    // A combo box's edit field is its child, its drop-down list is not.
    for (auto& control : FControls) {
        if (control->FDef.Kind != TControlKind::ComboBox)
            continue;
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        if (GetComboBoxInfo(control->FHandle, &info) && (info.hwndItem == asking || info.hwndList == asking)) {
            part = true;
            return control.get();
        }
    }
    return nullptr;
}

std::optional<TPartColors> TForm::OwnColors(const TControl& control) const
{
    switch (control.FDef.Kind) {
    case TControlKind::Edit:
    case TControlKind::Memo:
    case TControlKind::ComboBox:
        return std::nullopt;
    default:
        break;
    }
    if (FHighContrast)
        return TPartColors{clWindowText, clWindow};
    if (control.FDef.Kind == TControlKind::Label) {
        const TFontDef* font = control.FDef.Font != nullptr ? control.FDef.Font : &FDef.Font;
        return TPartColors{StyleColor(font->Color), WindowColor()};
    }
    // Buttons, radio buttons, group boxes standing on the window's colour;
    // the active theme decides their text colour.
    if (FDef.Color != clBtnFace)
        return TPartColors{StyleColor(ActiveThemeTextColor(FDef.Font.Color)), WindowColor()};
    return TPartColors{StyleColor(FDef.Font.Color), WindowColor()};
}

LRESULT TForm::AnswerColor(UINT message, HDC dc, HWND asking)
{
    const HWND handle = FHandle.get();
    std::optional<TPartColors> colors;
    if (TControlStyler* styler = FHighContrast ? nullptr : ActiveControlStyler())
        colors = styler->ControlColors(asking, message);
    if (!colors) {
        bool part = false;
        const TControl* control = OwnerOf(asking, part);
        if (control != nullptr && !part)
            colors = OwnColors(*control);
    }
    if (!colors)
        return DefWindowProcW(handle, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(asking));
    return AnswerWithColors(dc, *colors, FBrushes);
}

void TForm::StyleControl(const TControl& control)
{
    // Every control stands on the window's colour: panels and group boxes show it.
    if (TControlStyler* styler = ActiveControlStyler())
        styler->StyleControl(control.FHandle, control.FDef.Kind, ColorToRGB(WindowColor()),
                             control.FDef.Font != nullptr ? control.FDef.Font->Color : clDefault);
}

void TForm::ApplyLook(bool highContrast)
{
    FHighContrast = highContrast;
    FFormBrush.reset(CreateSolidBrush(ColorToRGB(WindowColor())));
    for (const auto& control : FControls) {
        if (!highContrast)
            StyleControl(*control);
        else if (TControlStyler* styler = ActiveControlStyler())
            styler->UnstyleControl(control->FHandle);
    }
    for (const auto& host : FHosts) {
        host->SetColor(highContrast ? clWindow : host->Handle() == FHandle.get() ? FDef.Color : clBtnFace);
        host->SetHighContrast(highContrast);
    }
    RedrawWindow(FHandle.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

bool TForm::FollowHighContrast()
{
    const bool on = FollowSystemHighContrast();
    bool changed = false;
    for (TForm* form : AllForms()) {
        if (form->FHighContrast != on) {
            form->ApplyLook(on);
            changed = true;
        }
    }
    return changed;
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND handle = FHandle.get();
    switch (message) {
    case WM_COMMAND: {
        TControl* control = ControlById(LOWORD(wParam));
        if (control == nullptr)
            return 0;
        const TControlKind kind = control->FDef.Kind;
        const WORD code = HIWORD(wParam);
        if (code == BN_CLICKED && control->OnClick &&
            (kind == TControlKind::Button || kind == TControlKind::RadioButton || kind == TControlKind::CheckBox))
            control->OnClick();
        else if (control->OnChange && ((kind == TControlKind::Edit && code == EN_CHANGE) ||
                                       (kind == TControlKind::ComboBox && code == CBN_SELCHANGE)))
            control->OnChange();
        return 0;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        TControl* control = ControlById(static_cast<int>(wParam));
        if (control == nullptr || item->CtlType != ODT_COMBOBOX)
            return FALSE;
        DrawListItem(*control, *item);
        return TRUE;
    }
    case CM_LISTITEMDETAIL: {
        TControl* control = ControlById(GetDlgCtrlID(reinterpret_cast<HWND>(wParam)));
        auto* query = reinterpret_cast<TListItemDetailQuery*>(lParam);
        if (control == nullptr || !control->OnItemDetail || query == nullptr)
            return 0;
        query->Detail = control->OnItemDetail(query->Index);
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return AnswerColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SYSCOLORCHANGE:
        // Only top-level windows hear of it; the controls keep colours too.
        for (HWND child = GetWindow(handle, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
            SendMessageW(child, WM_SYSCOLORCHANGE, wParam, lParam);
        FollowHighContrast();
        return DefWindowProcW(handle, message, wParam, lParam);
    case WM_SETTINGCHANGE:
        // High contrast switched on or off: every window takes its look.
        FollowHighContrast();
        return DefWindowProcW(handle, message, wParam, lParam);
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(handle, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, FFormBrush.get());
        return 1;
    }
    case WM_ACTIVATE:
        // The keyboard focus comes back to the control that had it when the
        // window was left (a dialog, a message box), as in a dialog box.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            FFocusBefore = focus != nullptr && IsChild(handle, focus) ? focus : nullptr;
        } else if (FFocusBefore != nullptr && IsWindow(FFocusBefore) && IsWindowVisible(FFocusBefore) &&
                   IsWindowEnabled(FFocusBefore) && IsChild(handle, FFocusBefore) && !HIWORD(wParam)) {
            SetFocus(FFocusBefore);
            return 0;
        }
        return DefWindowProcW(handle, message, wParam, lParam);
    case WM_CLOSE:
        HandleClose();
        return 0;
    case kDpiChangedMessage:
        ChangeDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
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
    return GuardedCall([&] { return form->WndProc(message, wParam, lParam); },
                       [&] { return DefWindowProcW(window, message, wParam, lParam); });
}
