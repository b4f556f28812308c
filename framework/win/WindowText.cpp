#include "framework/win/WindowText.h"

#include <algorithm>

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
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
