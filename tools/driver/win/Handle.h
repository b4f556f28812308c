#pragma once
// Owning wrappers for the few handle kinds the driver and its fixture use.

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : FHandle(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : FHandle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Type get() const { return FHandle; }
    explicit operator bool() const { return FHandle != Traits::Invalid(); }
    Type release() { return std::exchange(FHandle, Traits::Invalid()); }
    void reset(Type h = Traits::Invalid())
    {
        if (FHandle != Traits::Invalid()) {
            // Closing must not disturb the error a caller is about to read.
            const DWORD lastError = GetLastError();
            Traits::Close(FHandle);
            SetLastError(lastError);
        }
        FHandle = h;
    }

private:
    Type FHandle = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
// Toolhelp snapshots report failure as INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteDC(h); }
};
struct HookTraits {
    using Type = HHOOK;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { UnhookWindowsHookEx(h); }
};
struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyWindow(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using SnapshotHandle = UniqueHandle<FileHandleTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;
using HookHandle = UniqueHandle<HookTraits>;
using WindowHandle = UniqueHandle<WindowTraits>;

// A DC from GetDC, released with the window it came from.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : FWnd(hwnd), FDc(GetDC(hwnd)) {}
    ~WindowDc()
    {
        if (FDc)
            ReleaseDC(FWnd, FDc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return FDc; }

private:
    HWND FWnd;
    HDC FDc;
};

