#include "tools/driver/win/MessageBoxes.h"

#include "tools/driver/win/Handle.h"
#include "tools/driver/win/WindowSearch.h"

#include <cwctype>
#include <cstdlib>

namespace {

constexpr int kWindowsTextId = 0xFFFF;  // the text static of a Windows message box
constexpr int kWindowsIconId = 0x14;    // its icon static

bool IsClass(HWND hwnd, const wchar_t* name) { return _wcsicmp(ClassNameOf(hwnd).c_str(), name) == 0; }

std::uint32_t StyleOf(HWND hwnd) { return static_cast<std::uint32_t>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

bool IsIconStatic(HWND hwnd) { return IsClass(hwnd, L"Static") && (StyleOf(hwnd) & SS_TYPEMASK) == SS_ICON; }

std::vector<HWND> DirectChildren(HWND parent)
{
    std::vector<HWND> out;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        out.push_back(child);
    return out;
}

// The text static: the one with the Windows ID, else the visible non-icon
// static with the longest text (other systems number it differently).
HWND TextStaticOf(HWND box)
{
    HWND best = nullptr;
    std::size_t bestLength = 0;
    for (HWND child : DirectChildren(box)) {
        if (!IsClass(child, L"Static") || IsIconStatic(child))
            continue;
        if (GetDlgCtrlID(child) == kWindowsTextId)
            return child;
        if (!IsWindowVisible(child))
            continue;
        const std::size_t length = TextOf(child).value_or(L"").size();
        if (!best || length > bestLength) {
            best = child;
            bestLength = length;
        }
    }
    return best;
}

HWND IconStaticOf(HWND box)
{
    HWND any = nullptr;
    for (HWND child : DirectChildren(box)) {
        if (!IsIconStatic(child) || !IsWindowVisible(child))
            continue;
        if (GetDlgCtrlID(child) == kWindowsIconId)
            return child;
        if (!any)
            any = child;
    }
    return any;
}

struct IconCandidate {
    const wchar_t* Name;
    LPCWSTR Resource;
};
const IconCandidate kIcons[] = {
    {L"error", IDI_HAND},
    {L"warning", IDI_EXCLAMATION},
    {L"information", IDI_ASTERISK},
    {L"question", IDI_QUESTION},
};

// 32-bit top-down pixels of a DC area.
struct Pixels {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Data;
};

class Canvas {
public:
    Canvas(int width, int height) : FWidth(width), FHeight(height)
    {
        WindowDc screen(nullptr);
        FDc.reset(CreateCompatibleDC(screen.get()));
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap.reset(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        FBits = static_cast<std::uint32_t*>(bits);
        if (FDc && FBitmap)
            FOld = SelectObject(FDc.get(), FBitmap.get());
    }
    ~Canvas()
    {
        if (FOld)
            SelectObject(FDc.get(), FOld);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Ok() const { return FDc && FBitmap && FBits; }
    HDC Dc() const { return FDc.get(); }
    Pixels Read() const
    {
        GdiFlush();
        Pixels p;
        p.Width = FWidth;
        p.Height = FHeight;
        p.Data.assign(FBits, FBits + static_cast<std::size_t>(FWidth) * FHeight);
        return p;
    }

private:
    int FWidth;
    int FHeight;
    MemoryDc FDc;
    GdiObject FBitmap;
    std::uint32_t* FBits = nullptr;
    HGDIOBJ FOld = nullptr;
};

double MeanDifference(const Pixels& a, const Pixels& b)
{
    if (a.Data.size() != b.Data.size() || a.Data.empty())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.Data.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int ca = static_cast<int>((a.Data[i] >> shift) & 0xFF);
            const int cb = static_cast<int>((b.Data[i] >> shift) & 0xFF);
            sum += std::abs(ca - cb);
        }
    }
    return sum / (static_cast<double>(a.Data.size()) * 3);
}

struct IconFacts {
    bool Present = false;
    JsonValue Kind;  // null without an icon
};

// Whether the icon static shows an icon, and which standard one. The icon
// handle tells whether there is one; comparing it with the standard icons
// settles which where they are shared between processes (Windows). Under
// Wine each process loads its own copies, so the icon's pixels on the
// screen are compared with each standard icon drawn on the same background
// (and, should the handle not come, a uniform area means no icon).
IconFacts IdentifyIcon(HWND iconStatic)
{
    IconFacts facts;
    auto handle = SendWithTimeout(iconStatic, STM_GETICON, 0, 0);
    // An icon static without an icon (Wine keeps one in every box) says so.
    if (handle && *handle == 0)
        return facts;
    if (handle) {
        facts.Present = true;
        for (const auto& icon : kIcons) {
            if (reinterpret_cast<HICON>(*handle) == LoadIconW(nullptr, icon.Resource)) {
                facts.Kind = icon.Name;
                return facts;
            }
        }
    }

    RECT client{};
    GetClientRect(iconStatic, &client);
    POINT origin{0, 0};
    ClientToScreen(iconStatic, &origin);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0 || width > 256 || height > 256)
        return facts;

    Canvas shot(width, height);
    if (!shot.Ok())
        return facts;
    {
        WindowDc screen(nullptr);
        if (!BitBlt(shot.Dc(), 0, 0, width, height, screen.get(), origin.x, origin.y, SRCCOPY))
            return facts;
    }
    const Pixels seen = shot.Read();
    bool uniform = true;
    for (std::uint32_t pixel : seen.Data) {
        if ((pixel & 0xFFFFFF) != (seen.Data.front() & 0xFFFFFF)) {
            uniform = false;
            break;
        }
    }
    if (uniform)
        return facts;
    facts.Present = true;
    const COLORREF background = GetPixel(shot.Dc(), 0, 0);

    const wchar_t* best = nullptr;
    double bestDiff = 1e9;
    double secondDiff = 1e9;
    for (const auto& icon : kIcons) {
        Canvas drawn(width, height);
        if (!drawn.Ok())
            return facts;
        GdiObject brush(CreateSolidBrush(background));
        RECT all{0, 0, width, height};
        FillRect(drawn.Dc(), &all, static_cast<HBRUSH>(brush.get()));
        DrawIconEx(drawn.Dc(), 0, 0, LoadIconW(nullptr, icon.Resource), width, height, 0, nullptr, DI_NORMAL);
        const double diff = MeanDifference(seen, drawn.Read());
        if (diff < bestDiff) {
            secondDiff = bestDiff;
            bestDiff = diff;
            best = icon.Name;
        } else if (diff < secondDiff) {
            secondDiff = diff;
        }
    }
    // Only a clear winner counts: near-identical to one icon, far from the rest.
    facts.Kind = best && bestDiff < 8.0 && secondDiff > bestDiff * 3 + 4 ? JsonValue(best) : JsonValue(L"unknown");
    return facts;
}

std::wstring WithoutAmpersands(const std::wstring& text)
{
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            // "&&" is a literal ampersand.
            if (i + 1 < text.size() && text[i + 1] == L'&')
                out += text[++i];
            continue;
        }
        out += text[i];
    }
    return out;
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

}  // namespace

bool IsMessageBox(HWND hwnd)
{
    if (!IsWindowVisible(hwnd) || ClassNameOf(hwnd) != L"#32770")
        return false;
    bool hasButton = false;
    for (HWND child : DirectChildren(hwnd)) {
        if (IsClass(child, L"Button"))
            hasButton = true;
        else if (!IsClass(child, L"Static"))
            return false;
    }
    return hasButton;
}

std::vector<HWND> FindMessageBoxes(const MessageBoxQuery& query)
{
    WindowQuery windows;
    windows.ClassName = L"#32770";
    windows.Pid = query.Pid;
    windows.Title = query.Title;
    std::vector<HWND> out;
    for (HWND hwnd : FindTopLevelWindows(windows)) {
        if (query.Owner && GetWindow(hwnd, GW_OWNER) != *query.Owner)
            continue;
        if (IsMessageBox(hwnd))
            out.push_back(hwnd);
    }
    return out;
}

JsonValue DescribeMessageBox(HWND box)
{
    HWND textStatic = TextStaticOf(box);
    HWND iconStatic = IconStaticOf(box);
    HWND owner = GetWindow(box, GW_OWNER);
    const IconFacts icon = iconStatic ? IdentifyIcon(iconStatic) : IconFacts{};

    JsonValue buttons = JsonValue::MakeArray();
    for (HWND child : DirectChildren(box)) {
        if (!IsClass(child, L"Button") || !IsWindowVisible(child))
            continue;
        const auto style = StyleOf(child);
        buttons.Push(JsonValue::MakeObject()
                         .Set("id", GetDlgCtrlID(child))
                         .Set("text", TextOf(child).value_or(L""))
                         .Set("default", (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                         .Set("enabled", IsWindowEnabled(child) != FALSE)
                         .Set("hwnd", HandleValue(child)));
    }

    RECT rect{};
    GetWindowRect(box, &rect);
    JsonValue out = JsonValue::MakeObject();
    out.Set("hwnd", HandleValue(box))
        .Set("pid", ProcessIdOf(box))
        .Set("title", CaptionOf(box))
        .Set("text", textStatic ? JsonValue(TextOf(textStatic).value_or(L"")) : JsonValue())
        .Set("icon", icon.Present)
        .Set("icon_kind", icon.Kind)
        .Set("buttons", std::move(buttons))
        .Set("owner", owner ? JsonValue(HandleValue(owner)) : JsonValue())
        .Set("owner_title", owner ? JsonValue(CaptionOf(owner)) : JsonValue())
        .Set("rect", JsonValue::MakeObject()
                         .Set("left", rect.left)
                         .Set("top", rect.top)
                         .Set("width", rect.right - rect.left)
                         .Set("height", rect.bottom - rect.top));
    return out;
}

HWND FindMessageBoxButton(HWND box, const std::wstring& idOrText)
{
    std::vector<HWND> buttons;
    for (HWND child : DirectChildren(box)) {
        if (IsClass(child, L"Button") && IsWindowVisible(child))
            buttons.push_back(child);
    }
    if (auto id = ParseInteger(idOrText)) {
        for (HWND button : buttons) {
            if (GetDlgCtrlID(button) == *id)
                return button;
        }
    }
    for (HWND button : buttons) {
        if (TextOf(button).value_or(L"") == idOrText)
            return button;
    }
    const std::wstring wanted = WithoutAmpersands(idOrText);
    for (HWND button : buttons) {
        if (SameIgnoringCase(WithoutAmpersands(TextOf(button).value_or(L"")), wanted))
            return button;
    }
    throw EDriverFailure("not-found", L"the message box \"" + CaptionOf(box) + L"\" has no button \"" +
                                          idOrText + L"\"");
}
