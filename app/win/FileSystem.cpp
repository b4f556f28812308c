#include "app/win/FileSystem.h"

#include "framework/StrUtils.h"

#include <windows.h>

#include <vector>

namespace {

DWORD Attributes(const std::wstring& path)
{
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(SystemPath(path).c_str());
}

// A buffer-filling call's result, its buffer grown until the text fits.
template <class TCall>
std::wstring Filled(TCall call)
{
    std::vector<wchar_t> buffer(kMaxPath);
    for (;;) {
        const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

std::wstring WithoutExtendedPrefix(const std::wstring& path)
{
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return L"\\\\" + path.substr(8);
    if (path.rfind(L"\\\\?\\", 0) == 0)
        return path.substr(4);
    return path;
}

}  // namespace

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring SystemPath(const std::wstring& path)
{
    if (path.size() < kMaxPath)
        return path;
    // Made whole first: the extended form takes no "." or "..".
    const std::wstring full =
        Filled([&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(path.c_str(), size, buffer, nullptr); });
    return ExtendedLengthPath(full.empty() ? path : full);
}

std::wstring ToolPathOf(const std::wstring& path)
{
    if (path.size() < kMaxPath)
        return path;
    const std::wstring extended = SystemPath(path);
    const std::wstring shortPath = WithoutExtendedPrefix(
        Filled([&](wchar_t* buffer, DWORD size) { return GetShortPathNameW(extended.c_str(), buffer, size); }));
    return shortPath.size() < kMaxPath ? shortPath : std::wstring();
}

TTargetVolume ReadTargetVolume(const std::wstring& folder)
{
    TTargetVolume volume;
    // A share's folder is named with a closing backslash.
    const std::wstring path = SystemPath(folder.empty() || folder.back() == L'\\' ? folder : folder + L"\\");
    ULARGE_INTEGER freeForUs{};
    if (!GetDiskFreeSpaceExW(path.c_str(), &freeForUs, nullptr, nullptr))
        return volume;
    const std::wstring root = Filled([&](wchar_t* buffer, DWORD size) {
        return GetVolumePathNameW(path.c_str(), buffer, size) ? static_cast<DWORD>(wcslen(buffer)) : 0;
    });
    wchar_t fileSystem[MAX_PATH + 1] = {};
    if (!root.empty())
        GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1);
    volume.Known = true;
    volume.FreeBytes = freeForUs.QuadPart;
    volume.FileSystem = fileSystem;
    return volume;
}
