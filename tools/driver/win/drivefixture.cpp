// drivefixture: a small window for the driver's own tests. It carries one
// control of each kind the driver reads (with fixed IDs), buttons that open
// message boxes and a modal dialog, and a click-counting custom control
// standing in for a link label. What happens is written to the status line
// (ID 150), so a test can see that its action arrived.
//
//   drivefixture.exe [--title T] [--exit-code N]

#include "tools/driver/win/Handle.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

enum : int {
    IDC_PANEL = 100,
    IDC_ERROR_BOX = 101,
    IDC_INFO_BOX = 102,
    IDC_QUESTION_BOX = 103,
    IDC_RENAMED_BOX = 104,
    IDC_PLAIN_BOX = 105,
    IDC_DIALOG = 106,
    IDC_DISABLED = 107,
    IDC_HIDDEN = 108,
    IDC_CHILD = 109,
    IDC_OPEN_FILE = 112,
    IDC_EDIT = 110,
    IDC_MEMO = 111,
    IDC_COMBO = 120,
    IDC_PROGRESS = 130,
    IDC_GROUP = 140,
    IDC_RADIO1 = 141,
    IDC_RADIO2 = 142,
    IDC_CHECK = 143,
    IDC_STATUS = 150,
    IDC_BIG_LABEL = 151,
    IDC_RAW_TEXT = 152,
    IDC_LINK = 160,
    IDC_DIALOG_EDIT = 201,
};

// Quotes, a backslash, a tab, a line break and umlauts: what the JSON
// answer must carry through unharmed.
const wchar_t kErrorText[] = L"Datei \"C:\\Prüfung\\ä.wim\" fehlt.\tZweite\r\nZeile: Größe ß";
const wchar_t* const kComboItems[] = {L"Apfel", L"Birne", L"Brombeere", L"Kirsche"};

struct FixtureState {
    HWND Main = nullptr;
    HWND Status = nullptr;
    HFONT UiFont = nullptr;
    HFONT BigFont = nullptr;
    int ExitCode = 0;
    int LeftClicks = 0;
    int RightClicks = 0;
    bool ComboDeleting = false;
};
FixtureState g;

void SetStatus(const std::wstring& text) { SetWindowTextW(g.Status, text.c_str()); }

HWND AddControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w,
                int h, HFONT font)
{
    HWND hwnd = CreateWindowExW(0, cls, text, WS_CHILD | style, x, y, w, h, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd && font)
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

// ---- the renamed-button box: a CBT hook renames OK before the box shows --
HHOOK g_renameHook = nullptr;

LRESULT CALLBACK RenameHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (std::wcscmp(cls, L"#32770") == 0)
            SetDlgItemTextW(box, IDOK, L"S&chließen");
    }
    return CallNextHookEx(g_renameHook, code, wParam, lParam);
}

int RenamedBox(HWND owner)
{
    HookHandle hook(SetWindowsHookExW(WH_CBT, RenameHook, nullptr, GetCurrentThreadId()));
    g_renameHook = hook.get();
    const int result = MessageBoxW(owner, L"Stil 'Probe' nicht gefunden", L"Fehler", MB_OK | MB_ICONERROR);
    g_renameHook = nullptr;
    return result;
}

// ---- a modal dialog from an in-memory template ---------------------------
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* title, short cx, short cy)
    {
        DLGTEMPLATE t{};
        t.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        t.cx = cx;
        t.cy = cy;
        AppendRaw(&t, sizeof t);
        AppendWord(0);  // no menu
        AppendWord(0);  // default class
        AppendString(title);
        AppendWord(8);
        AppendString(L"Tahoma");
    }

    void AddItem(WORD classAtom, const wchar_t* text, DWORD style, WORD id, short x, short y, short cx, short cy)
    {
        Align();
        DLGITEMTEMPLATE item{};
        item.style = WS_CHILD | WS_VISIBLE | style;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = id;
        AppendRaw(&item, sizeof item);
        AppendWord(0xFFFF);
        AppendWord(classAtom);
        AppendString(text);
        AppendWord(0);  // no creation data
        ++Header()->cdit;
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(FData.data()); }

private:
    DLGTEMPLATE* Header() { return reinterpret_cast<DLGTEMPLATE*>(FData.data()); }
    void AppendRaw(const void* p, std::size_t n)
    {
        const auto* bytes = static_cast<const WORD*>(p);
        FData.insert(FData.end(), bytes, bytes + n / sizeof(WORD));
    }
    void AppendWord(WORD w) { FData.push_back(w); }
    void AppendString(const wchar_t* s)
    {
        for (; *s; ++s)
            FData.push_back(static_cast<WORD>(*s));
        FData.push_back(0);
    }
    void Align()
    {
        if (FData.size() % 2)
            FData.push_back(0);
    }
    // DWORD-aligned storage (items must start on DWORD boundaries).
    std::vector<WORD> FData;
};

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            wchar_t text[256] = {};
            GetDlgItemTextW(dlg, IDC_DIALOG_EDIT, text, 256);
            SetStatus(std::wstring(L"Dialog zu: ") + text);
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

void ShowFixtureDialog(HWND owner)
{
    DialogTemplate t(L"Fixtur-Dialog", 200, 90);
    t.AddItem(0x0082, L"Eingabe:", SS_LEFT, 200, 8, 8, 60, 10);
    t.AddItem(0x0081, L"vorbelegt", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, IDC_DIALOG_EDIT, 8, 20, 184, 14);
    t.AddItem(0x0080, L"Schließen", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 130, 68, 62, 16);
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, DialogProc, 0);
}

// ---- the click-counting stand-in for a link label ------------------------
LRESULT CALLBACK LinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        (msg == WM_LBUTTONUP ? g.LeftClicks : g.RightClicks)++;
        const std::wstring text =
            L"links=" + std::to_wstring(g.LeftClicks) + L" rechts=" + std::to_wstring(g.RightClicks);
        SetWindowTextW(hwnd, text.c_str());
        InvalidateRect(hwnd, nullptr, TRUE);
        SetStatus(L"Link " + std::wstring(msg == WM_LBUTTONUP ? L"links" : L"rechts") + L" bei " +
                  std::to_wstring(static_cast<short>(LOWORD(lParam))) + L"," +
                  std::to_wstring(static_cast<short>(HIWORD(lParam))));
        return 0;
    }
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        wchar_t text[128] = {};
        GetWindowTextW(hwnd, text, 128);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 255));
        HGDIOBJ old = SelectObject(dc, g.UiFont);
        DrawTextW(dc, text, -1, &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
        SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// ---- completion in the combo box: typing a prefix picks the entry --------
void CompleteCombo(HWND combo)
{
    if (g.ComboDeleting)
        return;
    wchar_t typed[128] = {};
    GetWindowTextW(combo, typed, 128);
    const int length = static_cast<int>(std::wcslen(typed));
    if (length == 0)
        return;
    const LRESULT found = SendMessageW(combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(typed));
    if (found == CB_ERR)
        return;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(length, -1));
    SetStatus(L"Ergänzt zu Eintrag " + std::to_wstring(found));
}

// Starts a second fixture as a child process, as a program under test
// starts its tools; the harness must end both.
void StartChild()
{
    wchar_t exe[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
    std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" --title Nimdrive-Fixtur-Kind";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        SetStatus(L"Kind nicht gestartet: " + std::to_wstring(GetLastError()));
        return;
    }
    KernelHandle process(pi.hProcess);
    KernelHandle thread(pi.hThread);
    SetStatus(L"Kind " + std::to_wstring(pi.dwProcessId));
}

void OpenFile(HWND owner)
{
    wchar_t file[MAX_PATH * 4] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"ESD/WIM-Dateien (*.esd,*.wim)\0*.esd;*.wim\0Alle Dateien (*.*)\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH * 4;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (GetOpenFileNameW(&ofn))
        SetStatus(std::wstring(L"Datei: ") + file);
    else
        SetStatus(L"Datei: abgebrochen");
}

void OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_ERROR_BOX:
        if (code == BN_CLICKED) {
            const int r = MessageBoxW(g.Main, kErrorText, L"Fehler", MB_OK | MB_ICONERROR);
            SetStatus(L"Fehler-Box: " + std::to_wstring(r));
        }
        break;
    case IDC_INFO_BOX:
        if (code == BN_CLICKED) {
            const int r = MessageBoxW(g.Main, L"Fertig.", L"Informationen", MB_OKCANCEL | MB_ICONINFORMATION);
            SetStatus(L"Info-Box: " + std::to_wstring(r));
        }
        break;
    case IDC_QUESTION_BOX:
        if (code == BN_CLICKED) {
            const int r = MessageBoxW(g.Main, L"Weiter?", L"Frage", MB_YESNO | MB_ICONQUESTION);
            SetStatus(L"Frage-Box: " + std::to_wstring(r));
        }
        break;
    case IDC_RENAMED_BOX:
        if (code == BN_CLICKED)
            SetStatus(L"Umbenannt-Box: " + std::to_wstring(RenamedBox(g.Main)));
        break;
    case IDC_PLAIN_BOX:
        if (code == BN_CLICKED) {
            // Without an owner, as a box of a program's start-up would be.
            const int r = MessageBoxW(nullptr, L"cmd /c \"x y\"", L"Drivefixture", MB_OK);
            SetStatus(L"Hinweis-Box: " + std::to_wstring(r));
        }
        break;
    case IDC_DIALOG:
        if (code == BN_CLICKED)
            ShowFixtureDialog(g.Main);
        break;
    case IDC_CHILD:
        if (code == BN_CLICKED)
            StartChild();
        break;
    case IDC_OPEN_FILE:
        if (code == BN_CLICKED)
            OpenFile(g.Main);
        break;
    case IDC_DISABLED:
    case IDC_HIDDEN:
    case IDC_RADIO1:
    case IDC_RADIO2:
    case IDC_CHECK:
        if (code == BN_CLICKED)
            SetStatus(L"Klick " + std::to_wstring(id));
        break;
    case IDC_EDIT:
        if (code == EN_CHANGE) {
            wchar_t text[256] = {};
            GetWindowTextW(control, text, 256);
            SetStatus(std::wstring(L"Eingabe: ") + text);
        }
        break;
    case IDC_COMBO:
        // After the combo box has matched its list to the new text itself
        // (which it does between CBN_EDITUPDATE and CBN_EDITCHANGE).
        if (code == CBN_EDITCHANGE)
            CompleteCombo(control);
        break;
    default:
        break;
    }
}

// Watches the combo's edit for deleting keys, so completion does not undo
// a Backspace at once.
WNDPROC g_comboEditProc = nullptr;
LRESULT CALLBACK ComboEditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CHAR)
        g.ComboDeleting = wParam == VK_BACK;
    else if (msg == WM_KEYDOWN && wParam == VK_DELETE)
        g.ComboDeleting = true;
    return CallWindowProcW(g_comboEditProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_KEYDOWN:
        SetStatus(L"Taste " + std::to_wstring(wParam));
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

void CreateControls(HWND main)
{
    RECT client;
    GetClientRect(main, &client);
    // A control parent, so that Tab walks into the panel's controls.
    HWND panel = CreateWindowExW(WS_EX_CONTROLPARENT, L"NimFixturePanel", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                 0, 0, client.right, client.bottom, main,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PANEL)), GetModuleHandleW(nullptr),
                                 nullptr);
    const HFONT f = g.UiFont;
    const DWORD button = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    AddControl(panel, L"Button", L"&Fehler", button, IDC_ERROR_BOX, 10, 10, 90, 25, f);
    AddControl(panel, L"Button", L"Info", button, IDC_INFO_BOX, 105, 10, 90, 25, f);
    AddControl(panel, L"Button", L"Frage", button, IDC_QUESTION_BOX, 200, 10, 90, 25, f);
    AddControl(panel, L"Button", L"Umbenannt", button, IDC_RENAMED_BOX, 295, 10, 90, 25, f);
    AddControl(panel, L"Button", L"Hinweis", button, IDC_PLAIN_BOX, 390, 10, 80, 25, f);
    AddControl(panel, L"Button", L"Dialog", button, IDC_DIALOG, 10, 40, 90, 25, f);
    AddControl(panel, L"Button", L"Gesperrt", button | WS_DISABLED, IDC_DISABLED, 105, 40, 90, 25, f);
    AddControl(panel, L"Button", L"Versteckt", WS_TABSTOP | BS_PUSHBUTTON, IDC_HIDDEN, 200, 40, 90, 25, f);
    AddControl(panel, L"Button", L"Kind", button, IDC_CHILD, 295, 40, 90, 25, f);
    AddControl(panel, L"Button", L"Datei...", button, IDC_OPEN_FILE, 390, 40, 80, 25, f);

    AddControl(panel, L"Edit", L"", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, IDC_EDIT, 10, 75, 280,
               21, f);
    AddControl(panel, L"Edit", L"Zeile 1\r\nZeile 2",
               WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY, IDC_MEMO, 300, 75,
               170, 60, f);

    HWND combo = AddControl(panel, L"ComboBox", L"", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
                            IDC_COMBO, 10, 105, 150, 200, f);
    for (const wchar_t* item : kComboItems)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    for (HWND child = GetWindow(combo, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[16] = {};
        GetClassNameW(child, cls, 16);
        if (_wcsicmp(cls, L"Edit") == 0) {
            // Typed first, so the compiler checks the signature the cast to
            // LONG_PTR would hide.
            const WNDPROC subclass = &ComboEditProc;
            g_comboEditProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass)));
        }
    }

    HWND progress = AddControl(panel, PROGRESS_CLASSW, L"", WS_VISIBLE, IDC_PROGRESS, 170, 107, 120, 17, nullptr);
    SendMessageW(progress, PBM_SETRANGE32, 0, 200);
    SendMessageW(progress, PBM_SETPOS, 42, 0);

    AddControl(panel, L"Button", L"Auswahl", WS_VISIBLE | BS_GROUPBOX, IDC_GROUP, 10, 140, 200, 80, f);
    AddControl(panel, L"Button", L"Erste", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, IDC_RADIO1,
               20, 160, 170, 20, f);
    AddControl(panel, L"Button", L"Zweite", WS_VISIBLE | BS_AUTORADIOBUTTON, IDC_RADIO2, 20, 185, 170, 20, f);
    CheckRadioButton(panel, IDC_RADIO1, IDC_RADIO2, IDC_RADIO1);
    AddControl(panel, L"Button", L"Häkchen", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, IDC_CHECK, 220,
               145, 120, 20, f);

    // No font set: the driver reports none.
    g.Status = AddControl(panel, L"Static", L"Bereit", WS_VISIBLE | SS_LEFT, IDC_STATUS, 10, 290, 460, 20, nullptr);
    AddControl(panel, L"Static", L"Große Schrift", WS_VISIBLE | SS_LEFT, IDC_BIG_LABEL, 220, 170, 250, 24,
               g.BigFont);
    AddControl(panel, L"NimFixtureLink", L"Klick mich", WS_VISIBLE, IDC_LINK, 220, 240, 150, 20, nullptr);
    // Hidden text the JSON answer must escape: a control character, a lone
    // surrogate and a character beyond the BMP (a surrogate pair).
    const wchar_t raw[] = {L'A', 0x0001, L'B', 0xD800, L'C', 0xD83D, 0xDE00, 0};
    AddControl(panel, L"Static", raw, SS_LEFT, IDC_RAW_TEXT, 380, 240, 90, 20, nullptr);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        g.Main = hwnd;
        CreateControls(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(g.ExitCode);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

bool RegisterClasses(HINSTANCE instance)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);

    wc.lpfnWndProc = MainProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"NimFixtureWindow";
    if (!RegisterClassExW(&wc))
        return false;

    wc.lpfnWndProc = PanelProc;
    wc.lpszClassName = L"NimFixturePanel";
    if (!RegisterClassExW(&wc))
        return false;

    wc.lpfnWndProc = LinkProc;
    wc.hCursor = nullptr;
    wc.lpszClassName = L"NimFixtureLink";
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    std::wstring title = L"Nimdrive-Fixtur";
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--title") == 0)
            title = argv[i + 1];
        else if (std::wcscmp(argv[i], L"--exit-code") == 0)
            g.ExitCode = _wtoi(argv[i + 1]);
    }
    if (argv)
        LocalFree(argv);

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    GdiObject uiFont(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                                 L"Tahoma"));
    GdiObject bigFont(CreateFontW(-16, 0, 0, 0, FW_BOLD, TRUE, TRUE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                                  L"Tahoma"));
    g.UiFont = static_cast<HFONT>(uiFont.get());
    g.BigFont = static_cast<HFONT>(bigFont.get());
    if (!RegisterClasses(instance))
        return 3;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, 480, 320};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    HWND main = CreateWindowExW(0, L"NimFixtureWindow", title.c_str(), style, 40, 40, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (!main)
        return 3;
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab moves between controls, as in a dialog.
        if (IsDialogMessageW(main, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
