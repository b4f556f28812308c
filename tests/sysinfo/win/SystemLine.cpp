// Prints the system line of the system it runs on, as the main window shows
// it. With "/answers" it prints the platform's answers to the system
// questions first.

#include "framework/StrUtils.h"
#include "sysinfo/win/SystemInfo.h"
#include "sysinfo/win/versionhelpers.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

void Print(const std::wstring& line)
{
    const std::string text = WideToUtf8(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintAnswers()
{
    TPlatformSystemAnswers answers;
    const TVersionAnswer v = answers.Version();
    Print(L"version: " + std::to_wstring(v.MajorVersion) + L"." + std::to_wstring(v.MinorVersion) + L"." +
          std::to_wstring(v.BuildNumber) + L" SP" + std::to_wstring(v.ServicePackMajor) + L" type " +
          std::to_wstring(v.ProductType));
    Print(L"native processor: " + std::to_wstring(answers.NativeProcessorArchitecture()));
    const auto workstation = answers.WorkstationVersion();
    Print(L"workstation: " + (workstation ? std::to_wstring(workstation->Major) + L"." +
                                                std::to_wstring(workstation->Minor)
                                          : std::wstring(L"no answer")));
    const auto file = answers.SystemFileVersion();
    Print(L"kernel32.dll: " + (file ? std::to_wstring(file->Major) + L"." + std::to_wstring(file->Minor) + L"." +
                                          std::to_wstring(file->Build)
                                    : std::wstring(L"no answer")));
    Print(L"server: " + std::to_wstring(answers.IsWindowsServer()));
    Print(L"8.1 or newer: " + std::to_wstring(versionhelpers::IsWindows8Point1OrGreater()));
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    InitSystemInfo();
    if (argc > 1 && std::wcscmp(argv[1], L"/answers") == 0)
        PrintAnswers();
    Print(SystemLineForThisSystem());
    return 0;
}
