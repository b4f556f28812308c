#pragma once
// Keeps the driver from hanging beyond its own time limit: when a system
// call does not come back (seen under Wine now and then), the watchdog
// answers with what the driver was doing and ends the process.

#include <cstdint>
#include <string>

// Notes what the driver does now, for the watchdog's answer.
void SetPhase(const wchar_t* what, std::uintptr_t subject = 0);

// Starts the watchdog for this invocation: after limitMs it writes the JSON
// error (kind "hung", exit code 2) and terminates the process.
void StartWatchdog(const std::wstring& command, unsigned long limitMs);
