#include "framework/win/SystemLibrary.h"

#include <string>

HMODULE SystemLibrary(const wchar_t* name)
{
    // Loaded libraries stay: a second load only counts up.
    if (const HMODULE loaded = GetModuleHandleW(name))
        return loaded;
    return LoadSystemLibrary(name);
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Systems without the search flags refuse them; the full path then still
    // names the file, and its own folder is searched for what it needs.
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetErrorMode(oldMode);
    return module;
}
