#pragma once
// Window-less controls have no window for assistive technology to find:
// the window that holds them answers WM_GETOBJECT for its client with an
// accessible object (MSAA) whose children include each control that
// presents itself (TGraphicControl::GetAccessibleInfo).

#include <windows.h>

class TGraphicHost;

// For WM_GETOBJECT; answered is false when the request is not the client's
// (the window's own handling answers it then).
LRESULT AnswerAccessibleObject(TGraphicHost& host, WPARAM wParam, LPARAM lParam, bool& answered);
