#include "framework/FormLayout.h"

#include <algorithm>
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

std::vector<std::size_t> CreationOrder(const TFormDef& form)
{
    std::map<std::wstring, std::vector<std::size_t>> children;
    for (std::size_t i = 0; i < form.ControlCount; ++i)
        children[form.Controls[i].Parent != nullptr ? form.Controls[i].Parent : L""].push_back(i);
    const auto tabKey = [&form](std::size_t i) {
        const int tab = form.Controls[i].TabOrder;
        return tab < 0 ? -1 : tab;
    };
    std::vector<std::size_t> order;
    std::vector<bool> placed(form.ControlCount, false);
    std::vector<std::wstring> parents{L""};
    for (std::size_t next = 0; next < parents.size(); ++next) {
        const auto found = children.find(parents[next]);
        if (found == children.end())
            continue;
        std::vector<std::size_t> siblings = found->second;
        std::stable_sort(siblings.begin(), siblings.end(),
                         [&](std::size_t a, std::size_t b) { return tabKey(a) < tabKey(b); });
        for (const std::size_t i : siblings) {
            if (placed[i])
                continue;  // a member name given twice
            placed[i] = true;
            order.push_back(i);
            parents.push_back(form.Controls[i].Member);
        }
    }
    for (std::size_t i = 0; i < form.ControlCount; ++i)
        if (!placed[i])
            order.push_back(i);
    return order;
}

int FontHeightForDpi(const TFontDef& font, int dpi)
{
    return ScaleForDpi(font.PixelHeight, dpi);
}
