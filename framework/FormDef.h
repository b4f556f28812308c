#pragma once
// Window definitions as data: what a window looks like and which controls
// it holds. The Win32 side builds real windows from these tables; behaviour
// lives elsewhere and finds controls by their member name.

#include "framework/Colors.h"

#include <cstddef>

enum class TControlKind {
    Panel,        // a container that paints its parent's background
    Label,        // static text; Width 0 sizes it to its text
    LinkLabel,    // a label whose caption is link markup; reports clicks
    Edit,         // single-line edit
    Button,
    ComboBox,     // drop-down list with an edit field and completion
    GroupBox,
    RadioButton,
    CheckBox,
    ProgressBar,
    Memo,         // multi-line edit
};

enum TControlOption : unsigned {
    coNone = 0,
    coHidden = 1u << 0,
    coChecked = 1u << 1,
    coWordWrap = 1u << 2,
    coAlignClient = 1u << 3,  // fills what its parent's earlier aligned controls leave
    coAlignTop = 1u << 4,     // a strip at the top, full width, Height high
    coScrollBars = 1u << 5,   // both scroll bars (memo)
    coItemDetails = 1u << 6,  // combo box: its list shows a detail beside each entry (ListItemDetail.h)
};

struct TFontDef {
    const wchar_t* Face;
    int PixelHeight;  // character height in pixels
    bool Bold;
    TColor Color;
};

struct TControlDef {
    const wchar_t* Member;
    int Id;                 // control ID; stable, so tools can find the control
    TControlKind Kind;
    const wchar_t* Parent;  // nullptr: the window itself
    int Left, Top, Width, Height;
    const wchar_t* Text;
    int TabOrder;           // -1: not in the tab order
    unsigned Options;
    const TFontDef* Font;   // nullptr: the window's font
    const wchar_t* const* Items;  // combo box entries, nullptr terminated
};

enum class TBorderStyle { ToolWindow, Dialog };
enum class TPosition { ScreenCenter, MainFormCenter };

struct TFormDef {
    const wchar_t* ClassName;
    const wchar_t* Caption;
    TBorderStyle BorderStyle;
    TPosition Position;
    int ClientWidth, ClientHeight;
    TColor Color;
    TFontDef Font;
    const TControlDef* Controls;
    std::size_t ControlCount;
};
