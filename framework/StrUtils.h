#pragma once
// Small text helpers shared by every layer. Portable: no platform calls.

#include <string>
#include <string_view>

// Removes every leading and trailing character whose code is 32 or lower.
std::wstring Trim(std::wstring_view s);

std::string WideToUtf8(std::wstring_view s);
std::wstring Utf8ToWide(std::string_view s);

// Lower case for the Latin letters (ASCII and Latin-1), enough for file names
// shown as a title.
std::wstring LowerCaseLatin(std::wstring_view s);

// The application's title: the executable's file name without its folder,
// cut at its first dot, every character after the first in lower case.
std::wstring ApplicationTitleFromExePath(std::wstring_view exePath);

// The folder part of a Windows path, always ending with a backslash:
// "C:\Nimbrel\Nimbrel.exe" gives "C:\Nimbrel\", "C:\Nimbrel.exe" gives "C:\".
std::wstring DirectoryWithBackslash(std::wstring_view path);

// Paths of MAX_PATH (260) characters or more reach the system's file calls
// only in their extended form: "C:\a\..." becomes "\\?\C:\a\...",
// "\\server\share\..." becomes "\\?\UNC\server\share\...", forward slashes
// become backslashes. Shorter paths, relative ones and those already
// extended come back unchanged.
std::wstring ExtendedLengthPath(std::wstring_view path);
inline constexpr std::size_t kMaxPath = 260;
