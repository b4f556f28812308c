#include "sysinfo/win/versionhelpers.h"

#include "sysinfo/VersionRules.h"

static_assert(sizeof(OSVERSIONINFOEXW) == 284);

namespace versionhelpers {

namespace {

HMODULE FKernel32 = nullptr;  // kept once it is not zero

// Through void (*)(): the one function pointer type every other converts
// to without a warning.
template <typename TFunction>
TFunction AsFunction(FARPROC address)
{
    return reinterpret_cast<TFunction>(reinterpret_cast<void (*)()>(address));
}

FARPROC LookUpKernel32Export(const char* name)
{
    if (!FKernel32)
        FKernel32 = (GetModuleHandleWHook ? GetModuleHandleWHook : &::GetModuleHandleW)(L"Kernel32.dll");
    if (!FKernel32)
        return nullptr;
    return (GetProcAddressHook ? GetProcAddressHook : &::GetProcAddress)(FKernel32, name);
}

BOOL WINAPI ResolveVerifyVersionInfoW(LPOSVERSIONINFOEXW versionInfo, DWORD typeMask, DWORDLONG conditionMask)
{
    const auto found = AsFunction<TVerifyVersionInfoW>(LookUpKernel32Export("VerifyVersionInfoW"));
    if (found) {
        versionhelpers::VerifyVersionInfoW = found;
        return found(versionInfo, typeMask, conditionMask);
    }
    versionhelpers::VerifyVersionInfoW = &ResolveVerifyVersionInfoW;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

ULONGLONG WINAPI ResolveVerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition)
{
    const auto found = AsFunction<TVerSetConditionMask>(LookUpKernel32Export("VerSetConditionMask"));
    if (found) {
        versionhelpers::VerSetConditionMask = found;
        return found(conditionMask, typeMask, condition);
    }
    versionhelpers::VerSetConditionMask = &ResolveVerSetConditionMask;
    return BuildConditionMask(conditionMask, typeMask, condition);
}

}  // namespace

TVerifyVersionInfoW VerifyVersionInfoW = &ResolveVerifyVersionInfoW;
TVerSetConditionMask VerSetConditionMask = &ResolveVerSetConditionMask;
TGetModuleHandleW GetModuleHandleWHook = nullptr;
TGetProcAddress GetProcAddressHook = nullptr;

void InitVersionBindings()
{
    VerifyVersionInfoW = &ResolveVerifyVersionInfoW;
    VerSetConditionMask = &ResolveVerSetConditionMask;
    FKernel32 = nullptr;
}

bool IsWindowsVersionOrGreater(WORD major, WORD minor, WORD servicePackMajor)
{
    OSVERSIONINFOEXW versionInfo = {};
    versionInfo.dwOSVersionInfoSize = sizeof(versionInfo);
    versionInfo.dwMajorVersion = major;
    versionInfo.dwMinorVersion = minor;
    versionInfo.wServicePackMajor = servicePackMajor;

    ULONGLONG conditionMask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    conditionMask = VerSetConditionMask(conditionMask, VER_MINORVERSION, VER_GREATER_EQUAL);
    conditionMask = VerSetConditionMask(conditionMask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);

    return VerifyVersionInfoW(&versionInfo, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                              conditionMask) != FALSE;
}

bool IsWindows8Point1OrGreater()
{
    return IsWindowsVersionOrGreater(6, 3, 0);
}

bool IsWindowsServer()
{
    OSVERSIONINFOEXW versionInfo = {};
    versionInfo.dwOSVersionInfoSize = sizeof(versionInfo);
    versionInfo.wProductType = VER_NT_WORKSTATION;
    const ULONGLONG conditionMask = VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_EQUAL);
    return VerifyVersionInfoW(&versionInfo, VER_PRODUCT_TYPE, conditionMask) == FALSE;
}

}  // namespace versionhelpers
