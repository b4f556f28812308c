#include "framework/win/ListItemDetail.h"

#include "framework/Dpi.h"
#include "framework/win/Dpi.h"
#include "framework/win/Handle.h"

#include <algorithm>

namespace {

constexpr int kTextMargin = 2;   // from the item's edges, as the system's lists leave it
constexpr int kColumnGap = 10;   // between the widest entry text and the details
constexpr UINT kItemTextFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

std::wstring ListText(HWND list, int index)
{
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

int TextWidth(HDC dc, const std::wstring& text)
{
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

HWND ListOf(HWND combo)
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    return GetComboBoxInfo(combo, &info) ? info.hwndList : nullptr;
}

}  // namespace

bool QueryListItemDetail(HWND combo, int index, TListItemDetail& detail)
{
    const HWND parent = GetParent(combo);
    TListItemDetailQuery query;
    query.Index = index;
    if (parent == nullptr ||
        SendMessageW(parent, CM_LISTITEMDETAIL, reinterpret_cast<WPARAM>(combo), reinterpret_cast<LPARAM>(&query)) == 0)
        return false;
    detail = std::move(query.Detail);
    return true;
}

int ListDetailColumn(HDC dc, HWND list, HFONT font, int dpi)
{
    TSelectedObject selected(dc, font);
    int widest = 0;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, TextWidth(dc, ListText(list, i)));
    return ScaleForDpi(kTextMargin, dpi) + widest + ScaleForDpi(kColumnGap, dpi);
}

void DrawListItemTexts(HDC dc, const RECT& item, int dpi, const std::wstring& text, const std::wstring& detail,
                       int column, HFONT font, COLORREF color)
{
    TSelectedObject selected(dc, font);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, color);
    const int margin = ScaleForDpi(kTextMargin, dpi);
    RECT area{item.left + margin, item.top, item.right - margin, item.bottom};
    if (!detail.empty()) {
        RECT detailArea = area;
        detailArea.left = std::min(item.left + column, area.right);
        DrawTextW(dc, detail.c_str(), static_cast<int>(detail.size()), &detailArea, kItemTextFlags);
        area.right = detailArea.left;
    }
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, kItemTextFlags);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

void SetListItemHeight(HWND combo, HFONT font)
{
    const TWindowDC dc(combo);
    if (!dc)
        return;
    TEXTMETRICW metrics{};
    {
        TSelectedObject selected(dc.get(), font);
        GetTextMetricsW(dc.get(), &metrics);
    }
    if (metrics.tmHeight > 0)
        SendMessageW(combo, CB_SETITEMHEIGHT, 0, metrics.tmHeight);
}

void FitDroppedWidth(HWND combo, int maxWidth)
{
    const HWND list = ListOf(combo);
    if (list == nullptr)
        return;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0));
    const int dpi = WindowDpi(combo);
    int needed = 0;
    {
        const TWindowDC dc(list);
        if (!dc)
            return;
        const int column = ListDetailColumn(dc.get(), list, font, dpi);
        TSelectedObject selected(dc.get(), font);
        const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            TListItemDetail detail;
            if (QueryListItemDetail(combo, i, detail) && !detail.Detail.empty())
                needed = std::max(needed, column + TextWidth(dc.get(), detail.Detail));
        }
    }
    RECT box{};
    GetWindowRect(combo, &box);
    const int frame = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    const int width = std::clamp(needed + ScaleForDpi(kTextMargin, dpi) + frame, static_cast<int>(box.right - box.left),
                                 std::max(maxWidth, static_cast<int>(box.right - box.left)));
    SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
}
