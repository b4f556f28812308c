#pragma once
// Drawing the controls in a palette's colours: plain GDI on any device
// context, sizes given at 96 DPI and scaled to the dpi passed in. These
// functions only draw; which colours a control shows in which state comes
// from theme/Looks.h, and the engine decides when to draw.

#include "theme/Looks.h"

#include <windows.h>

#include <string>

constexpr COLORREF ToColorRef(TColor color) { return static_cast<COLORREF>(color & 0x00FFFFFFu); }

// Drawing that reaches the screen in one piece: made on an image of the
// target's area that starts as a copy of what the target shows there, and
// copied to the target when this goes. Coordinates stay the target's.
class TOffscreen {
public:
    TOffscreen(HDC target, const RECT& area);
    ~TOffscreen();
    TOffscreen(const TOffscreen&) = delete;
    TOffscreen& operator=(const TOffscreen&) = delete;
    // The image's DC; the target's when no image could be made.
    HDC DC() const noexcept { return FImage != nullptr ? FImage : FTarget; }

private:
    HDC FTarget;
    RECT FArea;
    HDC FImage = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
};

void FillSolid(HDC dc, const RECT& r, TColor color);
// A frame of the given width just inside r.
void FrameSolid(HDC dc, const RECT& r, TColor color, int width);

// Text drawn transparently in a colour with a font (DrawTextW flags).
void DrawTextIn(HDC dc, RECT r, const std::wstring& text, HFONT font, TColor color, UINT flags);
// The height text takes with a font and flags in a rectangle of r's width.
int TextHeight(HDC dc, const RECT& r, const std::wstring& text, HFONT font, UINT flags);

// A push button: face, border (twice as wide when focused), its caption
// centred, and a dotted rectangle inside when the focus is to be shown.
void PaintButton(HDC dc, const RECT& r, int dpi, const TButtonLook& look, const std::wstring& text, HFONT font,
                 bool focused, bool focusCue, bool hidePrefix);

enum class TChoiceKind { Radio, Check };

// Where a radio button's or check box's glyph sits in its client area.
RECT ChoiceGlyphRect(const RECT& client, int dpi);
void PaintChoiceGlyph(HDC dc, const RECT& glyph, int dpi, TChoiceKind kind, const TGlyphLook& look, bool checked);
// The whole control: the surface, the glyph, the text beside it (word-
// wrapped when asked) centred on the glyph's height, the focus rectangle.
void PaintChoice(HDC dc, const RECT& client, int dpi, TChoiceKind kind, const TGlyphLook& look, bool checked,
                 const std::wstring& text, HFONT font, TColor surface, TColor textColor, bool wordWrap,
                 bool focusCue, bool hidePrefix);

// A group box: surface, a frame from the middle of the caption's height
// down, the caption on the surface over the frame's top line.
void PaintGroupBox(HDC dc, const RECT& client, int dpi, const std::wstring& caption, HFONT font, TColor surface,
                   TColor frame, TColor captionColor, bool hidePrefix);

// A progress bar: border, track, and the part from low to position filled.
void PaintProgress(HDC dc, const RECT& client, int dpi, const TPalette& palette, int position, int low, int high);

// A label: its surface and its text (DrawTextW flags).
void PaintLabel(HDC dc, const RECT& client, const std::wstring& text, HFONT font, TColor surface, TColor textColor,
                UINT flags);

// An edit field's or memo's frame over the system's client edge of width
// edge (window coordinates from 0, 0): the outer line in the border colour,
// the rest of the edge in the field's background.
void PaintEditFrame(HDC dc, const RECT& window, int edge, TColor border, TColor background);

enum class TArrowDirection { Up, Down, Left, Right };
// A filled triangle centred in r.
void PaintArrow(HDC dc, const RECT& r, int dpi, TArrowDirection direction, TColor color);

// The combo box around its edit field (item): frame and background, and
// the drop-down button with its arrow.
void PaintComboBox(HDC dc, const RECT& client, int dpi, const RECT& item, const RECT& button, TColor border,
                   TColor background, TColor buttonFace, TColor arrow);

// One entry of a list; its detail, if any, from detailColumn on (ListItemDetail.h).
void PaintListItem(HDC dc, const RECT& r, int dpi, const std::wstring& text, HFONT font, TColor background,
                   TColor textColor, const std::wstring& detail = {}, int detailColumn = 0);

// A scroll bar from its parts (device coordinates of the DC).
struct TScrollBarParts {
    RECT Bar;
    bool Vertical;
    bool Enabled;
    int ArrowSize;              // the length of each arrow button
    int ThumbStart, ThumbEnd;   // along the bar, from its start; equal when there is no thumb
    bool ThumbHot;
};
void PaintScrollBar(HDC dc, const TScrollBarParts& parts, int dpi, const TPalette& palette);
