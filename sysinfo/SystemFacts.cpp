#include "sysinfo/SystemFacts.h"

#include "framework/Format.h"

TSystemFacts SystemFacts;

namespace {

bool IsAtLeast(std::uint32_t major, std::uint32_t minor, std::uint32_t wantedMajor, std::uint32_t wantedMinor)
{
    return major > wantedMajor || (major == wantedMajor && minor >= wantedMinor);
}

// The name table; the first row that fits wins, a version without a row
// keeps "Windows". Asks questions 5 and 6 only for the rows that need them.
std::wstring SystemNameFor(std::int32_t major, std::int32_t minor, std::uint8_t productType,
                           std::uint16_t processorArchitecture, TSystemAnswers& answers)
{
    const bool workstation = productType == VER_NT_WORKSTATION_TYPE;
    const auto is = [&](std::int32_t wantedMajor, std::int32_t wantedMinor) {
        return major == wantedMajor && minor == wantedMinor;
    };
    if (is(5, 0))
        return L"Windows 2000";
    if (is(5, 1))
        return L"Windows XP";
    if (is(5, 2)) {
        if (workstation && processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64_CODE)
            return L"Windows XP";
        return answers.IsServerRelease2() ? L"Windows Server 2003 R2" : L"Windows Server 2003";
    }
    if (is(6, 0))
        return workstation ? L"Windows Vista" : L"Windows Server 2008";
    if (is(6, 1))
        return workstation ? L"Windows 7" : L"Windows Server 2008 R2";
    if (is(6, 2))
        return workstation ? L"Windows 8" : L"Windows Server 2012";
    if (is(6, 3))
        return answers.IsWindowsServer() ? L"Windows Server 2012 R2" : L"Windows 8.1";
    if (is(10, 0))
        return L"Windows 10";
    return L"Windows";
}

}  // namespace

TSystemFacts GatherSystemFacts(TSystemAnswers& answers)
{
    TSystemFacts facts;

    const TVersionAnswer version = answers.Version();
    facts.MajorVersion = static_cast<std::int32_t>(version.MajorVersion);
    facts.MinorVersion = static_cast<std::int32_t>(version.MinorVersion);
    facts.BuildNumber = static_cast<std::int32_t>(version.BuildNumber);
    facts.ServicePackMajor = version.ServicePackMajor;

    std::uint16_t processorArchitecture = 0;
    if (IsAtLeast(version.MajorVersion, version.MinorVersion, 5, 1))
        processorArchitecture = answers.NativeProcessorArchitecture();
    facts.Architecture = processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64_CODE ? saX64 : saX86;

    // From 6.2 on the version question may be told 6.2 for any newer system
    // (a manifest without that system), so the workstation service decides the
    // version. Its answer has no build: question 1's build is right only when
    // both agree on the version.
    if (IsAtLeast(version.MajorVersion, version.MinorVersion, 6, 2)) {
        if (const auto workstation = answers.WorkstationVersion()) {
            const bool sameVersion =
                workstation->Major == version.MajorVersion && workstation->Minor == version.MinorVersion;
            facts.MajorVersion = static_cast<std::int32_t>(workstation->Major);
            facts.MinorVersion = static_cast<std::int32_t>(workstation->Minor);
            facts.BuildNumber = sameVersion ? facts.BuildNumber : 0;
        } else if (const auto file = answers.SystemFileVersion()) {
            facts.MajorVersion = file->Major;
            facts.MinorVersion = file->Minor;
            facts.BuildNumber = file->Build;
        } else {
            // Nothing confirms question 1: keep its version, not its build.
            facts.BuildNumber = 0;
        }
    }

    facts.SystemName = SystemNameFor(facts.MajorVersion, facts.MinorVersion, version.ProductType,
                                     processorArchitecture, answers);
    return facts;
}

void LoadSystemFacts(TSystemAnswers& answers)
{
    SystemFacts = GatherSystemFacts(answers);
}

namespace {

std::wstring EditionText(TSystemArchitecture architecture)
{
    return architecture == saX64 ? L"64-Bit-Edition" : L"32-Bit-Edition";
}

}  // namespace

std::wstring DescribeSystem(const TSystemFacts& facts)
{
    const wchar_t* templ = facts.ServicePackMajor != 0
                               ? L"%s Service Pack %4:d (Version %1:d.%2:d, Build %3:d, %5:s)"
                               : L"%s (Version %d.%d, Build %d, %5:s)";
    return FormatIndexed(templ, {facts.SystemName, std::int64_t{facts.MajorVersion},
                                 std::int64_t{facts.MinorVersion}, std::int64_t{facts.BuildNumber},
                                 std::int64_t{facts.ServicePackMajor}, EditionText(facts.Architecture)});
}

std::wstring ComposeSystemLine(bool isWindows8Point1OrGreater, const TSystemFacts& facts)
{
    if (!isWindows8Point1OrGreater)
        return L"Ihr System: " + DescribeSystem(facts);

    // Windows 10 and 11 both report 10.0; Windows 11 starts at build 22000.
    // 6.4 was the version of the early Windows 10 builds.
    const wchar_t* release = L"Windows 8.1";
    if (facts.MajorVersion == 10 && facts.MinorVersion == 0)
        release = facts.BuildNumber >= 22000 ? L"Windows 11" : L"Windows 10";
    else if (facts.MajorVersion == 6 && facts.MinorVersion == 4)
        release = L"Windows 10";

    return std::wstring(L"Ihr System: ") + release + L" (Version " + std::to_wstring(facts.MajorVersion) + L"." +
           std::to_wstring(facts.MinorVersion) + L", Build " + std::to_wstring(facts.BuildNumber) + L", " +
           EditionText(facts.Architecture) + L")";
}
