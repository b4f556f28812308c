#include "framework/FormLayout.h"

#include <map>
#include <string>

TFormLayout LayoutForm(const TFormDef& form, int dpi)
{
    TFormLayout layout;
    layout.Dpi = dpi;
    layout.ClientWidth = ScaleForDpi(form.ClientWidth, dpi);
    layout.ClientHeight = ScaleForDpi(form.ClientHeight, dpi);
    // What each container still has free for aligned children.
    std::map<std::wstring, TRect> freeArea;
    freeArea[L""] = TRect{0, 0, layout.ClientWidth, layout.ClientHeight};
    layout.Bounds.reserve(form.ControlCount);
    for (std::size_t i = 0; i < form.ControlCount; ++i) {
        const TControlDef& def = form.Controls[i];
        const std::wstring parent = def.Parent != nullptr ? def.Parent : L"";
        const auto found = freeArea.find(parent);
        TRect& area = found != freeArea.end() ? found->second : freeArea[L""];
        TRect bounds{ScaleForDpi(def.Left, dpi), ScaleForDpi(def.Top, dpi), ScaleForDpi(def.Left + def.Width, dpi),
                     ScaleForDpi(def.Top + def.Height, dpi)};
        if (def.Options & coAlignTop) {
            bounds = TRect{area.Left, area.Top, area.Right, area.Top + ScaleForDpi(def.Height, dpi)};
            area.Top = bounds.Bottom;
        } else if (def.Options & coAlignClient) {
            bounds = area;
        }
        layout.Bounds.push_back(bounds);
        freeArea[def.Member] = TRect{0, 0, bounds.Width(), bounds.Height()};
    }
    return layout;
}

int FontHeightForDpi(const TFontDef& font, int dpi)
{
    return ScaleForDpi(font.PixelHeight, dpi);
}
