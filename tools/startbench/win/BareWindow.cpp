// The least a Win32 program does to show a window of Nimbrel's size, for the
// start-up benchmark's breakdown. Closing it ends the program. Built a
// second time with Nimbrel's libraries and manifest, it shows what loading
// those costs.

#include <windows.h>

#ifdef WITH_NIMBREL_LIBRARIES
void TouchNimbrelLibraries();
#endif

namespace {

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
#ifdef WITH_NIMBREL_LIBRARIES
    TouchNimbrelLibraries();
#endif
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"NimbrelBareWindow";
    if (!RegisterClassExW(&wc))
        return 1;
    RECT frame{0, 0, 535, 343};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const HWND window = CreateWindowExW(0, wc.lpszClassName, L"Nimbrel bare window", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                        instance, nullptr);
    if (window == nullptr)
        return 1;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    // Everything is drawn: the benchmark may look at it now.
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
