#include "theme/win/TextFit.h"

#include <cstdlib>

TTextExtent TGdiTextMeasurer::Measure(const std::wstring& text, int wrapWidth, int pixelHeight)
{
    LOGFONTW sized = FFont;
    sized.lfHeight = -pixelHeight;
    sized.lfWidth = 0;
    TFontHandle font(CreateFontIndirectW(&sized));
    TSelectedObject selected(FDc, font.get());
    RECT r{0, 0, wrapWidth, 0};
    const std::wstring shown = text.empty() ? L" " : text;
    DrawTextW(FDc, shown.c_str(), static_cast<int>(shown.size()), &r, FFlags | DT_CALCRECT);
    return TTextExtent{r.right - r.left, r.bottom - r.top};
}

int FontPixelHeight(HDC dc, HFONT font)
{
    LOGFONTW logFont{};
    if (GetObjectW(font, sizeof(logFont), &logFont) == 0)
        return 0;
    if (logFont.lfHeight < 0)
        return -logFont.lfHeight;
    // A cell height (or 0, the default size): ask the realized font.
    TEXTMETRICW metrics{};
    {
        TSelectedObject selected(dc, font);
        GetTextMetricsW(dc, &metrics);
    }
    return metrics.tmHeight - metrics.tmInternalLeading;
}

TFontHandle FitFont(HDC dc, HFONT font, const std::wstring& text, int width, int height, UINT flags)
{
    LOGFONTW logFont{};
    if (font == nullptr || GetObjectW(font, sizeof(logFont), &logFont) == 0)
        return TFontHandle();
    const int size = FontPixelHeight(dc, font);
    TGdiTextMeasurer measurer(dc, logFont, flags);
    const int fitting = FitFontHeight(measurer, text, width, height, size);
    if (fitting == size)
        return TFontHandle();
    logFont.lfHeight = -fitting;
    logFont.lfWidth = 0;
    return TFontHandle(CreateFontIndirectW(&logFont));
}
