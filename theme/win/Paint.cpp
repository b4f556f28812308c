#include "theme/win/Paint.h"

#include "framework/Dpi.h"
#include "framework/win/Handle.h"
#include "framework/win/ListItemDetail.h"

#include <algorithm>

namespace {

int Px(int value, int dpi) { return std::max(1, ScaleForDpi(value, dpi)); }

RECT Inflated(RECT r, int by)
{
    InflateRect(&r, -by, -by);
    return r;
}

// A dotted rectangle (every other pixel) just inside r, in a colour.
void DottedFrame(HDC dc, const RECT& r, TColor color)
{
    const COLORREF c = ToColorRef(color);
    for (int x = r.left; x < r.right; x += 2) {
        SetPixelV(dc, x, r.top, c);
        SetPixelV(dc, x, r.bottom - 1, c);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
        SetPixelV(dc, r.left, y, c);
        SetPixelV(dc, r.right - 1, y, c);
    }
}

int FontHeight(HDC dc, HFONT font)
{
    TSelectedObject selected(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    return metrics.tmHeight;
}

}  // namespace

TOffscreen::TOffscreen(HDC target, const RECT& area) : FTarget(target), FArea(area)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (target == nullptr || width <= 0 || height <= 0)
        return;
    FImage = CreateCompatibleDC(target);
    FBitmap = FImage != nullptr ? CreateCompatibleBitmap(target, width, height) : nullptr;
    if (FBitmap == nullptr) {
        if (FImage != nullptr)
            DeleteDC(FImage);
        FImage = nullptr;
        return;
    }
    FOld = SelectObject(FImage, FBitmap);
    SetViewportOrgEx(FImage, -area.left, -area.top, nullptr);
    BitBlt(FImage, area.left, area.top, width, height, target, area.left, area.top, SRCCOPY);
}

TOffscreen::~TOffscreen()
{
    if (FImage == nullptr)
        return;
    BitBlt(FTarget, FArea.left, FArea.top, FArea.right - FArea.left, FArea.bottom - FArea.top, FImage, FArea.left,
           FArea.top, SRCCOPY);
    SelectObject(FImage, FOld);
    DeleteObject(FBitmap);
    DeleteDC(FImage);
}

void FillSolid(HDC dc, const RECT& r, TColor color)
{
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    const COLORREF old = SetDCBrushColor(dc, ToColorRef(color));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, old);
}

void FrameSolid(HDC dc, const RECT& r, TColor color, int width)
{
    width = std::min({width, static_cast<int>(r.right - r.left + 1) / 2, static_cast<int>(r.bottom - r.top + 1) / 2});
    if (width <= 0)
        return;
    FillSolid(dc, RECT{r.left, r.top, r.right, r.top + width}, color);
    FillSolid(dc, RECT{r.left, r.bottom - width, r.right, r.bottom}, color);
    FillSolid(dc, RECT{r.left, r.top + width, r.left + width, r.bottom - width}, color);
    FillSolid(dc, RECT{r.right - width, r.top + width, r.right, r.bottom - width}, color);
}

void DrawTextIn(HDC dc, RECT r, const std::wstring& text, HFONT font, TColor color, UINT flags)
{
    if (text.empty())
        return;
    TSelectedObject selected(dc, font);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, ToColorRef(color));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

int TextHeight(HDC dc, const RECT& r, const std::wstring& text, HFONT font, UINT flags)
{
    TSelectedObject selected(dc, font);
    RECT measured = r;
    const std::wstring shown = text.empty() ? L" " : text;
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &measured, flags | DT_CALCRECT);
    return measured.bottom - measured.top;
}

void PaintButton(HDC dc, const RECT& r, int dpi, const TButtonLook& look, const std::wstring& text, HFONT font,
                 bool focused, bool focusCue, bool hidePrefix)
{
    const int border = Px(focused ? 2 : 1, dpi);
    FillSolid(dc, Inflated(r, border), look.Face);
    FrameSolid(dc, r, look.Border, border);
    DrawTextIn(dc, Inflated(r, border), text, font, look.Text,
               DT_CENTER | DT_VCENTER | DT_SINGLELINE | (hidePrefix ? DT_HIDEPREFIX : 0));
    if (focusCue)
        DottedFrame(dc, Inflated(r, border + Px(2, dpi)), look.Text);
}

RECT ChoiceGlyphRect(const RECT& client, int dpi)
{
    const int size = Px(13, dpi);
    const int top = client.top + std::max<int>(0, (client.bottom - client.top - size) / 2);
    return RECT{client.left, top, client.left + size, top + size};
}

void PaintChoiceGlyph(HDC dc, const RECT& glyph, int dpi, TChoiceKind kind, const TGlyphLook& look, bool checked)
{
    const int line = Px(1, dpi);
    if (kind == TChoiceKind::Check) {
        FillSolid(dc, Inflated(glyph, line), look.Background);
        FrameSolid(dc, glyph, look.Border, line);
        if (checked) {
            // A tick through three points of the 13-pixel box.
            const auto at = [&](int x, int y) {
                return POINT{glyph.left + ScaleForDpi(x, dpi), glyph.top + ScaleForDpi(y, dpi)};
            };
            const POINT tick[] = {at(3, 6), at(5, 9), at(10, 3)};
            TPenHandle pen(CreatePen(PS_SOLID, Px(2, dpi), ToColorRef(look.Mark)));
            TSelectedObject selected(dc, pen.get());
            Polyline(dc, tick, 3);
        }
        return;
    }
    TPenHandle pen(CreatePen(PS_INSIDEFRAME, line, ToColorRef(look.Border)));
    TBrushHandle brush(CreateSolidBrush(ToColorRef(look.Background)));
    {
        TSelectedObject selectedPen(dc, pen.get());
        TSelectedObject selectedBrush(dc, brush.get());
        Ellipse(dc, glyph.left, glyph.top, glyph.right, glyph.bottom);
    }
    if (checked) {
        const RECT dot = Inflated(glyph, Px(4, dpi));
        TBrushHandle markBrush(CreateSolidBrush(ToColorRef(look.Mark)));
        TSelectedObject selectedPen(dc, GetStockObject(NULL_PEN));
        TSelectedObject selectedBrush(dc, markBrush.get());
        // NULL_PEN leaves the right and bottom edge out; one more pixel.
        Ellipse(dc, dot.left, dot.top, dot.right + 1, dot.bottom + 1);
    }
}

void PaintChoice(HDC dc, const RECT& client, int dpi, TChoiceKind kind, const TGlyphLook& look, bool checked,
                 const std::wstring& text, HFONT font, TColor surface, TColor textColor, bool wordWrap,
                 bool focusCue, bool hidePrefix)
{
    FillSolid(dc, client, surface);
    const RECT glyph = ChoiceGlyphRect(client, dpi);
    PaintChoiceGlyph(dc, glyph, dpi, kind, look, checked);

    const UINT flags = (wordWrap ? DT_WORDBREAK : DT_SINGLELINE) | (hidePrefix ? DT_HIDEPREFIX : 0);
    RECT area{glyph.right + Px(4, dpi), client.top, client.right, client.bottom};
    const int height = std::min<int>(TextHeight(dc, area, text, font, flags), client.bottom - client.top);
    area.top = client.top + (client.bottom - client.top - height) / 2;
    area.bottom = area.top + height;
    DrawTextIn(dc, area, text, font, textColor, flags);
    if (focusCue) {
        RECT measured = area;
        {
            TSelectedObject selected(dc, font);
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, flags | DT_CALCRECT);
        }
        DottedFrame(dc, RECT{area.left - 1, area.top, std::min(area.right, measured.right) + 1, area.bottom},
                    textColor);
    }
}

void PaintGroupBox(HDC dc, const RECT& client, int dpi, const std::wstring& caption, HFONT font, TColor surface,
                   TColor frame, TColor captionColor, bool hidePrefix)
{
    FillSolid(dc, client, surface);
    const int textHeight = FontHeight(dc, font);
    const RECT box{client.left, client.top + textHeight / 2, client.right, client.bottom};
    FrameSolid(dc, box, frame, Px(1, dpi));
    if (caption.empty())
        return;
    const UINT flags = DT_SINGLELINE | DT_LEFT | DT_TOP | (hidePrefix ? DT_HIDEPREFIX : 0);
    const int gap = Px(2, dpi);
    RECT text{client.left + Px(8, dpi), client.top, client.right - Px(8, dpi), client.top + textHeight};
    RECT measured = text;
    {
        TSelectedObject selected(dc, font);
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, flags | DT_CALCRECT);
    }
    const RECT behind{text.left - gap, text.top, std::min<LONG>(measured.right, text.right) + gap, text.bottom};
    FillSolid(dc, behind, surface);
    DrawTextIn(dc, text, caption, font, captionColor, flags | DT_END_ELLIPSIS);
}

void PaintProgress(HDC dc, const RECT& client, int dpi, const TPalette& palette, int position, int low, int high)
{
    const int border = Px(1, dpi);
    FrameSolid(dc, client, palette[TThemeRole::ProgressBorder], border);
    const RECT inner = Inflated(client, border);
    FillSolid(dc, inner, palette[TThemeRole::ProgressTrack]);
    if (high <= low)
        return;
    const long long span = high - low;
    const long long done = std::clamp<long long>(static_cast<long long>(position) - low, 0, span);
    const int width = static_cast<int>((inner.right - inner.left) * done / span);
    FillSolid(dc, RECT{inner.left, inner.top, inner.left + width, inner.bottom}, palette[TThemeRole::ProgressFill]);
}

void PaintLabel(HDC dc, const RECT& client, const std::wstring& text, HFONT font, TColor surface, TColor textColor,
                UINT flags)
{
    FillSolid(dc, client, surface);
    DrawTextIn(dc, client, text, font, textColor, flags);
}

void PaintEditFrame(HDC dc, const RECT& window, int edge, TColor border, TColor background)
{
    if (edge <= 0)
        return;
    FrameSolid(dc, window, border, 1);
    if (edge > 1)
        FrameSolid(dc, Inflated(window, 1), background, edge - 1);
}

void PaintArrow(HDC dc, const RECT& r, int dpi, TArrowDirection direction, TColor color)
{
    const bool vertical = direction == TArrowDirection::Up || direction == TArrowDirection::Down;
    const int across = Px(7, dpi) | 1;  // odd, so that the tip sits on a pixel
    const int along = across / 2 + 1;
    const int cx = (r.left + r.right) / 2;
    const int cy = (r.top + r.bottom) / 2;
    POINT p[3];
    if (vertical) {
        const int left = cx - across / 2;
        const int top = cy - along / 2;
        if (direction == TArrowDirection::Down) {
            p[0] = {left, top};
            p[1] = {left + across - 1, top};
            p[2] = {cx, top + along - 1};
        } else {
            p[0] = {left, top + along - 1};
            p[1] = {left + across - 1, top + along - 1};
            p[2] = {cx, top};
        }
    } else {
        const int top = cy - across / 2;
        const int left = cx - along / 2;
        if (direction == TArrowDirection::Right) {
            p[0] = {left, top};
            p[1] = {left, top + across - 1};
            p[2] = {left + along - 1, cy};
        } else {
            p[0] = {left + along - 1, top};
            p[1] = {left + along - 1, top + across - 1};
            p[2] = {left, cy};
        }
    }
    TPenHandle pen(CreatePen(PS_SOLID, 1, ToColorRef(color)));
    TBrushHandle brush(CreateSolidBrush(ToColorRef(color)));
    TSelectedObject selectedPen(dc, pen.get());
    TSelectedObject selectedBrush(dc, brush.get());
    Polygon(dc, p, 3);
}

void PaintComboBox(HDC dc, const RECT& client, int dpi, const RECT& item, const RECT& button, TColor border,
                   TColor background, TColor buttonFace, TColor arrow)
{
    const int line = Px(1, dpi);
    // The edit field paints itself; everything around it is ours.
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, item.left, item.top, item.right, item.bottom);
    FrameSolid(dc, client, border, line);
    FillSolid(dc, Inflated(client, line), background);
    RECT face = button;
    face.top = std::max(face.top, client.top + line);
    face.bottom = std::min(face.bottom, client.bottom - line);
    face.right = std::min(face.right, client.right - line);
    FillSolid(dc, face, buttonFace);
    FillSolid(dc, RECT{face.left - line, face.top, face.left, face.bottom}, border);
    PaintArrow(dc, face, dpi, TArrowDirection::Down, arrow);
    RestoreDC(dc, saved);
}

void PaintListItem(HDC dc, const RECT& r, int dpi, const std::wstring& text, HFONT font, TColor background,
                   TColor textColor, const std::wstring& detail, int detailColumn)
{
    FillSolid(dc, r, background);
    DrawListItemTexts(dc, r, dpi, text, detail, detailColumn, font, ToColorRef(textColor));
}

void PaintScrollBar(HDC dc, const TScrollBarParts& parts, int dpi, const TPalette& palette)
{
    const RECT& bar = parts.Bar;
    FillSolid(dc, bar, palette[TThemeRole::ScrollTrack]);
    const int length = parts.Vertical ? bar.bottom - bar.top : bar.right - bar.left;
    const int arrow = std::min(parts.ArrowSize, length / 2);
    const auto span = [&](int from, int to) {
        return parts.Vertical ? RECT{bar.left, bar.top + from, bar.right, bar.top + to}
                              : RECT{bar.left + from, bar.top, bar.left + to, bar.bottom};
    };
    const TColor arrowColor = palette[parts.Enabled ? TThemeRole::ScrollArrow : TThemeRole::ButtonDisabledText];
    const RECT before = span(0, arrow);
    const RECT after = span(length - arrow, length);
    FillSolid(dc, before, palette[TThemeRole::ScrollButtonFace]);
    FillSolid(dc, after, palette[TThemeRole::ScrollButtonFace]);
    PaintArrow(dc, before, dpi, parts.Vertical ? TArrowDirection::Up : TArrowDirection::Left, arrowColor);
    PaintArrow(dc, after, dpi, parts.Vertical ? TArrowDirection::Down : TArrowDirection::Right, arrowColor);
    if (parts.Enabled && parts.ThumbEnd > parts.ThumbStart) {
        RECT thumb = span(parts.ThumbStart, parts.ThumbEnd);
        const int inset = Px(2, dpi);
        if (parts.Vertical)
            InflateRect(&thumb, -inset, 0);
        else
            InflateRect(&thumb, 0, -inset);
        FillSolid(dc, thumb, palette[parts.ThumbHot ? TThemeRole::ScrollThumbHot : TThemeRole::ScrollThumb]);
    }
}
