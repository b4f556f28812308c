#pragma once
// What the files of the form share among themselves.

#include "framework/win/Forms.h"

#include <map>

// The factories of window-less control kinds.
std::map<TControlKind, TGraphicControlFactory>& GraphicFactories();
