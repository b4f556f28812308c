#include "sysinfo/win/SystemInfo.h"

#include "framework/win/SystemLibrary.h"
#include "sysinfo/win/versionhelpers.h"

#include <lm.h>

#include <memory>
#include <vector>

namespace {

// The workstation service and the file version are asked only from
// Windows 8 on: their libraries are loaded then, not at every start.
using TNetWkstaGetInfo = NET_API_STATUS(WINAPI*)(LMSTR, DWORD, LPBYTE*);
using TNetApiBufferFree = NET_API_STATUS(WINAPI*)(LPVOID);
using TGetFileVersionInfoSizeW = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using TGetFileVersionInfoW = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using TVerQueryValueW = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

struct NetApiBufferDeleter {
    void operator()(void* buffer) const
    {
        static const auto free = SystemFunction<TNetApiBufferFree>(L"netapi32.dll", "NetApiBufferFree");
        if (free != nullptr)
            free(buffer);
    }
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
    static const auto getInfo = SystemFunction<TNetWkstaGetInfo>(L"netapi32.dll", "NetWkstaGetInfo");
    if (getInfo == nullptr)
        return std::nullopt;
    LPBYTE buffer = nullptr;
    const NET_API_STATUS status = getInfo(nullptr, 100, &buffer);
    const std::unique_ptr<void, NetApiBufferDeleter> owner(buffer);
    if (status != NERR_Success || !buffer)
        return std::nullopt;
    const auto* info = reinterpret_cast<const WKSTA_INFO_100*>(buffer);
    return TWorkstationVersion{info->wki100_ver_major, info->wki100_ver_minor};
}

std::optional<TFileVersion> TPlatformSystemAnswers::SystemFileVersion()
{
    static const auto getSize = SystemFunction<TGetFileVersionInfoSizeW>(L"version.dll", "GetFileVersionInfoSizeW");
    static const auto getInfo = SystemFunction<TGetFileVersionInfoW>(L"version.dll", "GetFileVersionInfoW");
    static const auto query = SystemFunction<TVerQueryValueW>(L"version.dll", "VerQueryValueW");
    if (getSize == nullptr || getInfo == nullptr || query == nullptr)
        return std::nullopt;
    const wchar_t* const fileName = L"kernel32.dll";
    DWORD unused = 0;
    const DWORD size = getSize(fileName, &unused);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (!getInfo(fileName, 0, size, data.data()))
        return std::nullopt;
    void* value = nullptr;
    UINT length = 0;
    if (!query(data.data(), L"\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO))
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
