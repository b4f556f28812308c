#include "tools/driver/win/Inspect.h"

#include "tools/driver/win/WindowSearch.h"

#include <commctrl.h>

#include <algorithm>

JsonValue RectJson(const RECT& r)
{
    return JsonValue::MakeObject()
        .Set("left", r.left)
        .Set("top", r.top)
        .Set("width", r.right - r.left)
        .Set("height", r.bottom - r.top);
}

namespace {

// The window rectangle of hwnd in the client coordinates of relativeTo.
RECT RectIn(HWND hwnd, HWND relativeTo)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, relativeTo, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::uint32_t StyleOf(HWND hwnd) { return static_cast<std::uint32_t>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }
std::uint32_t ExStyleOf(HWND hwnd) { return static_cast<std::uint32_t>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)); }

JsonValue TextOrNull(HWND hwnd)
{
    auto text = TextOf(hwnd);
    return text ? JsonValue(*text) : JsonValue();
}

const wchar_t* ButtonType(std::uint32_t style)
{
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON: return L"push";
    case BS_DEFPUSHBUTTON: return L"defpush";
    case BS_CHECKBOX: return L"checkbox";
    case BS_AUTOCHECKBOX: return L"autocheckbox";
    case BS_RADIOBUTTON: return L"radio";
    case BS_3STATE: return L"3state";
    case BS_AUTO3STATE: return L"auto3state";
    case BS_GROUPBOX: return L"groupbox";
    case BS_USERBUTTON: return L"user";
    case BS_AUTORADIOBUTTON: return L"autoradio";
    case BS_PUSHBOX: return L"pushbox";
    case BS_OWNERDRAW: return L"ownerdraw";
    default: return L"other";
    }
}

const wchar_t* ComboType(std::uint32_t style)
{
    switch (style & 3) {
    case CBS_SIMPLE: return L"simple";
    case CBS_DROPDOWN: return L"dropdown";
    case CBS_DROPDOWNLIST: return L"droplist";
    default: return L"other";
    }
}

void AddButtonFacts(JsonValue& out, HWND hwnd, std::uint32_t style)
{
    out.Set("button_type", ButtonType(style));
    auto check = SendWithTimeout(hwnd, BM_GETCHECK, 0, 0);
    JsonValue checkName;
    if (check) {
        switch (*check) {
        case BST_UNCHECKED: checkName = L"unchecked"; break;
        case BST_CHECKED: checkName = L"checked"; break;
        case BST_INDETERMINATE: checkName = L"indeterminate"; break;
        default: checkName = std::to_wstring(*check); break;
        }
    }
    out.Set("check", std::move(checkName));
    out.Set("check_state", check ? JsonValue(static_cast<long long>(*check)) : JsonValue());
    out.Set("multiline", (style & BS_MULTILINE) != 0);
}

void AddComboFacts(JsonValue& out, HWND hwnd, std::uint32_t style)
{
    out.Set("combo_type", ComboType(style));
    JsonValue items = JsonValue::MakeArray();
    auto count = SendWithTimeout(hwnd, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; count && i < *count; ++i) {
        auto length = SendWithTimeout(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (!length || *length == CB_ERR) {
            items.Push(JsonValue());
            continue;
        }
        std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
        auto copied = SendWithTimeout(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                      reinterpret_cast<LPARAM>(text.data()));
        if (!copied || *copied == CB_ERR) {
            items.Push(JsonValue());
            continue;
        }
        text.resize(std::min<std::size_t>(static_cast<std::size_t>(*copied), text.size() - 1));
        items.Push(text);
    }
    out.Set("items", std::move(items));
    auto selected = SendWithTimeout(hwnd, CB_GETCURSEL, 0, 0);
    out.Set("selected", selected ? JsonValue(static_cast<long long>(*selected)) : JsonValue());
    HWND edit = ComboEditOf(hwnd);
    out.Set("edit_hwnd", edit ? JsonValue(HandleValue(edit)) : JsonValue());
    out.Set("edit_text", edit ? TextOrNull(edit) : JsonValue());
    if (edit) {
        // EM_GETSEL with null pointers packs start and end into the result.
        auto sel = SendWithTimeout(edit, EM_GETSEL, 0, 0);
        if (sel) {
            out.Set("edit_selection", JsonValue::MakeArray()
                                          .Push(static_cast<long long>(LOWORD(*sel)))
                                          .Push(static_cast<long long>(HIWORD(*sel))));
        }
    }
    auto dropped = SendWithTimeout(hwnd, CB_GETDROPPEDSTATE, 0, 0);
    out.Set("dropped", dropped ? JsonValue(*dropped != 0) : JsonValue());
}

void AddProgressFacts(JsonValue& out, HWND hwnd)
{
    // With a null PBRANGE pointer the limit named by wParam comes back as the
    // result, which (unlike the structure) crosses process boundaries.
    auto low = SendWithTimeout(hwnd, PBM_GETRANGE, TRUE, 0);
    auto high = SendWithTimeout(hwnd, PBM_GETRANGE, FALSE, 0);
    auto pos = SendWithTimeout(hwnd, PBM_GETPOS, 0, 0);
    if (low && high)
        out.Set("range", JsonValue::MakeArray()
                             .Push(static_cast<long long>(static_cast<int>(*low)))
                             .Push(static_cast<long long>(static_cast<int>(*high))));
    else
        out.Set("range", JsonValue());
    out.Set("position", pos ? JsonValue(static_cast<long long>(static_cast<int>(*pos))) : JsonValue());
}

void AddEditFacts(JsonValue& out, HWND hwnd, std::uint32_t style)
{
    const bool multiline = (style & ES_MULTILINE) != 0;
    out.Set("multiline", multiline);
    out.Set("readonly", (style & ES_READONLY) != 0);
    out.Set("password", (style & ES_PASSWORD) != 0);
    out.Set("hscroll", (style & WS_HSCROLL) != 0);
    out.Set("vscroll", (style & WS_VSCROLL) != 0);
    out.Set("autohscroll", (style & ES_AUTOHSCROLL) != 0);
    out.Set("autovscroll", (style & ES_AUTOVSCROLL) != 0);
    out.Set("wantreturn", (style & ES_WANTRETURN) != 0);
    // A multi-line edit wraps at its width unless it scrolls horizontally.
    out.Set("wraps", multiline && !(style & (WS_HSCROLL | ES_AUTOHSCROLL)));
    if (multiline) {
        auto lines = SendWithTimeout(hwnd, EM_GETLINECOUNT, 0, 0);
        out.Set("line_count", lines ? JsonValue(static_cast<long long>(*lines)) : JsonValue());
    }
    auto sel = SendWithTimeout(hwnd, EM_GETSEL, 0, 0);
    if (sel) {
        out.Set("selection", JsonValue::MakeArray()
                                 .Push(static_cast<long long>(LOWORD(*sel)))
                                 .Push(static_cast<long long>(HIWORD(*sel))));
    }
}

// The size a static's text needs with its font, word-wrapped at its width
// where the static wraps: measured here with the same face and size.
JsonValue StaticTextNeeds(HWND hwnd, std::uint32_t style, const FontReader* fonts)
{
    LOGFONTW logFont{};
    auto text = TextOf(hwnd);
    if (fonts == nullptr || !text || !fonts->LogFontOf(hwnd, logFont))
        return JsonValue();
    const std::uint32_t type = style & SS_TYPEMASK;
    UINT flags = DT_CALCRECT | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT)
        flags |= DT_WORDBREAK;
    else if (type == SS_SIMPLE)
        flags |= DT_SINGLELINE;
    else if (type != SS_LEFTNOWORDWRAP)
        return JsonValue();
    RECT client{};
    GetClientRect(hwnd, &client);
    const HFONT font = CreateFontIndirectW(&logFont);
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    RECT needed{0, 0, client.right, 0};
    const std::wstring shown = text->empty() ? L" " : *text;
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &needed, flags);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return JsonValue::MakeObject().Set("width", needed.right - needed.left).Set("height", needed.bottom - needed.top);
}

void AddStaticFacts(JsonValue& out, HWND hwnd, std::uint32_t style, const FontReader* fonts)
{
    if (fonts)
        out.Set("text_needs", StaticTextNeeds(hwnd, style, fonts));
    const std::uint32_t type = style & SS_TYPEMASK;
    const wchar_t* name = L"other";
    switch (type) {
    case SS_LEFT: name = L"left"; break;
    case SS_CENTER: name = L"center"; break;
    case SS_RIGHT: name = L"right"; break;
    case SS_ICON: name = L"icon"; break;
    case SS_BITMAP: name = L"bitmap"; break;
    case SS_LEFTNOWORDWRAP: name = L"leftnowordwrap"; break;
    case SS_SIMPLE: name = L"simple"; break;
    case SS_OWNERDRAW: name = L"ownerdraw"; break;
    default: break;
    }
    out.Set("static_type", name);
}

}  // namespace

JsonValue DescribeWindow(HWND hwnd, const FontReader* fonts)
{
    const std::uint32_t style = StyleOf(hwnd);
    const std::uint32_t exStyle = ExStyleOf(hwnd);
    RECT window{};
    GetWindowRect(hwnd, &window);
    RECT client{};
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    DWORD pid = 0;
    const DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
    HWND owner = GetWindow(hwnd, GW_OWNER);

    JsonValue out = JsonValue::MakeObject();
    out.Set("hwnd", HandleValue(hwnd))
        .Set("pid", pid)
        .Set("tid", tid)
        .Set("title", CaptionOf(hwnd))
        .Set("class", ClassNameOf(hwnd))
        .Set("style", HexText(style))
        .Set("exstyle", HexText(exStyle))
        .Set("rect", RectJson(window))
        .Set("client_width", client.right)
        .Set("client_height", client.bottom)
        .Set("client_origin", JsonValue::MakeObject().Set("x", origin.x).Set("y", origin.y))
        .Set("sizeable", (style & WS_THICKFRAME) != 0)
        .Set("maximize_box", (style & WS_MAXIMIZEBOX) != 0)
        .Set("minimize_box", (style & WS_MINIMIZEBOX) != 0)
        .Set("system_menu", (style & WS_SYSMENU) != 0)
        .Set("caption", (style & WS_CAPTION) == WS_CAPTION)
        .Set("tool_window", (exStyle & WS_EX_TOOLWINDOW) != 0)
        .Set("dialog_frame", (exStyle & WS_EX_DLGMODALFRAME) != 0)
        .Set("topmost", (exStyle & WS_EX_TOPMOST) != 0)
        .Set("visible", IsWindowVisible(hwnd) != FALSE)
        .Set("enabled", IsWindowEnabled(hwnd) != FALSE)
        .Set("iconic", IsIconic(hwnd) != FALSE)
        .Set("zoomed", IsZoomed(hwnd) != FALSE)
        .Set("foreground", GetForegroundWindow() == hwnd)
        .Set("owner", owner ? JsonValue(HandleValue(owner)) : JsonValue())
        .Set("screen_width", GetSystemMetrics(SM_CXSCREEN))
        .Set("screen_height", GetSystemMetrics(SM_CYSCREEN));
    if (fonts)
        out.Set("font", fonts->FontOf(hwnd));
    return out;
}

JsonValue DescribeControl(HWND hwnd, HWND top, int depth, const FontReader* fonts)
{
    const std::uint32_t style = StyleOf(hwnd);
    const std::uint32_t exStyle = ExStyleOf(hwnd);
    const std::wstring className = ClassNameOf(hwnd);
    HWND parent = GetAncestor(hwnd, GA_PARENT);

    JsonValue out = JsonValue::MakeObject();
    out.Set("hwnd", HandleValue(hwnd))
        .Set("parent", HandleValue(parent))
        .Set("parent_id", parent == top ? JsonValue() : JsonValue(GetDlgCtrlID(parent)))
        .Set("depth", depth)
        .Set("id", GetDlgCtrlID(hwnd))
        .Set("class", className)
        .Set("text", TextOrNull(hwnd))
        .Set("rect", RectJson(RectIn(hwnd, parent)))
        .Set("window_rect", RectJson(RectIn(hwnd, top)))
        .Set("visible", IsWindowVisible(hwnd) != FALSE)
        .Set("visible_bit", (style & WS_VISIBLE) != 0)
        .Set("enabled", IsWindowEnabled(hwnd) != FALSE)
        .Set("style", HexText(style))
        .Set("exstyle", HexText(exStyle))
        .Set("tabstop", (style & WS_TABSTOP) != 0)
        .Set("group", (style & WS_GROUP) != 0);
    if (fonts)
        out.Set("font", fonts->FontOf(hwnd));

    if (_wcsicmp(className.c_str(), L"Button") == 0)
        AddButtonFacts(out, hwnd, style);
    else if (_wcsicmp(className.c_str(), L"ComboBox") == 0)
        AddComboFacts(out, hwnd, style);
    else if (_wcsicmp(className.c_str(), PROGRESS_CLASSW) == 0)
        AddProgressFacts(out, hwnd);
    else if (_wcsicmp(className.c_str(), L"Edit") == 0)
        AddEditFacts(out, hwnd, style);
    else if (_wcsicmp(className.c_str(), L"Static") == 0)
        AddStaticFacts(out, hwnd, style, fonts);
    return out;
}

JsonValue DescribeControls(HWND top, const FontReader* fonts)
{
    JsonValue list = JsonValue::MakeArray();
    for (const auto& entry : WalkDescendants(top))
        list.Push(DescribeControl(entry.Hwnd, top, entry.Depth, fonts));
    return list;
}
