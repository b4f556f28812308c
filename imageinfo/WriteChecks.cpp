#include "imageinfo/WriteChecks.h"

#include <cwctype>

namespace {

// The estimate rule. wimlib stores each file's data once (hard links and
// identical files share it), so the image's Total Bytes less its Hard Link
// Bytes is what gets compressed. What share of it the export writes was
// measured with wimlib-imagex 1.13.5: a folder captured into a solid ESD, as
// Microsoft ships them, then exported with Nimbrel's two settings (README,
// "The size estimate"). Wine's Windows folder of PE programs and libraries
// came to 26 % (LZX) and 13.5 % (LZMS); documents, manuals and translations
// to 44.6 % and 32.4 %. The larger share of the two is taken, rounded up:
// warning of a drive that would have held the file costs a question, not
// warning of one that fills up costs the whole wait.
constexpr std::uint64_t kLzxPermille = 450;   // "maximum": --compress=LZX
constexpr std::uint64_t kLzmsPermille = 330;  // "recovery": --solid (LZMS)
// The header, lookup table, XML data and integrity table, and then some.
constexpr std::uint64_t kFixedBytes = 16ull << 20;

constexpr std::uint64_t kGiB = 1ull << 30;

struct TFileSizeLimit {
    const wchar_t* FileSystem;
    std::uint64_t LargestFile;
};
constexpr TFileSizeLimit kFileSizeLimits[] = {
    {L"FAT32", 4 * kGiB - 1},
};

bool SameName(const std::wstring& a, const wchar_t* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != L'\0'; ++i)
        if (std::towupper(a[i]) != std::towupper(b[i]))
            return false;
    return i == a.size() && b[i] == L'\0';
}

}  // namespace

std::uint64_t EstimateOutputBytes(const TImageEntry& image, TCompression compression)
{
    const std::uint64_t stored =
        image.TotalBytes > image.HardLinkBytes ? image.TotalBytes - image.HardLinkBytes : image.TotalBytes;
    const std::uint64_t permille = compression == TCompression::Lzx ? kLzxPermille : kLzmsPermille;
    // Divided first: no overflow for any size a file system can hold.
    return stored / 1000 * permille + (stored % 1000 * permille + 999) / 1000 + kFixedBytes;
}

std::uint64_t LargestFile(const std::wstring& fileSystem)
{
    for (const TFileSizeLimit& limit : kFileSizeLimits)
        if (SameName(fileSystem, limit.FileSystem))
            return limit.LargestFile;
    return 0;
}

std::vector<TWriteCheck> WriteChecks(const TImageList& list, const std::wstring& indexText, TCompression compression,
                                     const TTargetVolume& volume)
{
    if (list.State == TImageListState::Encrypted)
        return {TWriteCheck{TWriteCheckKind::Encrypted, true}};
    const int index = ParseIndex(indexText);
    if (list.State != TImageListState::Known || index == 0)
        return {};
    const TImageEntry* image = list.Find(index);
    if (image == nullptr)
        return {TWriteCheck{TWriteCheckKind::MissingIndex, true, index, list.Count()}};

    std::vector<TWriteCheck> checks;
    if (!volume.Known)
        return checks;
    const std::uint64_t estimate = EstimateOutputBytes(*image, compression);
    // A file system that cannot hold the file fails for certain: asked first.
    const std::uint64_t largest = LargestFile(volume.FileSystem);
    if (largest != 0 && estimate > largest)
        checks.push_back({TWriteCheckKind::FileTooLarge, false, index, list.Count(), estimate, largest});
    if (volume.FreeBytes < estimate)
        checks.push_back({TWriteCheckKind::FreeSpace, false, index, list.Count(), estimate, volume.FreeBytes});
    return checks;
}
