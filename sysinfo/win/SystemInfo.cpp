#include "sysinfo/win/SystemInfo.h"

#include "sysinfo/win/versionhelpers.h"

#include <lm.h>

#include <memory>
#include <vector>

namespace {

struct NetApiBufferDeleter {
    void operator()(void* buffer) const { NetApiBufferFree(buffer); }
};

}  // namespace

TVersionAnswer TPlatformSystemAnswers::Version()
{
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    // A failed call leaves the structure zero, which reads as "nothing known".
    GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info));
    return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.wServicePackMajor, info.wProductType};
}

std::uint16_t TPlatformSystemAnswers::NativeProcessorArchitecture()
{
    SYSTEM_INFO info = {};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture;
}

std::optional<TWorkstationVersion> TPlatformSystemAnswers::WorkstationVersion()
{
    LPBYTE buffer = nullptr;
    const NET_API_STATUS status = NetWkstaGetInfo(nullptr, 100, &buffer);
    const std::unique_ptr<void, NetApiBufferDeleter> owner(buffer);
    if (status != NERR_Success || !buffer)
        return std::nullopt;
    const auto* info = reinterpret_cast<const WKSTA_INFO_100*>(buffer);
    return TWorkstationVersion{info->wki100_ver_major, info->wki100_ver_minor};
}

std::optional<TFileVersion> TPlatformSystemAnswers::SystemFileVersion()
{
    const wchar_t* const fileName = L"kernel32.dll";
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(fileName, &unused);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(fileName, 0, size, data.data()))
        return std::nullopt;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    return TFileVersion{HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                        HIWORD(fixed->dwProductVersionLS)};
}

bool TPlatformSystemAnswers::IsServerRelease2()
{
    return GetSystemMetrics(SM_SERVERR2) != 0;
}

bool TPlatformSystemAnswers::IsWindowsServer()
{
    return versionhelpers::IsWindowsServer();
}

void LoadSystemFacts()
{
    TPlatformSystemAnswers answers;
    LoadSystemFacts(answers);
}

void InitSystemInfo()
{
    versionhelpers::InitVersionBindings();
    LoadSystemFacts();
}

std::wstring SystemLineForThisSystem()
{
    return ComposeSystemLine(versionhelpers::IsWindows8Point1OrGreater(), SystemFacts);
}
