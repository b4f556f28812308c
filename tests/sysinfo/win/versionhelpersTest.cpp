#include "sysinfo/win/versionhelpers.h"

#include "sysinfo/VersionRules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The lookup the bindings see: counts every call, can report exports as
// missing, hand out a module handle of zero for a while, or put a recording
// function in place of an export.
struct TLookup {
    int ModuleCalls = 0;
    int ZeroModuleAnswers = 0;  // the first calls that find no module
    std::vector<std::wstring> ModuleNames;
    std::map<std::string, int> ProcCalls;
    std::set<std::string> Missing;
    std::map<std::string, FARPROC> Replaced;
};

TLookup* Lookup = nullptr;

HMODULE WINAPI FakeGetModuleHandleW(LPCWSTR name)
{
    ++Lookup->ModuleCalls;
    Lookup->ModuleNames.emplace_back(name);
    if (Lookup->ZeroModuleAnswers > 0) {
        --Lookup->ZeroModuleAnswers;
        return nullptr;
    }
    return ::GetModuleHandleW(name);
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name)
{
    ++Lookup->ProcCalls[name];
    if (Lookup->Missing.count(name))
        return nullptr;
    if (const auto replaced = Lookup->Replaced.find(name); replaced != Lookup->Replaced.end())
        return replaced->second;
    return ::GetProcAddress(module, name);
}

// What the recording VerifyVersionInfoW was called with, and its answer.
struct TVerifyCall {
    OSVERSIONINFOEXW Info;
    DWORD TypeMask;
    DWORDLONG ConditionMask;
};
std::vector<TVerifyCall> VerifyCalls;
BOOL VerifyResult = TRUE;

BOOL WINAPI RecordingVerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD typeMask, DWORDLONG conditionMask)
{
    VerifyCalls.push_back({*info, typeMask, conditionMask});
    return VerifyResult;
}

template <typename TFunction>
FARPROC AsFarProc(TFunction function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

FARPROC Kernel32Export(const char* name)
{
    return ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name);
}

// The version the system reports to the kernel, free of any compatibility
// shim.
TVersionTriple TrueVersion()
{
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    const auto rtlGetVersion = reinterpret_cast<TRtlGetVersion>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_EQ(rtlGetVersion(&info), 0);
    return {info.dwMajorVersion, info.dwMinorVersion, info.wServicePackMajor};
}

class VersionBindings : public testing::Test {
protected:
    void SetUp() override
    {
        Lookup = &FLookup;
        VerifyCalls.clear();
        VerifyResult = TRUE;
        versionhelpers::GetModuleHandleWHook = &FakeGetModuleHandleW;
        versionhelpers::GetProcAddressHook = &FakeGetProcAddress;
        versionhelpers::InitVersionBindings();
    }
    void TearDown() override
    {
        versionhelpers::GetModuleHandleWHook = nullptr;
        versionhelpers::GetProcAddressHook = nullptr;
        versionhelpers::InitVersionBindings();
        Lookup = nullptr;
    }

    TLookup FLookup;
};

TEST_F(VersionBindings, FoundExportsAreLookedUpOnce)
{
    const TVersionTriple system = TrueVersion();
    const bool expected81 = IsVersionAtLeast(system, {6, 3, 0});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(versionhelpers::IsWindows8Point1OrGreater(), expected81);
        EXPECT_TRUE(versionhelpers::IsWindowsVersionOrGreater(static_cast<WORD>(system.Major),
                                                              static_cast<WORD>(system.Minor), 0));
        EXPECT_FALSE(versionhelpers::IsWindowsVersionOrGreater(static_cast<WORD>(system.Major + 1), 0, 0));
    }
    EXPECT_EQ(FLookup.ProcCalls["VerifyVersionInfoW"], 1);
    EXPECT_EQ(FLookup.ProcCalls["VerSetConditionMask"], 1);
    EXPECT_EQ(FLookup.ModuleCalls, 1);
    EXPECT_EQ(FLookup.ModuleNames, std::vector<std::wstring>{L"Kernel32.dll"});
    // From now on the bindings lead straight to the platform.
    EXPECT_EQ(AsFarProc(versionhelpers::VerifyVersionInfoW), Kernel32Export("VerifyVersionInfoW"));
    EXPECT_EQ(AsFarProc(versionhelpers::VerSetConditionMask), Kernel32Export("VerSetConditionMask"));
}

TEST_F(VersionBindings, MissingVerifyVersionInfoIsLookedUpAtEveryCall)
{
    FLookup.Missing = {"VerifyVersionInfoW"};
    for (int i = 1; i <= 3; ++i) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(versionhelpers::IsWindows8Point1OrGreater());
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
        EXPECT_EQ(FLookup.ProcCalls["VerifyVersionInfoW"], i);
    }
    // The test that fails quietly reads as "not a workstation".
    EXPECT_TRUE(versionhelpers::IsWindowsServer());
    EXPECT_EQ(FLookup.ProcCalls["VerifyVersionInfoW"], 4);
    EXPECT_EQ(FLookup.ProcCalls["VerSetConditionMask"], 1);
    EXPECT_EQ(FLookup.ModuleCalls, 1);

    // Once it is there, it is bound.
    FLookup.Missing.clear();
    EXPECT_EQ(versionhelpers::IsWindows8Point1OrGreater(), IsVersionAtLeast(TrueVersion(), {6, 3, 0}));
    EXPECT_EQ(AsFarProc(versionhelpers::VerifyVersionInfoW), Kernel32Export("VerifyVersionInfoW"));
}

TEST_F(VersionBindings, MissingVerSetConditionMaskBuildsTheMaskLikeThePlatform)
{
    FLookup.Missing = {"VerSetConditionMask"};
    const struct {
        ULONGLONG Mask;
        DWORD Type;
        BYTE Condition;
    } cases[] = {
        {0, VER_MINORVERSION, VER_GREATER_EQUAL},
        {0, VER_MAJORVERSION, VER_GREATER_EQUAL},
        {0x18, VER_MINORVERSION, VER_GREATER_EQUAL},
        {0x1B, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL},
        {0, VER_BUILDNUMBER, VER_LESS},
        {0, VER_PLATFORMID, VER_EQUAL},
        {0, VER_SERVICEPACKMINOR, VER_GREATER},
        {0, VER_SUITENAME, VER_AND},
        {0, VER_SUITENAME, VER_OR},
        {0, VER_PRODUCT_TYPE, VER_EQUAL},
        {0, VER_PRODUCT_TYPE, VER_LESS_EQUAL},
        {0x8, VER_MAJORVERSION, VER_LESS},  // or-ed into the field
        {0, VER_MAJORVERSION | VER_MINORVERSION, VER_EQUAL},
        {0, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL},
        {0, VER_PRODUCT_TYPE | VER_MINORVERSION, VER_EQUAL},
        {0x123456789ULL, VER_MAJORVERSION, 0},
        {0x123456789ULL, 0, VER_EQUAL},
        {0, VER_MAJORVERSION, 0x0B},
        {0, VER_MAJORVERSION, 0x08},
        {0, 0x100, VER_EQUAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "mask " << c.Mask << " type " << c.Type << " condition "
                                        << int(c.Condition));
        SetLastError(0xBEEF);
        EXPECT_EQ(versionhelpers::VerSetConditionMask(c.Mask, c.Type, c.Condition),
                  ::VerSetConditionMask(c.Mask, c.Type, c.Condition));
        EXPECT_EQ(GetLastError(), 0xBEEFu);
    }
    EXPECT_EQ(FLookup.ProcCalls["VerSetConditionMask"], static_cast<int>(std::size(cases)));

    // The version test still works without it.
    EXPECT_EQ(versionhelpers::IsWindows8Point1OrGreater(), IsVersionAtLeast(TrueVersion(), {6, 3, 0}));
    EXPECT_EQ(FLookup.ProcCalls["VerifyVersionInfoW"], 1);
}

TEST_F(VersionBindings, ModuleHandleIsKeptOnlyOnceFound)
{
    FLookup.ZeroModuleAnswers = 4;
    SetLastError(ERROR_SUCCESS);
    // No module for the three masks and the test: the masks are built
    // without it, the test fails quietly, and every call asked again.
    EXPECT_FALSE(versionhelpers::IsWindowsVersionOrGreater(0, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    EXPECT_EQ(FLookup.ModuleCalls, 4);
    EXPECT_TRUE(FLookup.ProcCalls.empty());
    // The next call finds it, and it is kept.
    EXPECT_TRUE(versionhelpers::IsWindowsVersionOrGreater(0, 0, 0));
    EXPECT_TRUE(versionhelpers::IsWindowsVersionOrGreater(0, 0, 0));
    EXPECT_EQ(FLookup.ModuleCalls, 5);
    EXPECT_EQ(FLookup.ProcCalls["VerifyVersionInfoW"], 1);
    EXPECT_EQ(FLookup.ProcCalls["VerSetConditionMask"], 1);
    for (const std::wstring& name : FLookup.ModuleNames)
        EXPECT_EQ(name, L"Kernel32.dll");
}

TEST_F(VersionBindings, TestsHandTheirQuestionToThePlatform)
{
    FLookup.Replaced["VerifyVersionInfoW"] = AsFarProc(&RecordingVerifyVersionInfoW);

    OSVERSIONINFOEXW expected = {};
    expected.dwOSVersionInfoSize = 284;
    expected.dwMajorVersion = 10;
    expected.dwMinorVersion = 65535;
    expected.wServicePackMajor = 7;
    VerifyResult = 2;  // any value but FALSE passes
    EXPECT_TRUE(versionhelpers::IsWindowsVersionOrGreater(10, 65535, 7));
    VerifyResult = FALSE;
    EXPECT_FALSE(versionhelpers::IsWindowsVersionOrGreater(10, 65535, 7));
    ASSERT_EQ(VerifyCalls.size(), 2u);
    for (const TVerifyCall& call : VerifyCalls) {
        EXPECT_EQ(std::memcmp(&call.Info, &expected, sizeof(expected)), 0);
        EXPECT_EQ(call.TypeMask, 0x23u);
        EXPECT_EQ(call.ConditionMask, 0x1801Bu);
    }

    VerifyCalls.clear();
    OSVERSIONINFOEXW workstation = {};
    workstation.dwOSVersionInfoSize = 284;
    workstation.wProductType = VER_NT_WORKSTATION;
    VerifyResult = FALSE;
    EXPECT_TRUE(versionhelpers::IsWindowsServer());
    VerifyResult = TRUE;
    EXPECT_FALSE(versionhelpers::IsWindowsServer());
    ASSERT_EQ(VerifyCalls.size(), 2u);
    for (const TVerifyCall& call : VerifyCalls) {
        EXPECT_EQ(std::memcmp(&call.Info, &workstation, sizeof(workstation)), 0);
        EXPECT_EQ(call.TypeMask, static_cast<DWORD>(VER_PRODUCT_TYPE));
        EXPECT_EQ(call.ConditionMask, 0x200000u);
    }

    EXPECT_EQ(FLookup.ProcCalls["VerifyVersionInfoW"], 1);
    EXPECT_EQ(FLookup.ProcCalls["VerSetConditionMask"], 1);
}

// The platform's own comparison, which the 8.1 test relies on: a greater
// major version passes whatever the minor; the service pack counts only
// for an equal major and minor version.
TEST(VersionTest, PlatformComparesMajorThenMinorThenServicePack)
{
    const TVersionTriple system = TrueVersion();
    const auto major = static_cast<WORD>(system.Major);
    const auto minor = static_cast<WORD>(system.Minor);
    const auto servicePack = static_cast<WORD>(system.ServicePackMajor);
    const struct {
        WORD Major, Minor, ServicePack;
    } wanted[] = {
        {static_cast<WORD>(major - 1), 65535, 65535}, {major, minor, servicePack},
        {major, minor, static_cast<WORD>(servicePack + 1)}, {major, static_cast<WORD>(minor + 1), 0},
        {static_cast<WORD>(major + 1), 0, 0},        {6, 3, 0}, {6, 2, 99}, {6, 1, 1}, {5, 1, 3},
    };
    for (const auto& w : wanted) {
        SCOPED_TRACE(testing::Message() << w.Major << "." << w.Minor << " SP" << w.ServicePack);
        EXPECT_EQ(versionhelpers::IsWindowsVersionOrGreater(w.Major, w.Minor, w.ServicePack),
                  IsVersionAtLeast(system, {w.Major, w.Minor, w.ServicePack}));
    }
}

}  // namespace
