#include "tools/driver/CommandLine.h"

const std::wstring& ParsedCommand::Required(const std::wstring& option) const
{
    auto it = Values.find(option);
    if (it == Values.end())
        throw EUsageError(Command + L": " + option + L" is required");
    return it->second;
}

std::optional<std::wstring> ParsedCommand::Optional(const std::wstring& option) const
{
    auto it = Values.find(option);
    if (it == Values.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::int64_t> ParsedCommand::OptionalInteger(const std::wstring& option) const
{
    auto it = Values.find(option);
    if (it == Values.end())
        return std::nullopt;
    auto value = ParseInteger(it->second);
    if (!value)
        throw EUsageError(Command + L": " + option + L" needs a number, not \"" + it->second + L"\"");
    return value;
}

std::int64_t ParsedCommand::Integer(const std::wstring& option) const
{
    Required(option);
    return *OptionalInteger(option);
}

std::int64_t ParsedCommand::Integer(const std::wstring& option, std::int64_t fallback) const
{
    return OptionalInteger(option).value_or(fallback);
}

std::optional<std::int64_t> ParseInteger(const std::wstring& text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    int base = 10;
    if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        int digit;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (base == 16 && c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (base == 16 && c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else
            return std::nullopt;
        if (value > (UINT64_MAX - static_cast<unsigned>(digit)) / static_cast<unsigned>(base))
            return std::nullopt;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    }
    if (value > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    const auto signedValue = static_cast<std::int64_t>(value);
    return negative ? -signedValue : signedValue;
}

std::vector<std::wstring> SplitCommandLine(const std::wstring& line)
{
    std::size_t i = 0;
    const std::size_t n = line.size();
    // The program name: up to the closing quote or the first blank; no escapes.
    if (i < n && line[i] == L'"') {
        ++i;
        while (i < n && line[i] != L'"')
            ++i;
        if (i < n)
            ++i;
    } else {
        while (i < n && line[i] != L' ' && line[i] != L'\t')
            ++i;
    }

    std::vector<std::wstring> args;
    for (;;) {
        while (i < n && (line[i] == L' ' || line[i] == L'\t'))
            ++i;
        if (i >= n)
            break;
        std::wstring arg;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
            if (line[i] == L'\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == L'\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == L'"') {
                    arg.append(slashes / 2, L'\\');
                    if (slashes % 2) {
                        arg += L'"';
                        ++i;
                    }
                } else {
                    arg.append(slashes, L'\\');
                }
            } else if (line[i] == L'"') {
                if (quoted && i + 1 < n && line[i + 1] == L'"') {
                    arg += L'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += line[i++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::vector<std::int64_t> ParseIntegerList(const std::wstring& text, const std::wstring& option)
{
    std::vector<std::int64_t> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(L',', start);
        if (comma == std::wstring::npos)
            comma = text.size();
        if (comma > start) {
            auto value = ParseInteger(text.substr(start, comma - start));
            if (!value)
                throw EUsageError(option + L" needs numbers separated by commas, not \"" + text + L"\"");
            out.push_back(*value);
        }
        start = comma + 1;
    }
    return out;
}

ParsedCommand ParseCommand(const std::vector<std::wstring>& args, const std::vector<CommandSpec>& specs)
{
    if (args.empty())
        throw EUsageError(L"no command given");
    const CommandSpec* spec = nullptr;
    for (const auto& candidate : specs) {
        if (candidate.Name == args[0])
            spec = &candidate;
    }
    if (!spec)
        throw EUsageError(L"unknown command \"" + args[0] + L"\"");

    ParsedCommand parsed;
    parsed.Command = spec->Name;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (spec->Flags.count(arg)) {
            parsed.Flags.insert(arg);
        } else if (spec->Options.count(arg)) {
            if (i + 1 >= args.size())
                throw EUsageError(spec->Name + L": " + arg + L" needs a value");
            if (parsed.Values.count(arg))
                throw EUsageError(spec->Name + L": " + arg + L" given twice");
            parsed.Values[arg] = args[++i];
        } else {
            throw EUsageError(spec->Name + L": unknown argument \"" + arg + L"\"");
        }
    }
    for (const auto& option : spec->Required) {
        if (!parsed.Values.count(option))
            throw EUsageError(spec->Name + L": " + option + L" is required");
    }
    return parsed;
}
