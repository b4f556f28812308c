#pragma once
// A combo box whose drop-down list shows more than each entry's text: a
// detail in a column beside it, and entries that stand for nothing drawn
// dimmed. The entries' texts stay what they are, so choosing and completing
// work on them alone. Whoever draws such a list (the form, which owner-draws
// it; a theme engine that draws lists itself) asks for each entry's detail.

#include <windows.h>

#include <string>

struct TListItemDetail {
    std::wstring Detail;  // empty: none
    bool Dimmed = false;
};

struct TListItemDetailQuery {
    int Index = -1;
    TListItemDetail Detail;
};

// Sent to the combo box's parent (containers pass it on to their form):
// wParam the combo box, lParam a TListItemDetailQuery*; nonzero when answered.
inline constexpr UINT CM_LISTITEMDETAIL = WM_APP + 0x1D7;

// The detail of an entry; false when the combo box's owner gives none.
bool QueryListItemDetail(HWND combo, int index, TListItemDetail& detail);

// Where the details start in the list: after its widest entry text and a gap.
int ListDetailColumn(HDC dc, HWND list, HFONT font, int dpi);

// Draws an entry's text and, from column on, its detail, in one colour on
// what is already there.
void DrawListItemTexts(HDC dc, const RECT& item, int dpi, const std::wstring& text, const std::wstring& detail,
                       int column, HFONT font, COLORREF color);

// The list's entries as high as a line of the font.
void SetListItemHeight(HWND combo, HFONT font);

// Widens the drop-down list so that the entries' details show, to at most
// maxWidth; never narrower than the box.
void FitDroppedWidth(HWND combo, int maxWidth);
