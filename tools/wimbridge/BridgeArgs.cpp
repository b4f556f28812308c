#include "tools/wimbridge/BridgeArgs.h"

#include <algorithm>

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
    "cd -- \"$dir\" 2>/dev/null || {\n"
    "  printf 'wimlib-imagex (bridge): cannot change to the folder %s\\n' \"$dir\"; exit 127; }\n"
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

void PathRestorer::Add(std::string unixPath, std::string windowsPath)
{
    if (unixPath.empty() || unixPath == windowsPath)
        return;
    FPaths.emplace_back(std::move(unixPath), std::move(windowsPath));
    std::stable_sort(FPaths.begin(), FPaths.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
}

std::string PathRestorer::Feed(std::string_view bytes)
{
    if (FPaths.empty())
        return std::string(bytes);
    std::string data = std::move(FPending) + std::string(bytes);
    FPending.clear();
    std::string out;
    out.reserve(data.size());
    const std::string_view view(data);
    for (std::size_t at = 0; at < view.size();) {
        const std::string_view rest = view.substr(at);
        bool replaced = false;
        bool mayBegin = false;
        for (const auto& [unixPath, windowsPath] : FPaths) {
            if (rest.substr(0, unixPath.size()) == unixPath) {
                out += windowsPath;
                at += unixPath.size();
                replaced = true;
                break;
            }
            if (rest.size() < unixPath.size() && std::string_view(unixPath).substr(0, rest.size()) == rest)
                mayBegin = true;
        }
        if (replaced)
            continue;
        if (mayBegin) {
            FPending = std::string(rest);
            break;
        }
        out += view[at++];
    }
    return out;
}

std::string PathRestorer::Finish()
{
    return std::exchange(FPending, std::string());
}

} // namespace wimbridge
