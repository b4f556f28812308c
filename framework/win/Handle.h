#pragma once
// One RAII owner for every kind of system handle. Non-copyable, movable;
// closing keeps the thread's last error so that a failure can still be
// reported after the cleanup of a half-done operation.

#include <windows.h>

#include <utility>

template <typename Traits>
class TUniqueHandle {
public:
    using pointer = typename Traits::pointer;

    TUniqueHandle() noexcept = default;
    explicit TUniqueHandle(pointer value) noexcept : FValue(value) {}
    ~TUniqueHandle() { reset(); }

    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    TUniqueHandle(TUniqueHandle&& other) noexcept : FValue(other.release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    pointer get() const noexcept { return FValue; }
    bool valid() const noexcept { return FValue != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    // Ownership passes to the caller.
    pointer release() noexcept { return std::exchange(FValue, Traits::invalid()); }

    void reset(pointer value = Traits::invalid()) noexcept
    {
        if (value == FValue)
            return;
        const pointer old = std::exchange(FValue, value);
        if (old != Traits::invalid()) {
            const DWORD lastError = GetLastError();
            Traits::close(old);
            SetLastError(lastError);
        }
    }

    // For out-parameters: closes what is held and hands out the slot.
    pointer* put() noexcept
    {
        reset();
        return &FValue;
    }

private:
    pointer FValue = Traits::invalid();
};

struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { CloseHandle(h); }
};

// CreateFileW and the snapshot functions report failure as INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { CloseHandle(h); }
};

struct WindowHandleTraits {
    using pointer = HWND;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { DestroyWindow(h); }
};

template <typename T>
struct GdiObjectTraits {
    using pointer = T;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { DeleteObject(h); }
};

struct MemoryDCTraits {
    using pointer = HDC;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { DeleteDC(h); }
};

struct ModuleHandleTraits {
    using pointer = HMODULE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { FreeLibrary(h); }
};

struct IconHandleTraits {
    using pointer = HICON;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { DestroyIcon(h); }
};

struct HookHandleTraits {
    using pointer = HHOOK;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { UnhookWindowsHookEx(h); }
};

using TKernelHandle = TUniqueHandle<KernelHandleTraits>;
using TFileHandle = TUniqueHandle<FileHandleTraits>;
using TWindowHandle = TUniqueHandle<WindowHandleTraits>;
using TFontHandle = TUniqueHandle<GdiObjectTraits<HFONT>>;
using TBrushHandle = TUniqueHandle<GdiObjectTraits<HBRUSH>>;
using TPenHandle = TUniqueHandle<GdiObjectTraits<HPEN>>;
using TBitmapHandle = TUniqueHandle<GdiObjectTraits<HBITMAP>>;
using TMemoryDC = TUniqueHandle<MemoryDCTraits>;
using TModuleHandle = TUniqueHandle<ModuleHandleTraits>;
using TIconHandle = TUniqueHandle<IconHandleTraits>;
using THookHandle = TUniqueHandle<HookHandleTraits>;

// A window's (or, for nullptr, the screen's) device context, released with
// the window it came from.
class TWindowDC {
public:
    explicit TWindowDC(HWND window) noexcept : FWindow(window), FDc(GetDC(window)) {}
    ~TWindowDC()
    {
        if (FDc != nullptr)
            ReleaseDC(FWindow, FDc);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC get() const noexcept { return FDc; }
    explicit operator bool() const noexcept { return FDc != nullptr; }

private:
    HWND FWindow;
    HDC FDc;
};

// Selects an object into a DC for the lifetime of this; restores the old one.
// A null object selects nothing.
class TSelectedObject {
public:
    TSelectedObject(HDC dc, HGDIOBJ object) noexcept
        : FDc(dc), FOld(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr)
    {
    }
    ~TSelectedObject()
    {
        if (FOld != nullptr)
            SelectObject(FDc, FOld);
    }
    TSelectedObject(const TSelectedObject&) = delete;
    TSelectedObject& operator=(const TSelectedObject&) = delete;

private:
    HDC FDc;
    HGDIOBJ FOld;
};

// A critical section that is entered for the lifetime of a TLock.
class TCriticalSection {
public:
    TCriticalSection() noexcept { InitializeCriticalSection(&FSection); }
    ~TCriticalSection() { DeleteCriticalSection(&FSection); }
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;
    void Enter() noexcept { EnterCriticalSection(&FSection); }
    void Leave() noexcept { LeaveCriticalSection(&FSection); }

private:
    CRITICAL_SECTION FSection;
};

class TLock {
public:
    explicit TLock(TCriticalSection& section) noexcept : FSection(section) { FSection.Enter(); }
    ~TLock() { FSection.Leave(); }
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;

private:
    TCriticalSection& FSection;
};
