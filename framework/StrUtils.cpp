#include "framework/StrUtils.h"

std::wstring Trim(std::wstring_view s)
{
    std::size_t first = 0;
    std::size_t last = s.size();
    while (first < last && s[first] <= L' ')
        ++first;
    while (last > first && s[last - 1] <= L' ')
        --last;
    return std::wstring(s.substr(first, last - first));
}

std::string WideToUtf8(std::wstring_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = static_cast<char32_t>(s[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size()) {
            const char32_t low = static_cast<char16_t>(s[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view s)
{
    std::wstring out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        char32_t c = 0xFFFD;
        std::size_t len = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b >> 5) == 0x6 && i + 1 < s.size()) {
            c = ((b & 0x1F) << 6) | (s[i + 1] & 0x3F);
            len = 2;
        } else if ((b >> 4) == 0xE && i + 2 < s.size()) {
            c = ((b & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
            len = 3;
        } else if ((b >> 3) == 0x1E && i + 3 < s.size()) {
            c = ((b & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) |
                (s[i + 3] & 0x3F);
            len = 4;
        }
        if (c >= 0x10000 && sizeof(wchar_t) == 2) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
        i += len;
    }
    return out;
}

std::wstring LowerCaseLatin(std::wstring_view s)
{
    std::wstring out(s);
    for (wchar_t& c : out) {
        if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            c = static_cast<wchar_t>(c + 32);
    }
    return out;
}

std::wstring ApplicationTitleFromExePath(std::wstring_view exePath)
{
    const std::size_t slash = exePath.find_last_of(L"\\/:");
    std::wstring_view name = slash == std::wstring_view::npos ? exePath : exePath.substr(slash + 1);
    const std::size_t dot = name.find(L'.');
    if (dot != std::wstring_view::npos)
        name = name.substr(0, dot);
    if (name.empty())
        return std::wstring();
    // Lower-cased in place and the first character put back: keeps the
    // length fixed (no concatenation of a one-character string).
    std::wstring title = LowerCaseLatin(name);
    title[0] = name[0];
    return title;
}

std::wstring DirectoryWithBackslash(std::wstring_view path)
{
    const std::size_t slash = path.find_last_of(L"\\:");
    std::wstring dir(slash == std::wstring_view::npos ? std::wstring_view() : path.substr(0, slash + 1));
    if (dir.empty() || dir.back() != L'\\')
        dir += L'\\';
    return dir;
}

std::wstring ExtendedLengthPath(std::wstring_view path)
{
    std::wstring result(path);
    if (result.size() < kMaxPath || result.rfind(L"\\\\?\\", 0) == 0)
        return result;
    for (wchar_t& c : result)
        if (c == L'/')
            c = L'\\';
    const bool drive = result.size() >= 3 && ((result[0] | 0x20) >= L'a' && (result[0] | 0x20) <= L'z') &&
                       result[1] == L':' && result[2] == L'\\';
    if (drive)
        return L"\\\\?\\" + result;
    if (result.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + result.substr(2);
    return std::wstring(path);
}
