#pragma once
// What the driver and its hook library agree on. A font handle cannot be
// read from another process (and under Wine WM_GETFONT does not even cross
// process boundaries), so the driver puts a hook into the program's UI
// thread; there the hook reads the fonts and sends them back in one
// WM_COPYDATA.

#include <windows.h>

#include <cstdint>

// Registered message sent to the top-level window; wParam is the reply window.
inline const wchar_t kFontQueryMessageName[] = L"NimdriveFontQuery.1";
// WM_COPYDATA's dwData of the reply.
constexpr ULONG_PTR kFontReplyTag = 0x4E44464E;
// The hook procedure's exported name.
inline const char kFontHookProcName[] = "NimdriveCallWndProc";

struct FontRecord {
    std::uint64_t Hwnd;
    std::int32_t HasFont;   // WM_GETFONT returned a handle
    std::int32_t Readable;  // GetObjectW filled Font
    LOGFONTW Font;
};
