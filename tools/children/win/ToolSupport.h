#pragma once
// Small helpers shared by the test programs in tools/: a handle owner and
// text conversions. The tools deliberately do not link the application's
// framework, so that they keep working while the code they test changes.

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace tools {

// Owns one kernel handle. Both null and INVALID_HANDLE_VALUE mean "none".
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(HANDLE h) noexcept : FHandle(h) {}
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

    HANDLE get() const noexcept { return FHandle; }
    bool valid() const noexcept { return FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const noexcept { return valid(); }
    HANDLE release() noexcept { return std::exchange(FHandle, nullptr); }
    void reset(HANDLE h = nullptr) noexcept
    {
        HANDLE old = std::exchange(FHandle, h);
        if (old != nullptr && old != INVALID_HANDLE_VALUE) {
            const DWORD err = GetLastError();
            CloseHandle(old);
            SetLastError(err);
        }
    }

private:
    HANDLE FHandle = nullptr;
};

// Frees memory that a Wine export handed out from the process heap.
struct ProcessHeapString {
    char* Value = nullptr;
    explicit ProcessHeapString(char* value) noexcept : Value(value) {}
    ~ProcessHeapString()
    {
        if (Value)
            HeapFree(GetProcessHeap(), 0, Value);
    }
    ProcessHeapString(const ProcessHeapString&) = delete;
    ProcessHeapString& operator=(const ProcessHeapString&) = delete;
};

// Owns the array that CommandLineToArgvW returns.
struct LocalArgv {
    LPWSTR* Argv = nullptr;
    int Count = 0;
    LocalArgv(LPWSTR* argv, int count) noexcept : Argv(argv), Count(count) {}
    ~LocalArgv()
    {
        if (Argv)
            LocalFree(Argv);
    }
    LocalArgv(const LocalArgv&) = delete;
    LocalArgv& operator=(const LocalArgv&) = delete;
};

inline std::string ToCodePage(std::wstring_view text, UINT codePage)
{
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string result(n > 0 ? static_cast<size_t>(n) : 0u, '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(),
                            n, nullptr, nullptr);
    return result;
}

inline std::string ToUtf8(std::wstring_view text) { return ToCodePage(text, CP_UTF8); }

inline std::wstring FromUtf8(std::string_view text)
{
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(n > 0 ? static_cast<size_t>(n) : 0u, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), n);
    return result;
}

// Writes every byte or fails; pipes and files may accept less per call.
inline bool WriteAll(HANDLE h, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr) || written == 0)
            return false;
        p += written;
        size -= written;
    }
    return true;
}

inline bool WriteAll(HANDLE h, std::string_view bytes) { return WriteAll(h, bytes.data(), bytes.size()); }

} // namespace tools
