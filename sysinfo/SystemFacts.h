#pragma once
// The facts about the running Windows (version, build, service pack,
// architecture, name) and the texts made from them: the descriptive text and
// the system line of the main window's header.
//
// Which questions are asked, in which order and under which conditions, is
// decided here; the answers come from a TSystemAnswers. On Windows that is
// the platform (sysinfo/win/SystemInfo.h); elsewhere anyone can supply them.
// Portable: no platform calls.

#include <cstdint>
#include <optional>
#include <string>

enum class TSystemArchitecture { saX86, saX64 };
using enum TSystemArchitecture;

struct TSystemFacts {
    std::int32_t MajorVersion = 0;
    std::int32_t MinorVersion = 0;
    std::int32_t BuildNumber = 0;
    std::int32_t ServicePackMajor = 0;
    TSystemArchitecture Architecture = saX86;  // the system's, not the process's
    std::wstring SystemName = L"Windows";
};

// The one process-wide set of facts, filled once at start-up.
extern TSystemFacts SystemFacts;

// wProductType of a workstation edition; every other type is a server.
constexpr std::uint8_t VER_NT_WORKSTATION_TYPE = 1;
constexpr std::uint16_t PROCESSOR_ARCHITECTURE_AMD64_CODE = 9;

// The answer to the version question: the fields of OSVERSIONINFOEXW that
// count here, all 0 when the question failed.
struct TVersionAnswer {
    std::uint32_t MajorVersion = 0;
    std::uint32_t MinorVersion = 0;
    std::uint32_t BuildNumber = 0;
    std::uint16_t ServicePackMajor = 0;
    std::uint8_t ProductType = 0;
};

struct TWorkstationVersion {
    std::uint32_t Major = 0;
    std::uint32_t Minor = 0;
};

// The product version of the system file.
struct TFileVersion {
    std::uint16_t Major = 0;
    std::uint16_t Minor = 0;
    std::uint16_t Build = 0;
};

// The source of the answers, asked in the order of the declarations, each
// question only under its condition (see LoadSystemFacts).
class TSystemAnswers {
public:
    virtual ~TSystemAnswers() = default;
    // 1: the version, as GetVersionExW reports it.
    virtual TVersionAnswer Version() = 0;
    // 2: wProcessorArchitecture of the native system.
    virtual std::uint16_t NativeProcessorArchitecture() = 0;
    // 3: the version the workstation service reports; nothing when it fails.
    virtual std::optional<TWorkstationVersion> WorkstationVersion() = 0;
    // 4: the product version of "kernel32.dll"; nothing when it cannot be read.
    virtual std::optional<TFileVersion> SystemFileVersion() = 0;
    // 5: whether the system is Windows Server 2003 R2.
    virtual bool IsServerRelease2() = 0;
    // 6: whether the system is not a workstation edition.
    virtual bool IsWindowsServer() = 0;
};

// Asks the questions and fills SystemFacts:
//   1 always; 2 from 5.1 on; 3 from 6.2 on (numbers of question 1); 4 when 3
//   was asked and did not answer; 5 when naming a 5.2 system that is not a
//   workstation on AMD64; 6 when naming a 6.3 system.
void LoadSystemFacts(TSystemAnswers& answers);

// The same, returning the facts instead of storing them.
TSystemFacts GatherSystemFacts(TSystemAnswers& answers);

// "Windows 7 Service Pack 1 (Version 6.1, Build 7601, 64-Bit-Edition)"
std::wstring DescribeSystem(const TSystemFacts& facts);

// The header line: the descriptive text, or for Windows 8.1 and newer a
// line that names the release from the version and build.
std::wstring ComposeSystemLine(bool isWindows8Point1OrGreater, const TSystemFacts& facts);
