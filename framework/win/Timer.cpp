#include "framework/win/Timer.h"

#include "framework/win/Application.h"
#include "framework/win/OSError.h"

namespace {
constexpr wchar_t kTimerWindowClass[] = L"TTimerWindow";
constexpr UINT_PTR kTimerId = 1;
}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TTimer::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTimerWindowClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        RaiseLastOSError();
    FWindow.reset(CreateWindowExW(0, kTimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                  nullptr));
    if (!FWindow)
        RaiseLastOSError();
    SetWindowLongPtrW(FWindow.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTimer::~TTimer()
{
    KillTimer(FWindow.get(), kTimerId);
    SetWindowLongPtrW(FWindow.get(), GWLP_USERDATA, 0);
}

void TTimer::SetInterval(UINT milliseconds)
{
    if (milliseconds == FInterval)
        return;
    FInterval = milliseconds;
    Update();
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == FEnabled)
        return;
    FEnabled = enabled;
    Update();
}

void TTimer::Update()
{
    KillTimer(FWindow.get(), kTimerId);
    if (FEnabled && FInterval > 0 && !SetTimer(FWindow.get(), kTimerId, FInterval, nullptr))
        RaiseLastOSError();
}

LRESULT CALLBACK TTimer::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (timer != nullptr && timer->FEnabled && timer->OnTimer)
            GuardCallback([&] { timer->OnTimer(); });
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
