#pragma once
// The driver's command line: one command word followed by --name value
// options and --flag switches. Each command declares which it accepts, so a
// misspelt option is a usage error instead of a silently ignored one.

#include "framework/Exception.h"
#include "tools/driver/Json.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Wrong use of the driver: exit code 1.
class EUsageError : public Exception {
public:
    using Exception::Exception;
};

// What the caller asked for is not there (or did not come in time), or the
// action was refused because a user could not have done it: exit code 2.
class EDriverFailure : public Exception {
public:
    EDriverFailure(std::string kind, std::wstring message)
        : Exception(std::move(message)), Kind(std::move(kind)) {}
    EDriverFailure(std::string kind, std::wstring message, JsonValue detail)
        : Exception(std::move(message)), Kind(std::move(kind)), Detail(std::move(detail)) {}
    std::string Kind;  // "not-found", "timeout", "refused", "os-error", "unexpected"
    JsonValue Detail;  // what was found instead, when that helps the caller
};

struct CommandSpec {
    std::wstring Name;
    std::set<std::wstring> Options;  // take a value: "--title"
    std::set<std::wstring> Flags;    // take none: "--force"
    std::set<std::wstring> Required; // options that must be given
};

class ParsedCommand {
public:
    std::wstring Command;
    std::map<std::wstring, std::wstring> Values;
    std::set<std::wstring> Flags;

    bool Has(const std::wstring& option) const { return Values.count(option) != 0; }
    bool Flag(const std::wstring& flag) const { return Flags.count(flag) != 0; }
    // The value of a required option; a usage error when it is missing.
    const std::wstring& Required(const std::wstring& option) const;
    std::optional<std::wstring> Optional(const std::wstring& option) const;
    // Integers accept decimal and 0x-prefixed hexadecimal, with a sign.
    std::int64_t Integer(const std::wstring& option) const;
    std::int64_t Integer(const std::wstring& option, std::int64_t fallback) const;
    std::optional<std::int64_t> OptionalInteger(const std::wstring& option) const;
};

// Splits a Windows command line as the C runtime does (quotes group,
// backslashes escape only before a quote, "" inside quotes is a quote);
// the program name (the first item) is dropped.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// args excludes the program name. The command word must be the first
// argument and one of specs.
ParsedCommand ParseCommand(const std::vector<std::wstring>& args, const std::vector<CommandSpec>& specs);

// Parses decimal or 0x-hex; std::nullopt when the text is not a whole number.
std::optional<std::int64_t> ParseInteger(const std::wstring& text);

// "12,0x1F,7" as numbers; empty items are skipped. A usage error names the
// option when an item is not a number.
std::vector<std::int64_t> ParseIntegerList(const std::wstring& text, const std::wstring& option);
