#pragma once
// The portable half of the wimlib bridge: which arguments are Windows paths,
// and the host command line that runs the real wimlib-imagex with its output
// sent to a file.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
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
// /dev/null, standard output and error to outFile, changes to directory, and
// replaces itself with program and args. When it cannot change to the
// directory it says so in outFile and ends with FailureStatus, running
// nothing. The program is tied to the calling thread's life where the host
// allows it, so that an ended bridge does not leave it writing on.
std::vector<std::string> HostCommand(const std::string& outFile, const std::string& directory,
                                     const std::string& program, const std::vector<std::string>& args);

// The exit status when the bridge itself cannot do its job (not the tool's).
inline constexpr int FailureStatus = 127;

// The host tool names the Unix paths it was given, where the Windows tool
// names the paths as they were given to it. This puts the Windows form back
// into the tool's output (UTF-8), which arrives in pieces of any size: the
// end of a piece that may begin a path is held back until the next piece.
class PathRestorer {
public:
    // Where the output shows unixPath, windowsPath (UTF-8) is put instead.
    void Add(std::string unixPath, std::string windowsPath);
    std::string Feed(std::string_view bytes);
    // The end of the output: what was held back, as it is.
    std::string Finish();

private:
    // Longest first, so that "a.wim.tmp" is not taken for "a.wim".
    std::vector<std::pair<std::string, std::string>> FPaths;
    std::string FPending;
};

} // namespace wimbridge
