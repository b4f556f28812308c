#pragma once
// A small formatter for templates with indexed placeholders:
//   "%s" text, "%d" signed decimal integer, "%%" a percent sign;
//   "%4:d" / "%5:s" take the argument with that number;
//   a placeholder without a number takes the argument after the one the
//   previous placeholder took (the first takes argument 0).

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

using FormatArg = std::variant<std::int64_t, std::wstring>;

// Raises Exception for a malformed template, an index out of range or an
// argument of the wrong kind.
std::wstring FormatIndexed(std::wstring_view templ, const std::vector<FormatArg>& args);
