#include "tools/driver/win/HighContrast.h"

#include "tools/driver/CommandLine.h"
#include "tools/driver/win/HighContrastQuery.h"
#include "tools/driver/win/Handle.h"
#include "tools/driver/win/HookLibrary.h"
#include "tools/driver/win/WindowSearch.h"

#include <cwchar>
#include <vector>

namespace {

std::wstring ColorText(int index)
{
    const COLORREF c = GetSysColor(index);
    wchar_t text[8];
    std::swprintf(text, 8, L"#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

struct Search {
    DWORD Pid;
    std::vector<HWND> Windows;
};

BOOL CALLBACK CollectWindowOfProcess(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->Pid)
        search->Windows.push_back(hwnd);
    return TRUE;
}

}  // namespace

JsonValue SetHighContrast(HWND top, bool on, DWORD settleMs)
{
    HookLibrary library;
    if (!library.Procedure())
        throw EDriverFailure("error", library.Problem());
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(top, &pid);
    std::optional<LRESULT> answer;
    {
        HookHandle hook(SetWindowsHookExW(WH_CALLWNDPROC, library.Procedure(), library.Module(), thread));
        if (!hook)
            ThrowLastError(L"SetWindowsHookExW");
        answer = SendWithTimeout(top, RegisterWindowMessageW(kHighContrastMessageName), on ? 1 : 0, 0);
    }
    if (!answer)
        throw EDriverFailure("timeout", L"the program did not take the hook's question");
    if (*answer != 1)
        throw EDriverFailure("error", L"the program imports no SystemParametersInfoW to replace");

    // Windows tells every top-level window of the program.
    Search search{pid, {}};
    EnumWindows(&CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.Windows)
        SendWithTimeout(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    LetSettle(top, settleMs);
    return JsonValue::MakeObject()
        .Set("high_contrast", on)
        .Set("windows", static_cast<std::int64_t>(search.Windows.size()))
        .Set("colors", JsonValue::MakeObject()
                           .Set("window", ColorText(COLOR_WINDOW))
                           .Set("window_text", ColorText(COLOR_WINDOWTEXT))
                           .Set("hotlight", ColorText(COLOR_HOTLIGHT))
                           .Set("highlight", ColorText(COLOR_HIGHLIGHT))
                           .Set("btnface", ColorText(COLOR_BTNFACE))
                           .Set("btntext", ColorText(COLOR_BTNTEXT)));
}
