#include "framework/win/Dpi.h"

#include "framework/Dpi.h"
#include "framework/win/Handle.h"
#include "framework/win/SystemLibrary.h"

namespace {

template <class TFunction>
TFunction Lookup(const wchar_t* module, const char* name)
{
    const HMODULE handle = GetModuleHandleW(module);
    return handle != nullptr ? reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(handle, name)))
                             : nullptr;
}

using TGetDpiForWindow = UINT(WINAPI*)(HWND);
using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

int ScreenDpi()
{
    const TWindowDC screen(nullptr);
    return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
}

// Windows 8.1 knows a monitor's resolution, not yet a window's; its library
// is loaded on first need. Older systems have neither the library nor the
// search flag, and answer with the screen's resolution.
int MonitorDpi(HWND window)
{
    static const auto getDpiForMonitor = SystemFunction<TGetDpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
    if (getDpiForMonitor == nullptr)
        return 0;
    UINT x = 0;
    UINT y = 0;
    const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    return SUCCEEDED(getDpiForMonitor(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) ? static_cast<int>(y) : 0;
}

}  // namespace

int WindowDpi(HWND window)
{
    static const auto getDpiForWindow = Lookup<TGetDpiForWindow>(L"user32.dll", "GetDpiForWindow");
    int dpi = 0;
    if (window != nullptr)
        dpi = getDpiForWindow != nullptr ? static_cast<int>(getDpiForWindow(window)) : MonitorDpi(window);
    if (dpi <= 0)
        dpi = ScreenDpi();
    return dpi > 0 ? dpi : kDesignDpi;
}
