// Stand-ins for wimlib-imagex.exe that behave in a controlled way. Copied as
// wimlib-imagex.exe, they are called like the real tool:
//   wimlib-imagex export SRC_WIMFILE SRC_IMAGE DEST_WIMFILE [options...]
//   wimlib-imagex verify WIMFILE [options...]
// One source, four programs (chosen at build time):
//   STUB_PARTIAL  writes the first part of DEST_WIMFILE, then fails
//   STUB_FULL     copies SRC_WIMFILE to DEST_WIMFILE completely, then fails
//   STUB_HANG     writes the first part of DEST_WIMFILE, then sleeps until
//                 it is ended from outside (an interrupted conversion)
//   STUB_PROGRESS shows its progress as wimlib does (a line rewritten after
//                 a carriage return), copies SRC_WIMFILE to DEST_WIMFILE and
//                 succeeds; "verify" shows its progress too
// Environment:
//   NIMBREL_STUB_EXIT  the exit code of export (default 1, for PROGRESS 0;
//                      decimal, 0x.., or negative)
//   NIMBREL_STUB_LOG   a file to which each call appends its arguments, one
//                      per line in UTF-8, followed by an empty line
// For STUB_PROGRESS:
//   NIMBREL_STUB_VERIFY_EXIT  the exit code of verify (default 0)
//   NIMBREL_STUB_DELAY  milliseconds between two lines of progress (default 50)
//   NIMBREL_STUB_HOLD   percentages of export, separated by commas, at each
//                       of which it stops until the file NIMBREL_STUB_GO
//                       exists (and then deletes it); without one: until ended

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "tools/children/win/ToolSupport.h"

#if defined(STUB_PARTIAL)
#define STUB_NAME "partial"
#elif defined(STUB_FULL)
#define STUB_NAME "full"
#elif defined(STUB_HANG)
#define STUB_NAME "hang"
#elif defined(STUB_PROGRESS)
#define STUB_NAME "progress"
#else
#error "define STUB_PARTIAL, STUB_FULL, STUB_HANG or STUB_PROGRESS"
#endif

namespace {

using tools::UniqueHandle;

void Say(DWORD stream, const std::string& text)
{
    tools::WriteAll(GetStdHandle(stream), "wimlib-imagex stub (" STUB_NAME "): " + text + "\r\n");
}

std::wstring Env(const wchar_t* name)
{
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD len = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(len < size ? len : 0);
    return value;
}

UINT Number(const wchar_t* name, UINT otherwise)
{
    const std::wstring text = Env(name);
    if (text.empty())
        return otherwise;
    wchar_t* end = nullptr;
    const UINT code = text[0] == L'-' ? static_cast<UINT>(std::wcstol(text.c_str(), &end, 10))
                                      : static_cast<UINT>(std::wcstoul(text.c_str(), &end, 0));
    return *end == L'\0' ? code : otherwise;
}

#if defined(STUB_PROGRESS)
constexpr UINT kDefaultExit = 0;
#else
constexpr UINT kDefaultExit = 1;
#endif

UINT ExitCode()
{
    return Number(L"NIMBREL_STUB_EXIT", kDefaultExit);
}

void Log(const std::vector<std::wstring>& args)
{
    const std::wstring path = Env(L"NIMBREL_STUB_LOG");
    if (path.empty())
        return;
    UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    std::string text;
    for (const std::wstring& a : args)
        text += tools::ToUtf8(a) + "\n";
    text += "\n";
    tools::WriteAll(file.get(), text);
}

#if defined(STUB_PROGRESS)
// One line of progress as wimlib-imagex writes it, over the one before.
void Progress(const char* label, UINT percent)
{
    tools::WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), std::string("\r") + label + ": " + std::to_string(percent) +
                                                         " MiB of 100 MiB (" + std::to_string(percent) + "%) done");
}

// Stops until the file NIMBREL_STUB_GO exists, which it takes away, or for
// ever without one.
void Hold()
{
    const std::wstring go = Env(L"NIMBREL_STUB_GO");
    if (go.empty())
        Sleep(INFINITE);
    while (GetFileAttributesW(go.c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(100);
    DeleteFileW(go.c_str());
}

// Whether percent is among the comma-separated percentages of holds.
bool HoldsAt(const std::wstring& holds, UINT percent)
{
    const std::wstring text = L"," + holds + L",";
    return text.find(L"," + std::to_wstring(percent) + L",") != std::wstring::npos;
}

void ShowSteps(const char* label, const std::wstring& holds)
{
    const DWORD delay = Number(L"NIMBREL_STUB_DELAY", 50);
    for (UINT percent = 0; percent <= 100; ++percent) {
        Progress(label, percent);
        if (HoldsAt(holds, percent))
            Hold();
        Sleep(delay);
    }
    tools::WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), "\n");
}

bool Has(const std::vector<std::wstring>& args, const wchar_t* option)
{
    for (const std::wstring& a : args)
        if (a == option)
            return true;
    return false;
}
#endif

#if !defined(STUB_FULL) && !defined(STUB_PROGRESS)
// The start of a WIM file followed by filler: a file that exists and has
// content, but is no usable image.
bool WritePartial(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    std::string data("MSWIM\0\0\0", 8);
    data.append(64 * 1024, '\x5A');
    return tools::WriteAll(file.get(), data);
}
#endif

} // namespace

int main()
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    tools::LocalArgv raw(argv, argc);
    std::vector<std::wstring> args;
    for (int i = 1; i < raw.Count; ++i)
        args.emplace_back(raw.Argv[i]);
    Log(args);
    const UINT code = ExitCode();

#if defined(STUB_PROGRESS)
    if (args.size() >= 2 && args[0] == L"verify") {
        ShowSteps("Verifying file data", L"");
        return static_cast<int>(Number(L"NIMBREL_STUB_VERIFY_EXIT", 0));
    }
#endif
    if (args.empty() || args[0] != L"export") {
        Say(STD_OUTPUT_HANDLE, "only \"export\" is imitated");
        return static_cast<int>(code);
    }
    std::vector<std::wstring> positional;
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i].rfind(L"--", 0) != 0)
            positional.push_back(args[i]);
    if (positional.size() < 3) {
        Say(STD_ERROR_HANDLE, "export needs SRC_WIMFILE SRC_IMAGE DEST_WIMFILE");
        return static_cast<int>(code);
    }
    const std::wstring& source = positional[0];
    const std::wstring& target = positional[2];
    Say(STD_OUTPUT_HANDLE, "exporting image " + tools::ToUtf8(positional[1]));

#if defined(STUB_PROGRESS)
    ShowSteps("Archiving file data", Env(L"NIMBREL_STUB_HOLD"));
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE))
        Say(STD_ERROR_HANDLE, "cannot copy the source");
    if (Has(args, L"--check"))
        ShowSteps("Calculating integrity table for WIM", L"");
    return static_cast<int>(code);
#elif defined(STUB_FULL)
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE))
        Say(STD_ERROR_HANDLE, "cannot copy the source");
#else
    (void)source;
    if (!WritePartial(target))
        Say(STD_ERROR_HANDLE, "cannot write the target");
#endif
#if defined(STUB_HANG)
    Say(STD_OUTPUT_HANDLE, "waiting to be ended");
    Sleep(INFINITE);
#endif
    Say(STD_ERROR_HANDLE, "failing on purpose with exit code " + std::to_string(static_cast<int>(code)));
    return static_cast<int>(code);
}
