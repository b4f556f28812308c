#pragma once
// The system line on Windows: the platform answers the system questions.

#include "sysinfo/SystemFacts.h"

#include <string>

// The answers of the running system:
//   1 GetVersionExW, 2 GetNativeSystemInfo, 3 NetWkstaGetInfo (level 100),
//   4 the product version in the version resource of "kernel32.dll",
//   5 GetSystemMetrics(SM_SERVERR2), 6 versionhelpers::IsWindowsServer.
class TPlatformSystemAnswers : public TSystemAnswers {
public:
    TVersionAnswer Version() override;
    std::uint16_t NativeProcessorArchitecture() override;
    std::optional<TWorkstationVersion> WorkstationVersion() override;
    std::optional<TFileVersion> SystemFileVersion() override;
    bool IsServerRelease2() override;
    bool IsWindowsServer() override;
};

// Fills SystemFacts from the running system.
void LoadSystemFacts();

// The start-up step: the version bindings at their resolvers, then the facts.
// Runs once, before the main window exists.
void InitSystemInfo();

// The line for the main window's header, from the 8.1 test and SystemFacts.
std::wstring SystemLineForThisSystem();
