#pragma once
// Before the long write: the chosen index against the image list, and the
// estimated size of the new install.wim against the drive it goes to.
// Portable: the drive's facts come in as values.

#include "imageinfo/ImageInfo.h"

#include <cstdint>
#include <string>
#include <vector>

enum class TCompression { Lzx, Lzms };

// About how large the install.wim is that exporting the image writes.
std::uint64_t EstimateOutputBytes(const TImageEntry& image, TCompression compression);

struct TTargetVolume {
    bool Known = false;           // free space and file system could be read
    std::uint64_t FreeBytes = 0;  // free for this user
    std::wstring FileSystem;      // "NTFS", "FAT32", "exFAT", ...
};

// The largest file the file system holds; 0 when it sets no limit that an
// image reaches.
std::uint64_t LargestFile(const std::wstring& fileSystem);

enum class TWriteCheckKind {
    MissingIndex,  // the file has no image with the chosen index
    Encrypted,     // wimlib cannot read the file
    FileTooLarge,  // the drive's file system cannot hold a file that large
    FreeSpace,     // the drive has less room than the estimate
};

struct TWriteCheck {
    TWriteCheckKind Kind;
    bool Refuses;                // an error box, and nothing starts; else a Ja/Nein question
    int Index = 0;               // the chosen index
    int ImageCount = 0;          // how many images the file holds
    std::uint64_t Estimate = 0;  // the estimated output size
    std::uint64_t Room = 0;      // the free bytes, or the largest file the drive holds
};

// The checks that apply, in the order they are put to the user. None while
// the list is unknown (or the file no WIM) or no index is chosen: the
// conversion then starts as it always has.
std::vector<TWriteCheck> WriteChecks(const TImageList& list, const std::wstring& indexText, TCompression compression,
                                     const TTargetVolume& volume);
