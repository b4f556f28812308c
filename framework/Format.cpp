#include "framework/Format.h"

#include "framework/Exception.h"

std::wstring FormatIndexed(std::wstring_view templ, const std::vector<FormatArg>& args)
{
    std::wstring out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < templ.size(); ++i) {
        if (templ[i] != L'%') {
            out += templ[i];
            continue;
        }
        if (++i >= templ.size())
            throw Exception(L"Ungültiges Format: '%' am Ende");
        if (templ[i] == L'%') {
            out += L'%';
            continue;
        }
        std::size_t index = next;
        const std::size_t digitsStart = i;
        std::size_t number = 0;
        while (i < templ.size() && templ[i] >= L'0' && templ[i] <= L'9')
            number = number * 10 + static_cast<std::size_t>(templ[i++] - L'0');
        if (i > digitsStart) {
            if (i >= templ.size() || templ[i] != L':')
                throw Exception(L"Ungültiges Format: ':' erwartet");
            ++i;
            index = number;
        }
        if (i >= templ.size())
            throw Exception(L"Ungültiges Format: Typ fehlt");
        if (index >= args.size())
            throw Exception(L"Format: Argument " + std::to_wstring(index) + L" fehlt");
        const FormatArg& arg = args[index];
        switch (templ[i]) {
        case L'd':
            if (!std::holds_alternative<std::int64_t>(arg))
                throw Exception(L"Format: Argument " + std::to_wstring(index) + L" ist keine Zahl");
            out += std::to_wstring(std::get<std::int64_t>(arg));
            break;
        case L's':
            if (!std::holds_alternative<std::wstring>(arg))
                throw Exception(L"Format: Argument " + std::to_wstring(index) + L" ist kein Text");
            out += std::get<std::wstring>(arg);
            break;
        default:
            throw Exception(L"Ungültiges Format: unbekannter Typ");
        }
        next = index + 1;
    }
    return out;
}
