#include "imageinfo/ImageInfo.h"

#include "framework/StrUtils.h"

#include <cwctype>

namespace {

constexpr int kPlainIndexEntries = 9;

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != L'\0'; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i]))
            return false;
    return i == a.size() && b[i] == L'\0';
}

bool StartsIgnoringCase(const std::wstring& text, const wchar_t* prefix)
{
    for (std::size_t i = 0; prefix[i] != L'\0'; ++i)
        if (i >= text.size() || std::towlower(text[i]) != std::towlower(prefix[i]))
            return false;
    return true;
}

// "Label:   value": the label is what stands before the first colon, so a
// value may hold colons of its own (a name, a path, a time).
bool SplitField(const std::wstring& line, std::wstring& label, std::wstring& value)
{
    const std::size_t colon = line.find(L':');
    if (colon == std::wstring::npos)
        return false;
    label = Trim(std::wstring_view(line).substr(0, colon));
    value = Trim(std::wstring_view(line).substr(colon + 1));
    return true;
}

bool ParseNumber(const std::wstring& text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 19)
        return false;
    value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return true;
}

// Where a label's value goes in an image's entry.
struct TTextField {
    const wchar_t* Label;
    std::wstring TImageEntry::*Field;
};
constexpr TTextField kTextFields[] = {
    {L"Name", &TImageEntry::Name},
    {L"Display Name", &TImageEntry::DisplayName},
    {L"Edition ID", &TImageEntry::EditionId},
    {L"Architecture", &TImageEntry::Architecture},
    {L"Installation Type", &TImageEntry::InstallationType},
};
struct TNumberField {
    const wchar_t* Label;
    std::uint64_t TImageEntry::*Field;
};
constexpr TNumberField kNumberFields[] = {
    {L"Total Bytes", &TImageEntry::TotalBytes},
    {L"Hard Link Bytes", &TImageEntry::HardLinkBytes},
};

// The names Microsoft's installation media give the images that are not
// Windows itself (the full ESDs hold them at indexes 1 to 3).
constexpr const wchar_t* kSetupNamePrefixes[] = {
    L"Windows Setup Media",
    L"Microsoft Windows PE",
    L"Microsoft Windows Setup",
};

struct TArchitectureName {
    const wchar_t* Wimlib;
    const wchar_t* Windows;
};
constexpr TArchitectureName kArchitectures[] = {
    {L"x86_64", L"x64"}, {L"x86", L"x86"}, {L"ARM64", L"ARM64"}, {L"ARM", L"ARM"}, {L"IA64", L"IA64"},
};

}  // namespace

const TImageEntry* TImageList::Find(int index) const noexcept
{
    if (State != TImageListState::Known || index < 1 || index > Count())
        return nullptr;
    return &Images[static_cast<std::size_t>(index - 1)];
}

TImageList ParseImageInfo(const std::vector<std::wstring>& lines, std::uint32_t exitCode)
{
    TImageList list;
    switch (exitCode) {
    case 0:
        break;
    case WimlibExit::WimIsEncrypted:
        list.State = TImageListState::Encrypted;
        return list;
    case WimlibExit::InvalidHeader:
    case WimlibExit::NotAWimFile:
    case WimlibExit::UnexpectedEndOfFile:
        list.State = TImageListState::NotAWim;
        return list;
    default:
        return list;  // it could not say: unknown
    }

    std::uint64_t declared = 0;
    bool counted = false;
    std::vector<TImageEntry> images;
    std::wstring label;
    std::wstring value;
    for (const std::wstring& line : lines) {
        if (!SplitField(line, label, value))
            continue;
        if (images.empty() && label == L"Image Count") {
            counted = ParseNumber(value, declared);
            continue;
        }
        if (label == L"Index") {
            std::uint64_t index = 0;
            // Images are listed in their order: anything else is not this output.
            if (!ParseNumber(value, index) || index != images.size() + 1)
                return TImageList{};
            images.emplace_back().Index = static_cast<int>(index);
            continue;
        }
        if (images.empty())
            continue;
        TImageEntry& image = images.back();
        for (const TTextField& field : kTextFields)
            if (label == field.Label)
                image.*field.Field = value;
        for (const TNumberField& field : kNumberFields)
            if (label == field.Label && !ParseNumber(value, image.*field.Field))
                return TImageList{};
    }
    if (!counted || declared != images.size())
        return TImageList{};
    list.State = TImageListState::Known;
    list.Images = std::move(images);
    return list;
}

const std::wstring& ShownName(const TImageEntry& image)
{
    return image.DisplayName.empty() ? image.Name : image.DisplayName;
}

std::wstring ArchitectureLabel(const std::wstring& wimlibArchitecture)
{
    for (const TArchitectureName& name : kArchitectures)
        if (EqualsIgnoringCase(wimlibArchitecture, name.Wimlib))
            return name.Windows;
    return wimlibArchitecture;
}

bool IsSetupImage(const TImageEntry& image)
{
    if (EqualsIgnoringCase(image.InstallationType, L"WindowsPE") || EqualsIgnoringCase(image.EditionId, L"WindowsPE"))
        return true;
    for (const wchar_t* prefix : kSetupNamePrefixes)
        if (StartsIgnoringCase(image.Name, prefix))
            return true;
    return false;
}

int FirstWindowsImage(const TImageList& list)
{
    if (list.State != TImageListState::Known)
        return 0;
    for (const TImageEntry& image : list.Images)
        if (!IsSetupImage(image))
            return image.Index;
    return 0;
}

int ParseIndex(const std::wstring& text)
{
    std::uint64_t value = 0;
    if (text.size() > 6 || !ParseNumber(text, value))
        return 0;
    return static_cast<int>(value);
}

int IndexEntryCount(const TImageList& list)
{
    return list.State == TImageListState::Known && list.Count() > kPlainIndexEntries ? list.Count()
                                                                                     : kPlainIndexEntries;
}
