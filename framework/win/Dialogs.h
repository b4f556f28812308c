#pragma once
// Message boxes. Every box of the program goes through ShowMessageBox, so a
// box opened after the program was asked to end closes again at once.

#include <windows.h>

#include <string>

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) noexcept;

// "Fehler", error icon, one "OK" button.
void ShowErrorBox(HWND owner, const std::wstring& text) noexcept;
// "Informationen", information icon, one "OK" button.
void ShowInfoBox(HWND owner, const std::wstring& text) noexcept;
// No icon, titled with the application's title, one "OK" button.
void ShowPlainBox(HWND owner, const std::wstring& text) noexcept;
// An error box whose single button carries the given caption instead of "OK".
void ShowErrorBoxWithButton(HWND owner, const std::wstring& text, const std::wstring& caption,
                            const std::wstring& buttonText) noexcept;
