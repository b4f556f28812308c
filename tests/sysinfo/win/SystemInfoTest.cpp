#include "sysinfo/win/SystemInfo.h"

#include "sysinfo/VersionRules.h"
#include "sysinfo/win/versionhelpers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What the kernel knows about the system, free of compatibility shims.
OSVERSIONINFOEXW TrueVersion()
{
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    const auto rtlGetVersion = reinterpret_cast<TRtlGetVersion>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_EQ(rtlGetVersion(&info), 0);
    return info;
}

// This program declares the same systems as Nimbrel, so the platform tells
// it the true version.
TEST(PlatformSystemAnswers, AnswerWithTheTrueVersion)
{
    const OSVERSIONINFOEXW truth = TrueVersion();
    TPlatformSystemAnswers answers;

    const TVersionAnswer version = answers.Version();
    EXPECT_EQ(version.MajorVersion, truth.dwMajorVersion);
    EXPECT_EQ(version.MinorVersion, truth.dwMinorVersion);
    EXPECT_EQ(version.BuildNumber, truth.dwBuildNumber);
    EXPECT_EQ(version.ServicePackMajor, truth.wServicePackMajor);
    EXPECT_EQ(version.ProductType, truth.wProductType);

    const auto workstation = answers.WorkstationVersion();
    ASSERT_TRUE(workstation.has_value());
    EXPECT_EQ(workstation->Major, truth.dwMajorVersion);
    EXPECT_EQ(workstation->Minor, truth.dwMinorVersion);

    // The file's version is the file's, not necessarily the system's.
    const auto file = answers.SystemFileVersion();
    ASSERT_TRUE(file.has_value());
    EXPECT_GE(file->Major, 5);

    EXPECT_EQ(answers.IsWindowsServer(), truth.wProductType != VER_NT_WORKSTATION);
#if defined(__x86_64__)
    EXPECT_EQ(answers.NativeProcessorArchitecture(), PROCESSOR_ARCHITECTURE_AMD64);
#endif
}

std::wstring ExpectedName(const OSVERSIONINFOEXW& truth)
{
    const bool workstation = truth.wProductType == VER_NT_WORKSTATION;
    const auto is = [&](DWORD major, DWORD minor) {
        return truth.dwMajorVersion == major && truth.dwMinorVersion == minor;
    };
    if (is(6, 0))
        return workstation ? L"Windows Vista" : L"Windows Server 2008";
    if (is(6, 1))
        return workstation ? L"Windows 7" : L"Windows Server 2008 R2";
    if (is(6, 2))
        return workstation ? L"Windows 8" : L"Windows Server 2012";
    if (is(6, 3))
        return workstation ? L"Windows 8.1" : L"Windows Server 2012 R2";
    if (is(10, 0))
        return L"Windows 10";
    return L"Windows";
}

TEST(LoadSystemFacts, GivesTheFactsOfTheRunningSystem)
{
    const OSVERSIONINFOEXW truth = TrueVersion();
    InitSystemInfo();

    EXPECT_EQ(SystemFacts.MajorVersion, static_cast<std::int32_t>(truth.dwMajorVersion));
    EXPECT_EQ(SystemFacts.MinorVersion, static_cast<std::int32_t>(truth.dwMinorVersion));
    // The workstation service agrees with the version question, so the build
    // is the system's.
    EXPECT_EQ(SystemFacts.BuildNumber, static_cast<std::int32_t>(truth.dwBuildNumber));
    EXPECT_EQ(SystemFacts.ServicePackMajor, truth.wServicePackMajor);
    EXPECT_EQ(SystemFacts.SystemName, ExpectedName(truth));
#if defined(__x86_64__)
    EXPECT_EQ(SystemFacts.Architecture, saX64);
#endif

    const bool is81 = IsVersionAtLeast({truth.dwMajorVersion, truth.dwMinorVersion, truth.wServicePackMajor}, {6, 3, 0});
    EXPECT_EQ(versionhelpers::IsWindows8Point1OrGreater(), is81);
    const std::wstring line = SystemLineForThisSystem();
    EXPECT_EQ(line, ComposeSystemLine(is81, SystemFacts));
    const std::wstring build = L", Build " + std::to_wstring(truth.dwBuildNumber) + L", ";
    EXPECT_NE(line.find(build), std::wstring::npos) << testing::PrintToString(line);
}

}  // namespace
