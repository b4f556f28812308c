#include "framework/win/Dialogs.h"

#include "framework/win/Application.h"
#include "framework/win/Handle.h"

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) noexcept
{
    // The box's own modal loop ends on WM_QUIT and posts it again, so after a
    // close request it shows and closes at once, and the request survives.
    if (Application != nullptr && Application->Terminated())
        PostQuitMessage(0);
    return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

void ShowErrorBox(HWND owner, const std::wstring& text) noexcept
{
    ShowMessageBox(owner, text, L"Fehler", MB_OK | MB_ICONERROR);
}

void ShowInfoBox(HWND owner, const std::wstring& text) noexcept
{
    ShowMessageBox(owner, text, L"Informationen", MB_OK | MB_ICONINFORMATION);
}

void ShowPlainBox(HWND owner, const std::wstring& text) noexcept
{
    ShowMessageBox(owner, text, Application != nullptr ? Application->Title : std::wstring(), MB_OK);
}

namespace {

// The box is created on this thread; a CBT hook renames its OK button as
// soon as the box is activated.
thread_local const std::wstring* tButtonText = nullptr;

LRESULT CALLBACK RenameButtonHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && tButtonText != nullptr) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(box, className, 16);
        if (std::wstring(className) == L"#32770") {
            if (HWND button = GetDlgItem(box, IDOK))
                SetWindowTextW(button, tButtonText->c_str());
            tButtonText = nullptr;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void ShowErrorBoxWithButton(HWND owner, const std::wstring& text, const std::wstring& caption,
                            const std::wstring& buttonText) noexcept
{
    tButtonText = &buttonText;
    THookHandle hook(SetWindowsHookExW(WH_CBT, &RenameButtonHook, nullptr, GetCurrentThreadId()));
    ShowMessageBox(owner, text, caption, MB_OK | MB_ICONERROR);
    tButtonText = nullptr;
}
