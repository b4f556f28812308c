#include "tools/wimbridge/BridgeArgs.h"

namespace wimbridge {

namespace {

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The script's own arguments: $1 the output file, $2 the directory, then the
// program and its arguments. setpriv's --pdeathsig ends the program when the
// thread that started it goes away (the bridge was killed).
constexpr const char* Script =
    "out=$1; dir=$2; shift 2\n"
    "exec </dev/null >\"$out\" 2>&1\n"
    "if [ -n \"$dir\" ]; then cd -- \"$dir\" 2>/dev/null || :; fi\n"
    "if command -v setpriv >/dev/null 2>&1; then\n"
    "  exec setpriv --pdeathsig KILL -- \"$@\"\n"
    "fi\n"
    "exec \"$@\"\n";

} // namespace

bool IsWindowsPath(std::wstring_view arg)
{
    if (arg.size() >= 3 && IsDriveLetter(arg[0]) && arg[1] == L':' && IsSlash(arg[2]))
        return true;
    // A UNC name needs something after the two slashes.
    return arg.size() >= 3 && IsSlash(arg[0]) && IsSlash(arg[1]) && !IsSlash(arg[2]);
}

std::size_t PathValueOffset(std::wstring_view arg)
{
    if (arg.size() < 3 || arg[0] != L'-' || arg[1] != L'-')
        return std::wstring_view::npos;
    const std::size_t eq = arg.find(L'=');
    if (eq == std::wstring_view::npos || eq == 2)
        return std::wstring_view::npos;
    return IsWindowsPath(arg.substr(eq + 1)) ? eq + 1 : std::wstring_view::npos;
}

std::vector<std::string> HostCommand(const std::string& outFile, const std::string& directory,
                                     const std::string& program, const std::vector<std::string>& args)
{
    std::vector<std::string> argv{HostShell, "-c", Script, "wimlib-bridge", outFile, directory, program};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

} // namespace wimbridge
