#pragma once
// The portable half of the wimlib bridge: which arguments are Windows paths,
// and the host command line that runs the real wimlib-imagex with its output
// sent to a file.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wimbridge {

// The host program the bridge stands in for; never looked up in PATH.
inline constexpr const char* HostProgram = "/usr/bin/wimlib-imagex";
inline constexpr const char* HostShell = "/bin/sh";

// "C:\x", "c:/x", "\\server\share\x", "//server/share", "\\?\C:\x".
bool IsWindowsPath(std::wstring_view arg);

// For an option "--name=VALUE" whose VALUE is a Windows path, the offset of
// VALUE; otherwise std::wstring_view::npos.
std::size_t PathValueOffset(std::wstring_view arg);

// The argument vector for the host: a shell that sends standard input from
// /dev/null, standard output and error to outFile, changes to directory
// (when not empty and reachable), and replaces itself with program and args.
// The program is tied to the calling thread's life where the host allows it,
// so that an ended bridge does not leave it writing on.
std::vector<std::string> HostCommand(const std::string& outFile, const std::string& directory,
                                     const std::string& program, const std::vector<std::string>& args);

} // namespace wimbridge
