#pragma once
// Forms build their link labels (TControlKind::LinkLabel) as TJvLinkLabel
// on the window that holds them, drawn with GDI, once this has been called.

#include "framework/FormDef.h"
#include "framework/win/GraphicHost.h"
#include "widgets/linklabel/JvLinkLabel.h"

#include <memory>

void RegisterLinkLabel();

// The link label of a definition, on its host: position, caption, font
// (the parent's without one of its own), visibility; loaded.
std::unique_ptr<TGraphicControl> MakeLinkLabel(const TControlDef& def, TGraphicHost& host);
