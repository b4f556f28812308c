#include "process/EnvironmentBlock.h"

#include "process/JvCPSTypes.h"

std::wstring StringsToMultiSz(const std::vector<std::wstring>& items)
{
    if (items.empty())
        return {};
    std::size_t length = 1;
    for (const std::wstring& item : items) {
        if (item.empty())
            throw Exception(RsEmptyMultiSzItem);
        length += item.size() + 1;
    }
    std::wstring block;
    block.reserve(length);
    for (const std::wstring& item : items) {
        block += item;
        block += L'\0';
    }
    block += L'\0';
    return block;
}
