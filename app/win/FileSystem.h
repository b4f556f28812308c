#pragma once
// What the main window asks the file system: whether a path names a file or
// a folder (also at 260 characters and more), the form of a long path the
// conversion's tools can take, and the room on the output folder's drive.

#include "imageinfo/WriteChecks.h"

#include <string>

// Whether a path names an existing file, or an existing folder.
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);

// The path as the program's own file calls take it: in its extended form
// ("\\?\C:\...") when it is MAX_PATH characters or longer.
std::wstring SystemPath(const std::wstring& path);

// The path as the command interpreter and wimlib are handed it: as it is
// when shorter than MAX_PATH, else its short (8.3) form when the file system
// keeps one that is short enough; empty when there is none.
std::wstring ToolPathOf(const std::wstring& path);

// The free space and file system of the drive that holds the folder; not
// Known when the system does not tell.
TTargetVolume ReadTargetVolume(const std::wstring& folder);
