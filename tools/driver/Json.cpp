#include "tools/driver/Json.h"

#include <cstdio>

JsonValue& JsonValue::Set(const std::string& key, JsonValue value)
{
    auto& members = std::get<Object>(FValue);
    for (auto& member : members) {
        if (member.first == key) {
            member.second = std::move(value);
            return *this;
        }
    }
    members.emplace_back(key, std::move(value));
    return *this;
}

JsonValue& JsonValue::Push(JsonValue value)
{
    std::get<Array>(FValue).push_back(std::move(value));
    return *this;
}

const JsonValue* JsonValue::Find(const std::string& key) const
{
    if (const auto* members = std::get_if<Object>(&FValue)) {
        for (const auto& member : *members) {
            if (member.first == key)
                return &member.second;
        }
    }
    return nullptr;
}

std::string JsonValue::Serialize() const
{
    std::string out;
    SerializeTo(out);
    return out;
}

namespace {

void AppendUtf8(std::string& out, char32_t c)
{
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

void AppendEscape(std::string& out, unsigned code)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04X", code & 0xFFFF);
    out += buf;
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c < 0xE000; }

}  // namespace

std::string JsonQuote(const std::wstring& s)
{
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < s.size(); ++i) {
        // wchar_t is UTF-16 on Windows and UTF-32 elsewhere; both are handled.
        char32_t c = static_cast<char32_t>(s[i]);
        if constexpr (sizeof(wchar_t) == 2)
            c &= 0xFFFF;
        switch (c) {
        case U'"': out += "\\\""; continue;
        case U'\\': out += "\\\\"; continue;
        case U'\n': out += "\\n"; continue;
        case U'\r': out += "\\r"; continue;
        case U'\t': out += "\\t"; continue;
        case U'\b': out += "\\b"; continue;
        case U'\f': out += "\\f"; continue;
        default: break;
        }
        if (c < 0x20 || c == 0x7F) {
            AppendEscape(out, c);
        } else if (IsHighSurrogate(c) && i + 1 < s.size() &&
                   IsLowSurrogate(static_cast<char32_t>(s[i + 1]) & 0xFFFF)) {
            const char32_t low = static_cast<char32_t>(s[i + 1]) & 0xFFFF;
            AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) {
            AppendEscape(out, c > 0x10FFFF ? 0xFFFD : c);
        } else {
            AppendUtf8(out, c);
        }
    }
    out += '"';
    return out;
}

std::wstring HexText(std::uint32_t value)
{
    wchar_t buf[16];
    std::swprintf(buf, 16, L"0x%08X", value);
    return buf;
}

void JsonValue::SerializeTo(std::string& out) const
{
    if (std::holds_alternative<std::monostate>(FValue)) {
        out += "null";
    } else if (const bool* b = std::get_if<bool>(&FValue)) {
        out += *b ? "true" : "false";
    } else if (const std::int64_t* n = std::get_if<std::int64_t>(&FValue)) {
        out += std::to_string(*n);
    } else if (const std::wstring* s = std::get_if<std::wstring>(&FValue)) {
        out += JsonQuote(*s);
    } else if (const Array* a = std::get_if<Array>(&FValue)) {
        out += '[';
        for (std::size_t i = 0; i < a->size(); ++i) {
            if (i)
                out += ',';
            (*a)[i].SerializeTo(out);
        }
        out += ']';
    } else if (const Object* o = std::get_if<Object>(&FValue)) {
        out += '{';
        for (std::size_t i = 0; i < o->size(); ++i) {
            if (i)
                out += ',';
            out += JsonQuote(std::wstring((*o)[i].first.begin(), (*o)[i].first.end()));
            out += ':';
            (*o)[i].second.SerializeTo(out);
        }
        out += '}';
    }
}
