#pragma once
// Message boxes of another program: standard "#32770" dialogs that hold
// nothing but static texts, an optional icon and buttons.

#include "tools/driver/Json.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct MessageBoxQuery {
    std::optional<DWORD> Pid;
    std::optional<HWND> Owner;
    std::optional<std::wstring> Title;
};

// True for a visible "#32770" window whose children are only Static and
// Button controls (an open-file dialog or a form-like dialog is not one).
bool IsMessageBox(HWND hwnd);

std::vector<HWND> FindMessageBoxes(const MessageBoxQuery& query);

// Title, text, icon, buttons, owner and process of a message box.
JsonValue DescribeMessageBox(HWND box);

// The button of a box by control ID (a number) or by its caption; a
// caption matches exactly, or ignoring '&' and letter case.
HWND FindMessageBoxButton(HWND box, const std::wstring& idOrText);
