#pragma once
// Turning a failed system call into an EOSError.

#include "framework/Exception.h"

#include <windows.h>

#include <string>

// The system's text for an error code, in the user's language.
std::wstring SysErrorMessage(DWORD errorCode);

EOSError MakeOSError(DWORD errorCode);
[[noreturn]] void RaiseOSError(DWORD errorCode);
[[noreturn]] void RaiseLastOSError();

// Raises the last error when a call reported failure.
inline void Win32Check(BOOL ok)
{
    if (!ok)
        RaiseLastOSError();
}
