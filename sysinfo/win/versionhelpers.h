#pragma once
// Windows version tests. VerifyVersionInfoW and VerSetConditionMask are
// looked up by name in Kernel32.dll at their first use, so that a system
// without them gets a quiet "no" instead of a program that does not load.
// Everything here goes through the two bindings below.

#include <windows.h>

namespace versionhelpers {

using TVerifyVersionInfoW = BOOL(WINAPI*)(LPOSVERSIONINFOEXW, DWORD, DWORDLONG);
using TVerSetConditionMask = ULONGLONG(WINAPI*)(ULONGLONG, DWORD, BYTE);

// Each binding starts at its resolver. A found export replaces it for the
// rest of the run; a missing one leaves the resolver in place, which looks
// again at the next call:
//   VerifyVersionInfoW then sets ERROR_CALL_NOT_IMPLEMENTED and returns FALSE,
//   VerSetConditionMask builds the mask itself and leaves the last error.
extern TVerifyVersionInfoW VerifyVersionInfoW;
extern TVerSetConditionMask VerSetConditionMask;

// Points both bindings at their resolvers and forgets the module handle.
void InitVersionBindings();

// The lookup the resolvers use: the platform's GetModuleHandleW and
// GetProcAddress unless a test puts its own here (then it calls
// InitVersionBindings, and puts nullptr back to restore the platform's).
using TGetModuleHandleW = HMODULE(WINAPI*)(LPCWSTR);
using TGetProcAddress = FARPROC(WINAPI*)(HMODULE, LPCSTR);
extern TGetModuleHandleW GetModuleHandleWHook;
extern TGetProcAddress GetProcAddressHook;

// True when the running system's version is at least major.minor with the
// given service pack. The platform compares major, then minor, then service
// pack: a greater major version passes whatever the rest.
bool IsWindowsVersionOrGreater(WORD major, WORD minor, WORD servicePackMajor);
bool IsWindows8Point1OrGreater();
// True when the system is not a workstation edition.
bool IsWindowsServer();

}  // namespace versionhelpers
