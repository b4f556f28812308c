#include "tools/driver/win/HookLibrary.h"

#include "tools/driver/win/FontQuery.h"

namespace {

std::wstring HookLibraryPath()
{
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring dir(path, n);
    const auto slash = dir.find_last_of(L"\\/");
    dir = slash == std::wstring::npos ? L"" : dir.substr(0, slash + 1);
    return dir + L"nimdrivehook.dll";
}

}  // namespace

HookLibrary::HookLibrary() : FModule(LoadLibraryW(HookLibraryPath().c_str()))
{
    if (!FModule) {
        FProblem = L"nimdrivehook.dll not found beside nimdrive.exe";
        return;
    }
    // The hook library checks at compile time that its export has HOOKPROC's type.
    FProcedure = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(FModule, kFontHookProcName)));
    if (!FProcedure)
        FProblem = L"nimdrivehook.dll has no hook procedure";
}

HookLibrary::~HookLibrary()
{
    if (FModule)
        FreeLibrary(FModule);
}
