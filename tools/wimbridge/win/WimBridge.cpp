// wimlib-imagex.exe for Wine: runs the host's real wimlib-imagex with the
// same arguments, Windows paths turned into Unix paths, relays its output to
// our standard output in the Windows side's character set and exits with its
// exit code.
//
// A Linux child does not inherit Windows handles, so its output goes to a
// temporary file that we copy to our standard output while it grows. The
// blocking spawn runs on a second thread; the main thread relays.

#include <windows.h>

#include <cstdlib>
#include <shellapi.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/children/win/ToolSupport.h"
#include "tools/wimbridge/BridgeArgs.h"
#include "tools/wimbridge/Utf8Text.h"

namespace {

using tools::LocalArgv;
using tools::ProcessHeapString;
using tools::ToUtf8;
using tools::UniqueHandle;

// Exit code when the bridge itself cannot do its job (not the tool's).
constexpr DWORD BridgeFailure = wimbridge::FailureStatus;

using WineGetUnixFileNameFn = char*(CDECL*)(LPCWSTR);
using WineUnixSpawnvpFn = LONG(WINAPI*)(char* const argv[], int wait);

struct WineExports {
    WineGetUnixFileNameFn GetUnixFileName = nullptr;
    WineUnixSpawnvpFn UnixSpawnvp = nullptr;
};

std::optional<WineExports> FindWineExports()
{
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!kernel32 || !ntdll)
        return std::nullopt;
    WineExports w;
    w.GetUnixFileName = reinterpret_cast<WineGetUnixFileNameFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "wine_get_unix_file_name")));
    w.UnixSpawnvp = reinterpret_cast<WineUnixSpawnvpFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "__wine_unix_spawnvp")));
    if (!w.GetUnixFileName || !w.UnixSpawnvp)
        return std::nullopt;
    return w;
}

// The bytes are taken as Wine gives them: they are the name as it lies on
// the Unix file system, whatever the host's character set.
std::optional<std::string> UnixPath(const WineExports& wine, std::wstring_view windowsPath)
{
    const std::wstring path(windowsPath);
    ProcessHeapString unixName(wine.GetUnixFileName(path.c_str()));
    if (!unixName.Value)
        return std::nullopt;
    return std::string(unixName.Value);
}

// The argument for the host tool; nothing when it is a Windows path that
// Wine cannot map (handed over as it is, the tool would take it for a
// relative name and write a file of that name in the current folder). A
// mapped path is noted, so that the output shows it as it was given.
std::optional<std::string> MapArgument(const WineExports& wine, std::wstring_view arg, wimbridge::PathRestorer& paths)
{
    std::wstring_view path;
    size_t offset = 0;
    if (wimbridge::IsWindowsPath(arg)) {
        path = arg;
    } else if (offset = wimbridge::PathValueOffset(arg); offset != std::wstring_view::npos) {
        path = arg.substr(offset);
    } else {
        return ToUtf8(arg);
    }
    const auto mapped = UnixPath(wine, path);
    if (!mapped)
        return std::nullopt;
    paths.Add(*mapped, ToUtf8(path));
    return ToUtf8(arg.substr(0, offset)) + *mapped;
}

void ReportError(std::string_view text)
{
    std::string line = "wimlib-imagex (bridge): ";
    line += text;
    line += "\r\n";
    tools::WriteAll(GetStdHandle(STD_ERROR_HANDLE), line);
}

// The temporary output file: created empty here, deleted on destruction.
class TempFile {
public:
    bool Create()
    {
        wchar_t dir[MAX_PATH + 1];
        const DWORD n = GetTempPathW(MAX_PATH + 1, dir);
        if (n == 0 || n > MAX_PATH)
            return false;
        wchar_t name[MAX_PATH + 1];
        if (GetTempFileNameW(dir, L"wib", 0, name) == 0)
            return false;
        FPath = name;
        return true;
    }
    const std::wstring& Path() const { return FPath; }
    ~TempFile()
    {
        if (!FPath.empty())
            DeleteFileW(FPath.c_str());
    }

private:
    std::wstring FPath;
};

struct SpawnJob {
    WineUnixSpawnvpFn Spawn = nullptr;
    std::vector<std::string> Args;
    LONG Status = static_cast<LONG>(BridgeFailure);
};

DWORD WINAPI SpawnThread(LPVOID param) noexcept
{
    auto* job = static_cast<SpawnJob*>(param);
    std::vector<char*> argv;
    argv.reserve(job->Args.size() + 1);
    for (std::string& a : job->Args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    job->Status = job->Spawn(argv.data(), 1);
    return 0;
}

// Writes the host tool's text as the Windows tool would: to a console as
// the characters themselves, to a pipe or file in the ANSI code page, where
// a character the code page lacks becomes what the system's conversion
// makes of it (a look-alike or "?").
class TextOutput {
public:
    explicit TextOutput(HANDLE out) : FOut(out)
    {
        DWORD mode = 0;
        FOk = out != nullptr && out != INVALID_HANDLE_VALUE;
        FConsole = FOk && GetConsoleMode(out, &mode) != FALSE;
    }

    void Write(std::string_view utf8) { Put(FDecoder.Feed(utf8)); }
    void Finish() { Put(FDecoder.Finish()); }

private:
    void Put(const std::u16string& text)
    {
        if (!FOk || text.empty())
            return;
        const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
        const int length = static_cast<int>(text.size());
        if (FConsole) {
            DWORD written = 0;
            FOk = WriteConsoleW(FOut, wide, static_cast<DWORD>(length), &written, nullptr) != FALSE;
            return;
        }
        const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
        std::string bytes(size > 0 ? static_cast<size_t>(size) : 0u, '\0');
        if (size > 0)
            WideCharToMultiByte(CP_ACP, 0, wide, length, bytes.data(), size, nullptr, nullptr);
        FOk = tools::WriteAll(FOut, bytes);
    }

    HANDLE FOut;
    bool FOk = false;
    bool FConsole = false;
    wimbridge::Utf8Decoder FDecoder;
};

// Copies what the file holds beyond the current position; once our own
// output is gone the rest is only read away.
void Relay(HANDLE file, wimbridge::PathRestorer& paths, TextOutput& out)
{
    static char buffer[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr) || got == 0)
            return;
        out.Write(paths.Feed(std::string_view(buffer, got)));
    }
}

// The current folder however long it is; nothing when it cannot be read.
std::optional<std::wstring> CurrentFolder()
{
    std::wstring folder(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
        if (length == 0)
            return std::nullopt;
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);
    }
}

int Run()
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    LocalArgv args(argv, argc);
    if (!args.Argv) {
        ReportError("cannot read the command line");
        return BridgeFailure;
    }
    const auto wine = FindWineExports();
    if (!wine) {
        ReportError("this program runs only under Wine");
        return BridgeFailure;
    }

    wimbridge::PathRestorer paths;
    std::vector<std::string> toolArgs;
    for (int i = 1; i < args.Count; ++i) {
        auto mapped = MapArgument(*wine, args.Argv[i], paths);
        if (!mapped) {
            ReportError("cannot map the path \"" + ToUtf8(args.Argv[i]) + "\" to a Unix path");
            return BridgeFailure;
        }
        toolArgs.push_back(std::move(*mapped));
    }
    // Relative paths among the arguments refer to our current folder, which
    // the tool must have too.
    const std::optional<std::wstring> cwd = CurrentFolder();
    const std::optional<std::string> unixDirectory = cwd ? UnixPath(*wine, *cwd) : std::nullopt;
    if (!unixDirectory) {
        ReportError("cannot map the current folder to a Unix path");
        return BridgeFailure;
    }

    TempFile output;
    if (!output.Create()) {
        ReportError("cannot create a temporary file");
        return BridgeFailure;
    }
    const auto unixOutput = UnixPath(*wine, output.Path());
    if (!unixOutput) {
        ReportError("cannot map the temporary file to a Unix path");
        return BridgeFailure;
    }
    UniqueHandle file(CreateFileW(output.Path().c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ReportError("cannot open the temporary file");
        return BridgeFailure;
    }

    SpawnJob job;
    job.Spawn = wine->UnixSpawnvp;
    // Tests may put a slower or scripted program in wimlib's place.
    std::string hostProgram = wimbridge::HostProgram;
    if (const char* other = std::getenv("NIMBREL_BRIDGE_HOST_PROGRAM"); other != nullptr && *other != '\0')
        hostProgram = other;
    job.Args = wimbridge::HostCommand(*unixOutput, *unixDirectory, hostProgram.c_str(), toolArgs);
    UniqueHandle thread(CreateThread(nullptr, 0, SpawnThread, &job, 0, nullptr));
    if (!thread) {
        ReportError("cannot start the spawning thread");
        return BridgeFailure;
    }

    TextOutput out(GetStdHandle(STD_OUTPUT_HANDLE));
    for (;;) {
        // Look first, then drain: after the child's end one last drain
        // takes everything it wrote.
        const bool finished = WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
        Relay(file.get(), paths, out);
        if (finished)
            break;
        WaitForSingleObject(thread.get(), 50);
    }
    out.Write(paths.Finish());
    out.Finish();
    return static_cast<int>(job.Status);
}

} // namespace

int main()
{
    return Run();
}
