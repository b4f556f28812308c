#pragma once
// The driver's hook library (nimdrivehook.dll beside nimdrive.exe), loaded
// for one hook call and freed afterwards.

#include <windows.h>

#include <string>

class HookLibrary {
public:
    HookLibrary();
    ~HookLibrary();
    HookLibrary(const HookLibrary&) = delete;
    HookLibrary& operator=(const HookLibrary&) = delete;

    HMODULE Module() const { return FModule; }
    // The hook procedure, or nullptr with Problem() saying why.
    HOOKPROC Procedure() const { return FProcedure; }
    const std::wstring& Problem() const { return FProblem; }

private:
    HMODULE FModule = nullptr;
    HOOKPROC FProcedure = nullptr;
    std::wstring FProblem;
};
