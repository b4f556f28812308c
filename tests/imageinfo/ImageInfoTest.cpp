#include "imageinfo/ImageInfo.h"
#include "imageinfo/WriteChecks.h"

#include "framework/StrUtils.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::vector<std::wstring> OutputOf(const std::string& file)
{
    std::ifstream in(std::string(NIMBREL_IMAGEINFO_DATA) + "/" + file, std::ios::binary);
    EXPECT_TRUE(in.good()) << file;
    std::vector<std::wstring> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(Utf8ToWide(line));
    return lines;
}

constexpr auto Known = TImageListState::Known;
constexpr auto Unknown = TImageListState::Unknown;

}  // namespace

TEST(ParseImageInfo, WhatWimlibPrinted)
{
    struct Case {
        const char* File;
        std::uint32_t ExitCode;
        TImageListState State;
        int Count;
        int Index;  // the image looked at
        const wchar_t* Name;
        const wchar_t* Edition;
        const wchar_t* Architecture;
        bool Setup;
    };
    const Case cases[] = {
        {"drei.txt", 0, Known, 3, 1, L"Windows 10 Pro für Ärzte", L"Professional", L"x64", false},
        {"drei.txt", 0, Known, 3, 2, L"Windows 10 Education", L"Education", L"x86", false},
        {"drei.txt", 0, Known, 3, 3, L"Größe: Übung 3", L"", L"", false},
        {"elf.txt", 0, Known, 11, 11, L"Windows 10 Pro N for Workstations", L"ProfessionalWorkstationN", L"x64", false},
        {"setup.txt", 0, Known, 4, 1, L"Windows Setup Media", L"", L"x64", true},
        {"setup.txt", 0, Known, 4, 3, L"Microsoft Windows Setup (x64)", L"WindowsPE", L"x64", true},
        {"setup.txt", 0, Known, 4, 4, L"Windows 10 Pro", L"Professional", L"x64", false},
        {"verschluesselt.txt", 74, TImageListState::Encrypted, 0, 0, nullptr, nullptr, nullptr, false},
        {"kein.txt", 43, TImageListState::NotAWim, 0, 0, nullptr, nullptr, nullptr, false},
        // A list the tool did not stand by is no list.
        {"drei.txt", 47, Unknown, 0, 0, nullptr, nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.File) + " image " + std::to_string(c.Index));
        const TImageList list = ParseImageInfo(OutputOf(c.File), c.ExitCode);
        EXPECT_EQ(list.State, c.State);
        EXPECT_EQ(list.Count(), c.Count);
        if (c.Name == nullptr)
            continue;
        const TImageEntry* image = list.Find(c.Index);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Index, c.Index);
        EXPECT_EQ(ShownName(*image), c.Name);
        EXPECT_EQ(image->EditionId, c.Edition);
        EXPECT_EQ(ArchitectureLabel(image->Architecture), c.Architecture);
        EXPECT_EQ((std::pair{image->TotalBytes, image->HardLinkBytes}), (std::pair<std::uint64_t, std::uint64_t>{10007, 5000}));
        EXPECT_EQ(IsSetupImage(*image), c.Setup);
    }
    const TImageList setup = ParseImageInfo(OutputOf("setup.txt"), 0);
    EXPECT_EQ(FirstWindowsImage(setup), 4);
    EXPECT_EQ(IndexEntryCount(ParseImageInfo(OutputOf("elf.txt"), 0)), 11);
    EXPECT_EQ(IndexEntryCount(setup), 9);
    EXPECT_EQ(IndexEntryCount(TImageList{}), 9);
}

TEST(ParseImageInfo, OutputThatDoesNotHangTogetherIsUnknown)
{
    std::vector<std::wstring> cut = OutputOf("elf.txt");
    cut.resize(cut.size() / 2);  // the count says eleven
    std::vector<std::wstring> shuffled = OutputOf("drei.txt");
    for (std::wstring& line : shuffled)
        if (line.rfind(L"Index:", 0) == 0 && line.back() == L'2')
            line.back() = L'3';
    for (const auto& lines : {cut, shuffled, std::vector<std::wstring>{}})
        EXPECT_EQ(ParseImageInfo(lines, 0).State, Unknown);
}

TEST(WriteChecks, WhichApply)
{
    TImageList list = ParseImageInfo(OutputOf("drei.txt"), 0);
    list.Images[0].TotalBytes = 20ull << 30;  // Windows 10 Pro at its real size
    const std::uint64_t estimate = EstimateOutputBytes(list.Images[0], TCompression::Lzx);
    const TTargetVolume roomy{true, 500ull << 30, L"NTFS"};
    const TTargetVolume fat32{true, 500ull << 30, L"FAT32"};
    const TTargetVolume tight{true, estimate - 1, L"NTFS"};
    const TTargetVolume unread{};
    TImageList encrypted;
    encrypted.State = TImageListState::Encrypted;
    TImageList notAWim;
    notAWim.State = TImageListState::NotAWim;
    using K = TWriteCheckKind;
    struct Case {
        const TImageList* List;
        const wchar_t* Index;
        TTargetVolume Volume;
        std::vector<K> Expected;
    };
    const TImageList unknown;
    const Case cases[] = {
        {&list, L"1", roomy, {}},
        {&list, L"2", tight, {}},  // image 2 is tiny
        {&list, L"4", roomy, {K::MissingIndex}},
        {&list, L"1", fat32, {K::FileTooLarge}},
        {&list, L"1", TTargetVolume{true, estimate - 1, L"fat32"}, {K::FileTooLarge, K::FreeSpace}},
        {&list, L"1", tight, {K::FreeSpace}},
        {&list, L"1", unread, {}},
        {&list, L"", tight, {}},  // no entry chosen: the batch file gets four arguments, as ever
        {&encrypted, L"1", roomy, {K::Encrypted}},
        {&notAWim, L"1", tight, {}},
        {&unknown, L"12", tight, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "index " << WideToUtf8(c.Index) << ", " << WideToUtf8(c.Volume.FileSystem));
        std::vector<K> kinds;
        for (const TWriteCheck& check : WriteChecks(*c.List, c.Index, TCompression::Lzx, c.Volume))
            kinds.push_back(check.Kind);
        EXPECT_EQ(kinds, c.Expected);
    }
    const auto missing = WriteChecks(list, L"4", TCompression::Lzms, roomy).at(0);
    EXPECT_EQ((std::tuple{missing.Refuses, missing.Index, missing.ImageCount}), (std::tuple{true, 4, 3}));
    const auto space = WriteChecks(list, L"1", TCompression::Lzx, tight).at(0);
    EXPECT_EQ((std::tuple{space.Refuses, space.Estimate, space.Room}), (std::tuple{false, estimate, estimate - 1}));
}

TEST(WriteChecks, TheEstimateCoversWhatWimlibWrote)
{
    // Measured: the data wimlib stored for an image (Total Bytes less Hard
    // Link Bytes) and the size of the file its export wrote.
    struct Sample {
        const char* What;
        std::uint64_t Stored;
        TCompression Compression;
        std::uint64_t Written;
    };
    const Sample samples[] = {
        {"Wine's Windows folder, maximum", 717656572, TCompression::Lzx, 186162401},
        {"Wine's Windows folder, recovery", 717656572, TCompression::Lzms, 96812976},
        {"documents, manuals, translations, maximum", 325742881, TCompression::Lzx, 145143801},
        {"documents, manuals, translations, recovery", 325742881, TCompression::Lzms, 105584332},
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.What);
        TImageEntry image;
        image.TotalBytes = s.Stored + 1000;
        image.HardLinkBytes = 1000;
        const std::uint64_t estimate = EstimateOutputBytes(image, s.Compression);
        EXPECT_GE(estimate, s.Written);
        EXPECT_LE(estimate, 3 * s.Written);  // near enough not to warn of a drive with room to spare
    }
}
