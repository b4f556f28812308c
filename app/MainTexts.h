#pragma once
// The main window's fixed paths, German texts and command lines. Portable:
// everything here is composed from values, nothing asks the system.

#include "imageinfo/ImageInfo.h"

#include <cstdint>
#include <functional>
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

// Checks before the long write.
std::wstring MissingIndex(int index, int imageCount);
std::wstring Encrypted();
inline constexpr wchar_t kQuestionTitle[] = L"Warnung";
std::wstring FileTooLargeQuestion(const std::wstring& folder, const std::wstring& fileSystem,
                                  std::uint64_t largestFile, std::uint64_t estimate);
std::wstring FreeSpaceQuestion(const std::wstring& folder, std::uint64_t freeBytes, std::uint64_t estimate);
std::wstring PathTooLong(std::size_t length);

// What the drop-down list shows beside an index: name, edition, architecture.
std::wstring IndexEntryDetail(const TImageEntry& image);
}  // namespace MainTexts

// A size as Explorer shows it, in German: "15,8 GB", "512 Bytes".
std::wstring GermanSize(std::uint64_t bytes);

// The hint line under the path: what the chosen index stands for. An
// image's name is the part that gives way when the line is too narrow.
struct THintText {
    std::wstring Lead;
    std::wstring Name;
    std::wstring Tail;
    std::wstring Whole() const { return Lead + Name + Tail; }
};
// Empty while nothing is known about the file or no index is chosen.
THintText ComposeHint(const TImageList& list, const std::wstring& indexText);
// The hint as it fits into width (measure gives a text's width): the name
// shortened with an ellipsis first, then the end of the line.
std::wstring FitHint(const THintText& hint, int width, const std::function<int(const std::wstring&)>& measure);

// The command line that runs the batch file through the interpreter.
std::wstring ComposeConversionCommandLine(const std::wstring& appDir, const std::wstring& toolPath,
                                          const std::wstring& sourcePath, const std::wstring& compression,
                                          const std::wstring& index);

// The parameters that open Explorer with the output file selected.
std::wstring ComposeExplorerParameters(const std::wstring& appDir);

// The command line of the image information query.
std::wstring ComposeInfoCommandLine(const std::wstring& sourcePath);
