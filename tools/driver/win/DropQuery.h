#pragma once
// What the driver and its hook library agree on for a file drop. An HDROP
// is memory of the receiving process, so the hook builds it there, from a
// file list the driver leaves in a named mapping, and posts WM_DROPFILES as
// the shell does.

#include <windows.h>

#include <cstdint>
#include <string>

// Registered message sent to the top-level window; wParam is the driver's
// process ID (it names the mapping), lParam the drop point in client
// coordinates (MAKELPARAM). The hook answers 1 when it posted the drop.
inline const wchar_t kDropMessageName[] = L"NimdriveDropFiles.1";

// The mapping: a DropHeader followed by the paths, each ending with a
// null, and one more null.
struct DropHeader {
    std::uint32_t Bytes;  // of the path list, nulls included
};

inline std::wstring DropMappingName(DWORD driverPid)
{
    return L"Local\\NimdriveDrop." + std::to_wstring(driverPid);
}
