#pragma once
// The main window's fixed paths, German texts and command lines. Portable:
// everything here is composed from values, nothing asks the system.

#include <string>

// Paths relative to the program's folder (AppDir, which ends with "\").
namespace AppPaths {
inline constexpr wchar_t OutputFolder[] = L"WIM";
inline constexpr wchar_t OutputFile[] = L"WIM\\install.wim";
inline constexpr wchar_t OutputFileAsChecked[] = L"WIM\\Install.wim";
inline constexpr wchar_t BatchFile[] = L"Tools\\convertESD_wimlib.bat";
inline constexpr wchar_t Tool64[] = L"Tools\\wimlib_x64\\wimlib-imagex.exe";
inline constexpr wchar_t Tool32[] = L"Tools\\wimlib_x86\\wimlib-imagex.exe";
}  // namespace AppPaths

// The program's information web page.
inline constexpr wchar_t kInfoPageUrl[] = L"https://www.nimbrel.example/info";

inline constexpr wchar_t kOpenDialogFilter[] = L"ESD/WIM-Dateien (*.esd,*.wim)|*.esd;*.wim|Alle Dateien (*.*)|*.*";

// The folder of the running executable, ending with one backslash.
std::wstring ComposeAppDir(const std::wstring& exePath);

// The wimlib-imagex.exe that fits the system.
std::wstring ToolPath(const std::wstring& appDir, bool isWow64);

namespace MainTexts {
std::wstring OutputExists(const std::wstring& appDir);
std::wstring NoSource();
std::wstring BatchMissing(const std::wstring& appDir);
std::wstring ToolMissing(const std::wstring& toolPath);
std::wstring Success(const std::wstring& appDir);
std::wstring Failure();
}  // namespace MainTexts

// The command line that runs the batch file through the interpreter.
std::wstring ComposeConversionCommandLine(const std::wstring& appDir, const std::wstring& toolPath,
                                          const std::wstring& sourcePath, const std::wstring& compression,
                                          const std::wstring& index);

// The parameters that open Explorer with the output file selected.
std::wstring ComposeExplorerParameters(const std::wstring& appDir);

// The command line of the image information query.
std::wstring ComposeInfoCommandLine(const std::wstring& sourcePath);
