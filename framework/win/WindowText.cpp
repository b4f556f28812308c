#include "framework/win/WindowText.h"

#include "framework/win/Handle.h"

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
    if (const TWindowDC dc(window); dc) {
        TSelectedObject selected(dc.get(), font);
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    }
    return size;
}
