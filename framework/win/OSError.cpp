#include "framework/win/OSError.h"

std::wstring SysErrorMessage(DWORD errorCode)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
            FORMAT_MESSAGE_ARGUMENT_ARRAY,
        nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer != nullptr)
        text.assign(buffer, length);
    if (buffer != nullptr)
        LocalFree(buffer);
    return text;
}

EOSError MakeOSError(DWORD errorCode)
{
    return EOSError(errorCode, ComposeOSErrorMessage(errorCode, SysErrorMessage(errorCode)));
}

void RaiseOSError(DWORD errorCode)
{
    throw MakeOSError(errorCode);
}

void RaiseLastOSError()
{
    RaiseOSError(GetLastError());
}
