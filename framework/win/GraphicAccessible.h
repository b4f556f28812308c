#pragma once
// Window-less controls have no window for assistive technology to find:
// the window that holds them answers WM_GETOBJECT for its client with an
// accessible object (MSAA) whose children include each control that
// presents itself (TGraphicControl::GetAccessibleInfo), after the window's
// child windows and in their own order, which is where the Tab key visits
// them.

#include <windows.h>

class TGraphicControl;
class TGraphicHost;

// For WM_GETOBJECT; answered is false when the request is not the client's
// or no object could be made (the window's own handling answers it then).
LRESULT AnswerAccessibleObject(TGraphicHost& host, WPARAM wParam, LPARAM lParam, bool& answered);

// Tells assistive technology that the control has the keyboard focus.
void NotifyAccessibleFocus(TGraphicHost& host, const TGraphicControl& control);
