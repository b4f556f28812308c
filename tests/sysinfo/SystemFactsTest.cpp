#include "sysinfo/SystemFacts.h"
#include "sysinfo/VersionRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

namespace {

enum class Q { Version, Architecture, Workstation, FileVersion, ServerR2, Server };

const char* Name(Q q)
{
    switch (q) {
    case Q::Version: return "Version";
    case Q::Architecture: return "Architecture";
    case Q::Workstation: return "Workstation";
    case Q::FileVersion: return "FileVersion";
    case Q::ServerR2: return "ServerR2";
    case Q::Server: return "Server";
    }
    return "?";
}

std::ostream& operator<<(std::ostream& os, Q q) { return os << Name(q); }

// What a system answers to the six questions.
struct Answers {
    TVersionAnswer Version;
    std::uint16_t Architecture = 0;
    std::optional<TWorkstationVersion> Workstation;
    std::optional<TFileVersion> File;
    bool ServerR2 = false;
    bool Server = false;
};

// Answers from a table and records which questions were asked, in order.
class FakeAnswers : public TSystemAnswers {
public:
    explicit FakeAnswers(Answers answers) : FAnswers(std::move(answers)) {}

    TVersionAnswer Version() override { Asked.push_back(Q::Version); return FAnswers.Version; }
    std::uint16_t NativeProcessorArchitecture() override
    {
        Asked.push_back(Q::Architecture);
        return FAnswers.Architecture;
    }
    std::optional<TWorkstationVersion> WorkstationVersion() override
    {
        Asked.push_back(Q::Workstation);
        return FAnswers.Workstation;
    }
    std::optional<TFileVersion> SystemFileVersion() override
    {
        Asked.push_back(Q::FileVersion);
        return FAnswers.File;
    }
    bool IsServerRelease2() override { Asked.push_back(Q::ServerR2); return FAnswers.ServerR2; }
    bool IsWindowsServer() override { Asked.push_back(Q::Server); return FAnswers.Server; }

    std::vector<Q> Asked;

private:
    Answers FAnswers;
};

constexpr std::uint8_t Workstation = 1;
constexpr std::uint8_t DomainController = 2;
constexpr std::uint8_t Server = 3;
constexpr std::uint16_t Intel = 0;
constexpr std::uint16_t Itanium = 6;
constexpr std::uint16_t Amd64 = 9;
constexpr std::uint16_t Arm64 = 12;

const std::vector<Q> UpTo61 = {Q::Version, Q::Architecture};
const std::vector<Q> WorkstationAnswered = {Q::Version, Q::Architecture, Q::Workstation};
const std::vector<Q> FileAsked = {Q::Version, Q::Architecture, Q::Workstation, Q::FileVersion};

struct Row {
    const char* System;
    Answers Given;
    std::vector<Q> Asked;
    TSystemFacts Facts;
    bool Is81;  // what the platform's 8.1 test answers on that system
    const wchar_t* Line;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.System; }

class SystemLineRows : public testing::TestWithParam<Row> {};

TEST_P(SystemLineRows, AnswersGiveFactsAndLine)
{
    const Row& row = GetParam();
    FakeAnswers answers(row.Given);
    const TSystemFacts facts = GatherSystemFacts(answers);

    EXPECT_EQ(answers.Asked, row.Asked);
    EXPECT_EQ(facts.MajorVersion, row.Facts.MajorVersion);
    EXPECT_EQ(facts.MinorVersion, row.Facts.MinorVersion);
    EXPECT_EQ(facts.BuildNumber, row.Facts.BuildNumber);
    EXPECT_EQ(facts.ServicePackMajor, row.Facts.ServicePackMajor);
    EXPECT_EQ(facts.Architecture, row.Facts.Architecture);
    EXPECT_EQ(facts.SystemName, row.Facts.SystemName);
    EXPECT_EQ(ComposeSystemLine(row.Is81, facts), row.Line);
}

// The 8.1 test is the platform's comparison on the version it tells the
// program; with a manifest that names the system that is question 1's answer.
TEST_P(SystemLineRows, EightPointOneTestFollowsTheReportedVersion)
{
    const Row& row = GetParam();
    const TVersionAnswer& v = row.Given.Version;
    EXPECT_EQ(IsVersionAtLeast({v.MajorVersion, v.MinorVersion, v.ServicePackMajor}, {6, 3, 0}), row.Is81);
}

TSystemFacts Facts(std::int32_t major, std::int32_t minor, std::int32_t build, std::int32_t sp,
                   TSystemArchitecture arch, const wchar_t* name)
{
    return {major, minor, build, sp, arch, name};
}

const Row Rows[] = {
    // The examples of the system line.
    {"Windows 7 SP1, 64-bit",
     {{6, 1, 7601, 1, Workstation}, Amd64},
     UpTo61, Facts(6, 1, 7601, 1, saX64, L"Windows 7"), false,
     L"Ihr System: Windows 7 Service Pack 1 (Version 6.1, Build 7601, 64-Bit-Edition)"},
    {"Windows Vista SP2, 32-bit",
     {{6, 0, 6002, 2, Workstation}, Intel},
     UpTo61, Facts(6, 0, 6002, 2, saX86, L"Windows Vista"), false,
     L"Ihr System: Windows Vista Service Pack 2 (Version 6.0, Build 6002, 32-Bit-Edition)"},
    // The workstation service confirms 6.2, so question 1's build stands.
    {"Windows 8, 64-bit, workstation answers 6.2",
     {{6, 2, 9200, 0, Workstation}, Amd64, TWorkstationVersion{6, 2}},
     WorkstationAnswered, Facts(6, 2, 9200, 0, saX64, L"Windows 8"), false,
     L"Ihr System: Windows 8 (Version 6.2, Build 9200, 64-Bit-Edition)"},
    {"Windows 8.1, 64-bit, workstation answers 6.3",
     {{6, 3, 9600, 0, Workstation}, Amd64, TWorkstationVersion{6, 3}},
     {Q::Version, Q::Architecture, Q::Workstation, Q::Server}, Facts(6, 3, 9600, 0, saX64, L"Windows 8.1"), true,
     L"Ihr System: Windows 8.1 (Version 6.3, Build 9600, 64-Bit-Edition)"},
    {"Windows 8.1, 32-bit, workstation fails, kernel32.dll 6.3.9600",
     {{6, 3, 9600, 0, Workstation}, Intel, std::nullopt, TFileVersion{6, 3, 9600}},
     {Q::Version, Q::Architecture, Q::Workstation, Q::FileVersion, Q::Server},
     Facts(6, 3, 9600, 0, saX86, L"Windows 8.1"), true,
     L"Ihr System: Windows 8.1 (Version 6.3, Build 9600, 32-Bit-Edition)"},
    {"Windows 10 1809, 64-bit, workstation answers 10.0",
     {{10, 0, 17763, 0, Workstation}, Amd64, TWorkstationVersion{10, 0}},
     WorkstationAnswered, Facts(10, 0, 17763, 0, saX64, L"Windows 10"), true,
     L"Ihr System: Windows 10 (Version 10.0, Build 17763, 64-Bit-Edition)"},
    {"6.4, 32-bit, workstation answers 6.4",
     {{6, 4, 9841, 0, Workstation}, Intel, TWorkstationVersion{6, 4}},
     WorkstationAnswered, Facts(6, 4, 9841, 0, saX86, L"Windows"), true,
     L"Ihr System: Windows 10 (Version 6.4, Build 9841, 32-Bit-Edition)"},

    // Windows 10 and 11 by their builds.
    {"Windows 10 22H2, 64-bit",
     {{10, 0, 19045, 0, Workstation}, Amd64, TWorkstationVersion{10, 0}},
     WorkstationAnswered, Facts(10, 0, 19045, 0, saX64, L"Windows 10"), true,
     L"Ihr System: Windows 10 (Version 10.0, Build 19045, 64-Bit-Edition)"},
    {"Windows 11 21H2, 64-bit",
     {{10, 0, 22000, 0, Workstation}, Amd64, TWorkstationVersion{10, 0}},
     WorkstationAnswered, Facts(10, 0, 22000, 0, saX64, L"Windows 10"), true,
     L"Ihr System: Windows 11 (Version 10.0, Build 22000, 64-Bit-Edition)"},
    {"Windows 11 23H2, 64-bit",
     {{10, 0, 22631, 0, Workstation}, Amd64, TWorkstationVersion{10, 0}},
     WorkstationAnswered, Facts(10, 0, 22631, 0, saX64, L"Windows 10"), true,
     L"Ihr System: Windows 11 (Version 10.0, Build 22631, 64-Bit-Edition)"},
    {"Windows 11 on ARM",
     {{10, 0, 22631, 0, Workstation}, Arm64, TWorkstationVersion{10, 0}},
     WorkstationAnswered, Facts(10, 0, 22631, 0, saX86, L"Windows 10"), true,
     L"Ihr System: Windows 11 (Version 10.0, Build 22631, 32-Bit-Edition)"},
    // Only the file knows the build: Windows 11 recognised from it.
    {"Windows 11, workstation fails, kernel32.dll 10.0.22621",
     {{10, 0, 22621, 0, Workstation}, Amd64, std::nullopt, TFileVersion{10, 0, 22621}},
     FileAsked, Facts(10, 0, 22621, 0, saX64, L"Windows 10"), true,
     L"Ihr System: Windows 11 (Version 10.0, Build 22621, 64-Bit-Edition)"},

    // A manifest without the newer system: question 1 and the version test say
    // 6.2, the workstation service tells the truth. Question 1's build is
    // then that of the wrong version and not shown.
    {"Windows 10 behind a 6.2 answer",
     {{6, 2, 9200, 0, Workstation}, Amd64, TWorkstationVersion{10, 0}},
     WorkstationAnswered, Facts(10, 0, 0, 0, saX64, L"Windows 10"), false,
     L"Ihr System: Windows 10 (Version 10.0, Build 0, 64-Bit-Edition)"},
    {"Windows 8.1 behind a 6.2 answer",
     {{6, 2, 9200, 0, Workstation}, Intel, TWorkstationVersion{6, 3}},
     {Q::Version, Q::Architecture, Q::Workstation, Q::Server}, Facts(6, 3, 0, 0, saX86, L"Windows 8.1"), false,
     L"Ihr System: Windows 8.1 (Version 6.3, Build 0, 32-Bit-Edition)"},
    {"Windows 10 behind a 6.2 answer, workstation fails, kernel32.dll 10.0.19041",
     {{6, 2, 9200, 0, Workstation}, Amd64, std::nullopt, TFileVersion{10, 0, 19041}},
     FileAsked, Facts(10, 0, 19041, 0, saX64, L"Windows 10"), false,
     L"Ihr System: Windows 10 (Version 10.0, Build 19041, 64-Bit-Edition)"},

    // Failures.
    {"version question fails",
     {{}, Amd64, TWorkstationVersion{10, 0}, TFileVersion{10, 0, 19045}, true, true},
     {Q::Version}, Facts(0, 0, 0, 0, saX86, L"Windows"), false,
     L"Ihr System: Windows (Version 0.0, Build 0, 32-Bit-Edition)"},
    {"neither workstation nor file answers",
     {{10, 0, 19045, 0, Workstation}, Amd64, std::nullopt, std::nullopt},
     FileAsked, Facts(10, 0, 0, 0, saX64, L"Windows 10"), true,
     L"Ihr System: Windows 10 (Version 10.0, Build 0, 64-Bit-Edition)"},
    {"6.3, neither workstation nor file answers",
     {{6, 3, 9600, 0, Server}, Amd64, std::nullopt, std::nullopt, false, true},
     {Q::Version, Q::Architecture, Q::Workstation, Q::FileVersion, Q::Server},
     Facts(6, 3, 0, 0, saX64, L"Windows Server 2012 R2"), true,
     L"Ihr System: Windows 8.1 (Version 6.3, Build 0, 64-Bit-Edition)"},

    // Servers: their names only in the descriptive text.
    {"Windows Server 2012 R2",
     {{6, 3, 9600, 0, Server}, Amd64, TWorkstationVersion{6, 3}, std::nullopt, false, true},
     {Q::Version, Q::Architecture, Q::Workstation, Q::Server}, Facts(6, 3, 9600, 0, saX64, L"Windows Server 2012 R2"),
     true, L"Ihr System: Windows 8.1 (Version 6.3, Build 9600, 64-Bit-Edition)"},
    {"Windows Server 2012",
     {{6, 2, 9200, 0, DomainController}, Amd64, TWorkstationVersion{6, 2}},
     WorkstationAnswered, Facts(6, 2, 9200, 0, saX64, L"Windows Server 2012"), false,
     L"Ihr System: Windows Server 2012 (Version 6.2, Build 9200, 64-Bit-Edition)"},
    {"Windows Server 2008 R2 SP1",
     {{6, 1, 7601, 1, Server}, Amd64},
     UpTo61, Facts(6, 1, 7601, 1, saX64, L"Windows Server 2008 R2"), false,
     L"Ihr System: Windows Server 2008 R2 Service Pack 1 (Version 6.1, Build 7601, 64-Bit-Edition)"},
    {"Windows Server 2008 SP2 on Itanium",
     {{6, 0, 6002, 2, Server}, Itanium},
     UpTo61, Facts(6, 0, 6002, 2, saX86, L"Windows Server 2008"), false,
     L"Ihr System: Windows Server 2008 Service Pack 2 (Version 6.0, Build 6002, 32-Bit-Edition)"},

    // 5.2: Windows XP x64 or one of the two Server 2003.
    {"Windows XP x64 SP2",
     {{5, 2, 3790, 2, Workstation}, Amd64, std::nullopt, std::nullopt, true},
     UpTo61, Facts(5, 2, 3790, 2, saX64, L"Windows XP"), false,
     L"Ihr System: Windows XP Service Pack 2 (Version 5.2, Build 3790, 64-Bit-Edition)"},
    {"Windows Server 2003 R2 SP2, 32-bit",
     {{5, 2, 3790, 2, Server}, Intel, std::nullopt, std::nullopt, true},
     {Q::Version, Q::Architecture, Q::ServerR2}, Facts(5, 2, 3790, 2, saX86, L"Windows Server 2003 R2"), false,
     L"Ihr System: Windows Server 2003 R2 Service Pack 2 (Version 5.2, Build 3790, 32-Bit-Edition)"},
    {"Windows Server 2003, 64-bit",
     {{5, 2, 3790, 0, Server}, Amd64, std::nullopt, std::nullopt, false},
     {Q::Version, Q::Architecture, Q::ServerR2}, Facts(5, 2, 3790, 0, saX64, L"Windows Server 2003"), false,
     L"Ihr System: Windows Server 2003 (Version 5.2, Build 3790, 64-Bit-Edition)"},
    {"5.2 workstation on Itanium",
     {{5, 2, 3790, 0, Workstation}, Itanium, std::nullopt, std::nullopt, false},
     {Q::Version, Q::Architecture, Q::ServerR2}, Facts(5, 2, 3790, 0, saX86, L"Windows Server 2003"), false,
     L"Ihr System: Windows Server 2003 (Version 5.2, Build 3790, 32-Bit-Edition)"},

    // Below 5.1 not even the processor is asked.
    {"Windows XP SP3",
     {{5, 1, 2600, 3, Workstation}, Intel},
     UpTo61, Facts(5, 1, 2600, 3, saX86, L"Windows XP"), false,
     L"Ihr System: Windows XP Service Pack 3 (Version 5.1, Build 2600, 32-Bit-Edition)"},
    {"Windows 2000 SP4",
     {{5, 0, 2195, 4, Workstation}, Amd64},
     {Q::Version}, Facts(5, 0, 2195, 4, saX86, L"Windows 2000"), false,
     L"Ihr System: Windows 2000 Service Pack 4 (Version 5.0, Build 2195, 32-Bit-Edition)"},

    // Versions without a row keep "Windows".
    {"10.1",
     {{10, 1, 30000, 0, Workstation}, Amd64, TWorkstationVersion{10, 1}},
     WorkstationAnswered, Facts(10, 1, 30000, 0, saX64, L"Windows"), true,
     L"Ihr System: Windows 8.1 (Version 10.1, Build 30000, 64-Bit-Edition)"},
    {"11.0",
     {{11, 0, 30000, 0, Workstation}, Amd64, TWorkstationVersion{11, 0}},
     WorkstationAnswered, Facts(11, 0, 30000, 0, saX64, L"Windows"), true,
     L"Ihr System: Windows 8.1 (Version 11.0, Build 30000, 64-Bit-Edition)"},
};

INSTANTIATE_TEST_SUITE_P(Systems, SystemLineRows, testing::ValuesIn(Rows));

TEST(LoadSystemFacts, FillsTheProcessWideFacts)
{
    FakeAnswers answers({{6, 1, 7601, 1, Workstation}, Amd64});
    LoadSystemFacts(answers);
    EXPECT_EQ(DescribeSystem(SystemFacts), L"Windows 7 Service Pack 1 (Version 6.1, Build 7601, 64-Bit-Edition)");
    SystemFacts = {};
}

// Which questions a version brings, the version being question 1's answer.
TEST(LoadSystemFacts, ConditionsUseTheNumbersOfQuestionOne)
{
    struct Case {
        std::uint32_t Major, Minor;
        bool AsksArchitecture, AsksWorkstation;
    } const cases[] = {
        {4, 10, false, false}, {5, 0, false, false}, {5, 1, true, false},  {5, 99, true, false},
        {6, 0, true, false},   {6, 1, true, false},  {6, 2, true, true},   {7, 0, true, true},
        {10, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Major << "." << c.Minor);
        FakeAnswers answers({{c.Major, c.Minor, 1000, 0, Workstation}, Amd64, TWorkstationVersion{c.Major, c.Minor}});
        const TSystemFacts facts = GatherSystemFacts(answers);
        const auto asked = [&](Q q) { return std::count(answers.Asked.begin(), answers.Asked.end(), q) == 1; };
        EXPECT_EQ(asked(Q::Architecture), c.AsksArchitecture);
        EXPECT_EQ(asked(Q::Workstation), c.AsksWorkstation);
        EXPECT_FALSE(asked(Q::FileVersion));
        EXPECT_EQ(facts.Architecture, c.AsksArchitecture ? saX64 : saX86);
    }
}

TEST(DescribeSystem, ServicePackSelectsTheTemplate)
{
    EXPECT_EQ(DescribeSystem(Facts(6, 1, 7600, 0, saX86, L"Windows 7")),
              L"Windows 7 (Version 6.1, Build 7600, 32-Bit-Edition)");
    EXPECT_EQ(DescribeSystem(Facts(6, 1, 7601, 1, saX86, L"Windows 7")),
              L"Windows 7 Service Pack 1 (Version 6.1, Build 7601, 32-Bit-Edition)");
    EXPECT_EQ(DescribeSystem(Facts(6, 2, 0, 0, saX86, L"Windows 8")), L"Windows 8 (Version 6.2, Build 0, 32-Bit-Edition)");
    // Numbers are signed decimal without padding.
    EXPECT_EQ(DescribeSystem(Facts(-1, 10, 12345, -2, saX64, L"X")),
              L"X Service Pack -2 (Version -1.10, Build 12345, 64-Bit-Edition)");
}

TEST(ComposeSystemLine, NewerBranchIgnoresNameAndServicePack)
{
    const TSystemFacts server = Facts(6, 3, 9600, 3, saX64, L"Windows Server 2012 R2");
    EXPECT_EQ(ComposeSystemLine(true, server), L"Ihr System: Windows 8.1 (Version 6.3, Build 9600, 64-Bit-Edition)");
    EXPECT_EQ(ComposeSystemLine(false, server),
              L"Ihr System: Windows Server 2012 R2 Service Pack 3 (Version 6.3, Build 9600, 64-Bit-Edition)");
}

TEST(ComposeSystemLine, WindowsElevenStartsAtBuild22000)
{
    const struct {
        std::int32_t Build;
        const wchar_t* Line;
    } cases[] = {
        {0, L"Ihr System: Windows 10 (Version 10.0, Build 0, 64-Bit-Edition)"},
        {10240, L"Ihr System: Windows 10 (Version 10.0, Build 10240, 64-Bit-Edition)"},
        {21999, L"Ihr System: Windows 10 (Version 10.0, Build 21999, 64-Bit-Edition)"},
        {22000, L"Ihr System: Windows 11 (Version 10.0, Build 22000, 64-Bit-Edition)"},
        {26100, L"Ihr System: Windows 11 (Version 10.0, Build 26100, 64-Bit-Edition)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeSystemLine(true, Facts(10, 0, c.Build, 0, saX64, L"Windows 10")), c.Line);
    // The build decides only for 10.0.
    EXPECT_EQ(ComposeSystemLine(true, Facts(6, 4, 22000, 0, saX64, L"Windows")),
              L"Ihr System: Windows 10 (Version 6.4, Build 22000, 64-Bit-Edition)");
    EXPECT_EQ(ComposeSystemLine(true, Facts(6, 3, 22000, 0, saX64, L"Windows 8.1")),
              L"Ihr System: Windows 8.1 (Version 6.3, Build 22000, 64-Bit-Edition)");
}

}  // namespace
