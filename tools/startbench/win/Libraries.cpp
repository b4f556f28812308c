// Makes the loader load the libraries Nimbrel.exe imports, beyond those of a
// bare window: a pointer to one function of each is kept.

#include <windows.h>

#include <commctrl.h>
#include <lm.h>
#include <uxtheme.h>

void* volatile gNimbrelLibraries[4];

void TouchNimbrelLibraries()
{
    gNimbrelLibraries[0] = reinterpret_cast<void*>(&InitCommonControlsEx);
    gNimbrelLibraries[1] = reinterpret_cast<void*>(&NetWkstaGetInfo);
    gNimbrelLibraries[2] = reinterpret_cast<void*>(&GetFileVersionInfoSizeW);
    gNimbrelLibraries[3] = reinterpret_cast<void*>(&IsAppThemed);
}
