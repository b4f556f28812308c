#pragma once
// Functions of system libraries the program needs only now and then (the
// file dialog, the shell, accessibility): looked up by name on first use, so
// that loading those libraries does not delay the start. Only the system
// folder's copy is loaded: the program runs as administrator, and a file of
// that name beside it must never run. A library or function that cannot be
// found gives nullptr; the callers answer as for a failed call.

#include <windows.h>

// The library from the system folder, loaded once and kept; nullptr when
// it cannot be loaded.
HMODULE SystemLibrary(const wchar_t* name);

// The library from the system folder, loaded anew: the caller frees it.
// nullptr when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

template <class TFunction>
TFunction SystemFunction(const wchar_t* library, const char* name)
{
    const HMODULE module = SystemLibrary(library);
    return module != nullptr ? reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                             : nullptr;
}
