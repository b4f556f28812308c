// Makes the loader load the libraries Nimbrel.exe imports, beyond those of a
// bare window: a pointer to one function of each is kept.

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <lm.h>
#include <shellapi.h>

void* volatile gNimbrelLibraries[5];

void TouchNimbrelLibraries()
{
    gNimbrelLibraries[0] = reinterpret_cast<void*>(&InitCommonControlsEx);
    gNimbrelLibraries[1] = reinterpret_cast<void*>(&GetOpenFileNameW);
    gNimbrelLibraries[2] = reinterpret_cast<void*>(&ShellExecuteW);
    gNimbrelLibraries[3] = reinterpret_cast<void*>(&NetWkstaGetInfo);
    gNimbrelLibraries[4] = reinterpret_cast<void*>(&GetFileVersionInfoSizeW);
}
