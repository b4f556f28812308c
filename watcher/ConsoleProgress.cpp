#include "watcher/ConsoleProgress.h"

#include <algorithm>
#include <iterator>

namespace watcher {

namespace {

constexpr std::wstring_view kOption = L"--watch-console";

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// "12" of "...(12%) done" that ends the text before end, with where the
// digits begin; nothing when the last such mark is malformed.
std::optional<std::pair<int, std::size_t>> LastPercent(std::wstring_view text)
{
    constexpr std::wstring_view kDone = L"%) done";
    const std::size_t mark = text.rfind(kDone);
    if (mark == std::wstring_view::npos)
        return std::nullopt;
    std::size_t begin = mark;
    while (begin > 0 && IsDigit(text[begin - 1]))
        --begin;
    if (begin == mark || mark - begin > 3 || begin == 0 || text[begin - 1] != L'(')
        return std::nullopt;
    int value = 0;
    for (std::size_t i = begin; i < mark; ++i)
        value = value * 10 + (text[i] - L'0');
    if (value > 100)
        return std::nullopt;
    return std::pair{value, begin};
}

// The digits of a process ID, up to the end or a blank.
std::optional<std::uint32_t> ParseId(std::wstring_view text)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    if (value == 0 || value > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::wstring_view TrimBlanks(std::wstring_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<int> TConsoleProgress::Read(const std::vector<std::wstring>& rows, std::size_t cursorColumn)
{
    if (rows.empty())
        return std::nullopt;
    // What stands before the cursor: a shorter line written over a longer
    // one leaves the longer one's end behind it.
    std::wstring text;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i)
        text += rows[i];
    text.append(rows.back(), 0, std::min(cursorColumn, rows.back().size()));

    const auto percent = LastPercent(text);
    if (!percent)
        return std::nullopt;
    // The step is the label nearest before the number.
    const std::wstring_view before = std::wstring_view(text).substr(0, percent->second);
    std::size_t step = std::size(kConversionSteps);
    std::size_t where = 0;
    for (std::size_t i = 0; i < std::size(kConversionSteps); ++i) {
        const std::size_t at = before.rfind(kConversionSteps[i].Label);
        if (at != std::wstring_view::npos && (step == std::size(kConversionSteps) || at > where)) {
            step = i;
            where = at;
        }
    }
    if (step == std::size(kConversionSteps) || step < FStep)
        return std::nullopt;
    FStep = step;
    const TProgressStep& s = kConversionSteps[step];
    const int share = s.From + percent->first * (s.To - s.From) / 100;
    if (share <= FPercent)
        return std::nullopt;
    FPercent = share;
    return share;
}

std::wstring ComposeWatcherCommandLine(const std::wstring& exePath, std::uint32_t processId)
{
    return L"\"" + exePath + L"\" " + std::wstring(kOption) + L" " + std::to_wstring(processId);
}

std::optional<std::uint32_t> WatchedProcessId(std::wstring_view commandLine)
{
    // The program's own name comes first, quoted or up to the first blank.
    std::wstring_view rest = commandLine;
    if (!rest.empty() && rest.front() == L'"') {
        const std::size_t close = rest.find(L'"', 1);
        if (close == std::wstring_view::npos)
            return std::nullopt;
        rest.remove_prefix(close + 1);
    } else {
        while (!rest.empty() && !IsBlank(rest.front()))
            rest.remove_prefix(1);
    }
    if (rest.empty() || !IsBlank(rest.front()))
        return std::nullopt;
    rest = TrimBlanks(rest);
    if (rest.substr(0, kOption.size()) != kOption)
        return std::nullopt;
    rest.remove_prefix(kOption.size());
    if (rest.empty() || !IsBlank(rest.front()))
        return std::nullopt;
    return ParseId(TrimBlanks(rest));
}

std::optional<int> ParsePercentLine(std::wstring_view line)
{
    line = TrimBlanks(line);
    if (line.empty() || line.size() > 3 || !std::all_of(line.begin(), line.end(), IsDigit))
        return std::nullopt;
    int value = 0;
    for (const wchar_t c : line)
        value = value * 10 + (c - L'0');
    if (value > 100)
        return std::nullopt;
    return value;
}

}  // namespace watcher
