#pragma once
// A tiny JSON value for the driver's answers: objects keep the order in
// which members are added, so the output reads in a stable, documented order.
// Text is std::wstring inside and UTF-8 outside.

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

class JsonValue {
public:
    using Array = std::vector<JsonValue>;
    using Object = std::vector<std::pair<std::string, JsonValue>>;

    JsonValue() = default;  // null
    JsonValue(std::nullptr_t) {}
    JsonValue(bool b) : FValue(b) {}
    JsonValue(int v) : FValue(static_cast<std::int64_t>(v)) {}
    JsonValue(long v) : FValue(static_cast<std::int64_t>(v)) {}
    JsonValue(long long v) : FValue(static_cast<std::int64_t>(v)) {}
    JsonValue(unsigned v) : FValue(static_cast<std::int64_t>(v)) {}
    JsonValue(unsigned long v) : FValue(static_cast<std::int64_t>(v)) {}
    JsonValue(unsigned long long v) : FValue(static_cast<std::int64_t>(v)) {}
    JsonValue(std::wstring s) : FValue(std::move(s)) {}
    JsonValue(const wchar_t* s) : FValue(std::wstring(s)) {}
    JsonValue(Array a) : FValue(std::move(a)) {}
    JsonValue(Object o) : FValue(std::move(o)) {}

    static JsonValue MakeObject() { return JsonValue(Object{}); }
    static JsonValue MakeArray() { return JsonValue(Array{}); }

    // Adds (or replaces) a member of an object; returns *this for chaining.
    JsonValue& Set(const std::string& key, JsonValue value);
    // Appends to an array.
    JsonValue& Push(JsonValue value);

    bool IsNull() const { return std::holds_alternative<std::monostate>(FValue); }
    const JsonValue* Find(const std::string& key) const;

    // Compact UTF-8 text. Unpaired UTF-16 surrogates are written as \u
    // escapes, so the output stays valid UTF-8 whatever a window holds.
    std::string Serialize() const;

private:
    void SerializeTo(std::string& out) const;
    std::variant<std::monostate, bool, std::int64_t, std::wstring, Array, Object> FValue;
};

// A JSON string literal (with quotes) for a UTF-16 text.
std::string JsonQuote(const std::wstring& s);

// "0x" followed by eight upper-case hex digits: styles and flags.
std::wstring HexText(std::uint32_t value);
