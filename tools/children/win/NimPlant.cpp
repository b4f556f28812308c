// nimplant.dll: marks the process that loads it by setting the variable
// NIMBREL_PLANTED_DLL to "loaded". Tests plant it under a system library's
// name and check that the name is never loaded from the wrong folder.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        SetEnvironmentVariableW(L"NIMBREL_PLANTED_DLL", L"loaded");
    return TRUE;
}
