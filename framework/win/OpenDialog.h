#pragma once
// The common open-file dialog as a component.

#include "framework/win/Component.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}

    // "Name|patterns|Name|patterns", as the dialog lists them.
    std::wstring Filter;
    int FilterIndex = 1;
    DWORD Options = OFN_HIDEREADONLY | OFN_ENABLESIZING;
    std::wstring FileName;

    // True when the user confirmed a file; FileName then holds its full path.
    bool Execute(HWND owner);
};

// "A|B|C|D" as the dialog wants it: NUL separated, two NULs at the end.
std::wstring FilterToMultiString(const std::wstring& filter);
