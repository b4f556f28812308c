#pragma once
// Reading back what was drawn: a 32-bit memory bitmap to draw into, and the
// colour of pixels on screen.

#include "framework/Colors.h"
#include "framework/win/Handle.h"

#include <windows.h>

#include <functional>

// A white 32-bit bitmap selected into a memory DC.
class TCanvas {
public:
    TCanvas(int width, int height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        FDc.reset(CreateCompatibleDC(nullptr));
        FBitmap.reset(CreateDIBSection(FDc.get(), &info, DIB_RGB_COLORS, nullptr, nullptr, 0));
        FOld = SelectObject(FDc.get(), FBitmap.get());
        RECT all{0, 0, width, height};
        FillRect(FDc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        Width = width;
        Height = height;
    }
    ~TCanvas() { SelectObject(FDc.get(), FOld); }
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Dc() const { return FDc.get(); }
    TColor At(int x, int y) const { return static_cast<TColor>(GetPixel(FDc.get(), x, y)) & 0xFFFFFF; }
    // How many pixels of r have the colour.
    int Count(const RECT& r, TColor color) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) == color ? 1 : 0;
        return n;
    }
    int Width = 0;
    int Height = 0;

private:
    TMemoryDC FDc;
    TBitmapHandle FBitmap;
    HGDIOBJ FOld = nullptr;
};

// The colour shown at a client point of a window.
inline TColor ScreenPixel(HWND window, int x, int y)
{
    const HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return static_cast<TColor>(c) & 0xFFFFFF;
}

// Handles this thread's messages for a while (or until done says so).
inline void PumpFor(DWORD milliseconds, const std::function<bool()>& done = {})
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done && done())
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}
