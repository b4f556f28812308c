#pragma once
// Reads the fonts of a window and its descendants through the hook library
// (see FontQuery.h); one round trip for the whole window.

#include "tools/driver/Json.h"

#include <windows.h>

#include <map>
#include <string>

class FontReader {
public:
    // Queries at once; failures leave every font unreadable (see FontOf).
    explicit FontReader(HWND top);

    // null when the window has no font set; {"readable": false, ...} when
    // the font could not be read; else face, height, weight and so on.
    JsonValue FontOf(HWND hwnd) const;
    // The font's LOGFONT; false when the window has none or it is unreadable.
    bool LogFontOf(HWND hwnd, LOGFONTW& font) const;

    // Why fonts could not be read, empty when they could.
    const std::wstring& Problem() const { return FProblem; }

private:
    struct Entry {
        bool HasFont = false;
        bool Readable = false;
        LOGFONTW Font{};
    };
    std::map<HWND, Entry> FEntries;
    std::wstring FProblem;
};
