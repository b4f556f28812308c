// Makes the loader load the libraries Nimbrel.exe imports, beyond those of a
// bare window: a pointer to one function of each is kept.

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <uxtheme.h>

void* volatile gNimbrelLibraries[3];

void TouchNimbrelLibraries()
{
    gNimbrelLibraries[0] = reinterpret_cast<void*>(&InitCommonControlsEx);
    gNimbrelLibraries[1] = reinterpret_cast<void*>(&OleInitialize);
    gNimbrelLibraries[2] = reinterpret_cast<void*>(&IsAppThemed);
}
