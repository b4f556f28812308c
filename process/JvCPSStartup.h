#pragma once
// The start-up window hints of a child and how they become the fields of the
// system's start-up record. Portable; the Win32 side copies the result into
// a STARTUPINFOW.

#include "process/JvCPSTypes.h"

#include <cstdint>
#include <string>

// The twelve values a TJvCPSStartupInfo carries, with their defaults.
struct TJvCPSStartupValues {
    std::wstring Desktop;
    std::wstring Title;
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    bool DefaultPosition = true;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool DefaultSize = true;
    TJvCPSShowWindow ShowWindow = swNormal;
    bool DefaultWindowState = true;
    bool ForceOnFeedback = false;
    bool ForceOffFeedback = false;

    friend bool operator==(const TJvCPSStartupValues&, const TJvCPSStartupValues&) = default;
};

inline constexpr std::uint32_t STARTF_USESHOWWINDOW_VALUE = 0x1;
inline constexpr std::uint32_t STARTF_USESIZE_VALUE = 0x2;
inline constexpr std::uint32_t STARTF_USEPOSITION_VALUE = 0x4;
inline constexpr std::uint32_t STARTF_FORCEONFEEDBACK_VALUE = 0x40;
inline constexpr std::uint32_t STARTF_FORCEOFFFEEDBACK_VALUE = 0x80;
inline constexpr std::uint32_t STARTF_USESTDHANDLES_VALUE = 0x100;

// The fields of the start-up record; a field whose flag is absent stays 0.
struct TJvCPSStartupRecord {
    bool UseDesktop = false;  // lpDesktop points to Desktop
    bool UseTitle = false;    // lpTitle points to Title
    std::uint32_t X = 0;
    std::uint32_t Y = 0;
    std::uint32_t XSize = 0;
    std::uint32_t YSize = 0;
    std::uint16_t ShowWindow = 0;
    std::uint32_t Flags = 0;

    friend bool operator==(const TJvCPSStartupRecord&, const TJvCPSStartupRecord&) = default;
};

TJvCPSStartupRecord ComposeStartupRecord(const TJvCPSStartupValues& values) noexcept;
