#include "widgets/linklabel/win/LinkLabelClass.h"

#include "framework/win/Forms.h"
#include "widgets/linklabel/win/GdiSurface.h"

std::unique_ptr<TGraphicControl> MakeLinkLabel(const TControlDef& def, TGraphicHost& host)
{
    auto label = std::make_unique<linklabel::TJvLinkLabel>();
    label->Name = def.Member;
    label->SetSurface(std::make_unique<linklabel::TGdiSurface>(host, *label));
    label->SetParent(&host);
    if (def.Font != nullptr)
        label->SetFont(FontOfDef(*def.Font));
    label->SetBounds(def.Left, def.Top, def.Width, def.Height);
    label->SetVisible((def.Options & coHidden) == 0);
    label->SetTabStop(def.TabOrder >= 0);
    label->SetCaption(def.Text != nullptr ? def.Text : L"");
    label->Loaded();
    return label;
}

void RegisterLinkLabel() { RegisterGraphicControlClass(TControlKind::LinkLabel, &MakeLinkLabel); }
