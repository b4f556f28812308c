#include "framework/win/OpenDialog.h"

#include "framework/win/OSError.h"
#include "framework/win/SystemLibrary.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

std::wstring FilterToMultiString(const std::wstring& filter)
{
    std::wstring result = filter;
    for (wchar_t& c : result)
        if (c == L'|')
            c = L'\0';
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

bool TOpenDialog::Execute(HWND owner)
{
    const std::wstring filter = FilterToMultiString(Filter);
    std::vector<wchar_t> file(32768, L'\0');
    FileName.copy(file.data(), std::min(FileName.size(), file.size() - 1));

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = Options | OFN_EXPLORER;
    // The dialog's library is loaded when the dialog is first wanted.
    using TGetOpenFileName = BOOL(WINAPI*)(OPENFILENAMEW*);
    using TCommDlgExtendedError = DWORD(WINAPI*)();
    static const auto getOpenFileName = SystemFunction<TGetOpenFileName>(L"comdlg32.dll", "GetOpenFileNameW");
    static const auto extendedError = SystemFunction<TCommDlgExtendedError>(L"comdlg32.dll", "CommDlgExtendedError");
    if (getOpenFileName == nullptr || extendedError == nullptr)
        RaiseLastOSError();
    if (!getOpenFileName(&ofn)) {
        const DWORD error = extendedError();
        if (error != 0)
            throw Exception(L"Der Dateiauswahldialog ist fehlgeschlagen (Code " + std::to_wstring(error) + L")");
        return false;  // cancelled
    }
    FileName = file.data();
    FilterIndex = static_cast<int>(ofn.nFilterIndex);
    return true;
}
