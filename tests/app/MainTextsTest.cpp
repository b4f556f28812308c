#include "app/MainTexts.h"

#include <gtest/gtest.h>

TEST(AppDir, DirectoryOfTheExecutableWithOneBackslash)
{
    EXPECT_EQ(ComposeAppDir(L"C:\\Nimbrel\\Nimbrel.exe"), L"C:\\Nimbrel\\");
    EXPECT_EQ(ComposeAppDir(L"C:\\Nimbrel.exe"), L"C:\\");
    EXPECT_EQ(ComposeAppDir(L"X:\\Nimbrel.exe"), L"X:\\");
}

TEST(ConversionCommandLine, MatchesTheDocumentedExampleExactly)
{
    const std::wstring appDir = L"C:\\Nimbrel\\";
    EXPECT_EQ(ComposeConversionCommandLine(appDir, ToolPath(appDir, true), L"D:\\sources\\install.esd", L"LZX", L"1"),
              L" /C \" \"C:\\Nimbrel\\Tools\\convertESD_wimlib.bat\" \"C:\\Nimbrel\\Tools\\wimlib_x64\\wimlib-imagex.exe\" "
              L"\"D:\\sources\\install.esd\" \"C:\\Nimbrel\\WIM\\install.wim\" LZX 1 \"");
}

TEST(ConversionCommandLine, EmptyIndexLeavesTwoBlanksBeforeTheClosingQuote)
{
    const std::wstring line =
        ComposeConversionCommandLine(L"C:\\A\\", ToolPath(L"C:\\A\\", false), L"E:\\x.esd", L"LZMS", L"");
    EXPECT_EQ(line.substr(line.size() - 8), L" LZMS  \"");
    EXPECT_NE(line.find(L"\\Tools\\wimlib_x86\\wimlib-imagex.exe\""), std::wstring::npos);
}

TEST(ConversionCommandLine, PathsAreTakenVerbatim)
{
    const std::wstring appDir = L"C:\\Ä ö (1) & x^y!z 50%\\";
    const std::wstring line =
        ComposeConversionCommandLine(appDir, ToolPath(appDir, false), L"D:\\a b\\install.esd", L"LZX", L"9");
    EXPECT_EQ(line, L" /C \" \"" + appDir + L"Tools\\convertESD_wimlib.bat\" \"" + appDir +
                        L"Tools\\wimlib_x86\\wimlib-imagex.exe\" \"D:\\a b\\install.esd\" \"" + appDir +
                        L"WIM\\install.wim\" LZX 9 \"");
}

TEST(MainTexts, MessagesWithTheirCarriageReturns)
{
    const std::wstring appDir = L"C:\\Nimbrel\\";
    EXPECT_EQ(MainTexts::OutputExists(appDir),
              L"Fehler: C:\\Nimbrel\\WIM\\Install.wim gefunden.\rLöschen Sie diese Datei bevor Sie dieses Tool "
              L"erneut verwenden. Abbruch.");
    EXPECT_EQ(MainTexts::BatchMissing(appDir),
              L"Fehler: C:\\Nimbrel\\Tools\\convertESD_wimlib.bat nicht gefunden.\rBitte entpacken Sie das "
              L"kommplette Tool-Pakte.");
    const std::wstring tool = ToolPath(appDir, true);
    EXPECT_EQ(MainTexts::ToolMissing(tool),
              L"Fehler: " + tool +
                  L" nicht gefunden.\rBitte prüfen Sie, ob Download/Installation korrekt erfolgt ist.\rDie "
                  L"EXE-Datei muss unter \r" +
                  tool + L"\rzu finden sein.");
    EXPECT_EQ(MainTexts::Success(appDir),
              L"Erfolg: Die Datei Install.wim liegt im Verzeichnis C:\\Nimbrel\\WIM\\install.wim");
    EXPECT_EQ(MainTexts::NoSource(), L"Fehler: Sie müssen eine ESD/WIM-Datei auswählen.");
    EXPECT_EQ(MainTexts::Failure(), L"Fehler: Die Datei Install.wim wurde nicht erstellt.");
}

TEST(OtherCommandLines, ExplorerSelectionAndInfoQuery)
{
    EXPECT_EQ(ComposeExplorerParameters(L"C:\\Nimbrel\\"), L"/e,/select,\"C:\\Nimbrel\\WIM\\install.wim\"");
    EXPECT_EQ(ComposeInfoCommandLine(L"D:\\sources\\install.esd"), L" info \"D:\\sources\\install.esd\"");
}

TEST(GermanSize, AsExplorerShowsSizes)
{
    const std::pair<std::uint64_t, const wchar_t*> cases[] = {
        {0, L"0 Bytes"}, {1, L"1 Byte"}, {1023, L"1023 Bytes"}, {1024, L"1,0 KB"}, {1075, L"1,0 KB"},
        {1076, L"1,1 KB"}, {(1ull << 20) - 1, L"1,0 MB"}, {16965120000ull, L"15,8 GB"}, {4ull << 30, L"4,0 GB"},
        {~0ull, L"16777216,0 TB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(GermanSize(bytes), text) << bytes;
}

TEST(ImageHint, WhatTheLineSaysForTheChosenIndex)
{
    TImageList list;
    list.State = TImageListState::Known;
    list.Images = {{1, L"Windows Setup Media", L"", L"", L"x86_64", L"", 300000, 0},
                   {2, L"Windows 10 Pro", L"", L"Professional", L"x86_64", L"Client", 16965120000ull, 0},
                   {3, L"", L"", L"", L"", L"", 2048, 0}};
    TImageList onlySetup = list;
    onlySetup.Images.resize(1);
    TImageList encrypted;
    encrypted.State = TImageListState::Encrypted;
    TImageList notAWim;
    notAWim.State = TImageListState::NotAWim;
    const struct {
        const TImageList* List;
        const wchar_t* Index;
        const wchar_t* Hint;
    } cases[] = {
        {&list, L"2", L"Image 2: Windows 10 Pro · x64 · 15,8 GB"},
        {&list, L"3", L"Image 3: (ohne Namen) · 2,0 KB"},
        {&list, L"1", L"Image 1 ist ein Setup-Image; wählen Sie Image 2."},
        {&onlySetup, L"1", L"Image 1 ist ein Setup-Image, kein Windows."},
        {&list, L"9", L"Kein Image 9: die Datei enthält 3 Images."},
        {&onlySetup, L"2", L"Kein Image 2: die Datei enthält 1 Image."},
        {&list, L"", L""},
        {&encrypted, L"1", L"Verschlüsselte ESD-Datei – erst entschlüsseln."},
        {&notAWim, L"", L"Keine vollständige WIM- oder ESD-Datei."},
        {nullptr, L"1", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeHint(c.List != nullptr ? *c.List : TImageList{}, c.Index).Whole(), c.Hint);
    EXPECT_EQ(MainTexts::IndexEntryDetail(list.Images[1]), L"Windows 10 Pro · Professional · x64");
}

TEST(ImageHint, TheNameGivesWayFirst)
{
    const THintText hint{L"Image 6: ", L"Windows 10 Pro for Workstations", L" · x64 · 15,8 GB"};
    const auto length = [](const std::wstring& text) { return static_cast<int>(text.size()); };
    EXPECT_EQ(FitHint(hint, 60, length), L"Image 6: Windows 10 Pro for Workstations · x64 · 15,8 GB");
    EXPECT_EQ(FitHint(hint, 40, length), L"Image 6: Windows 10 Pro… · x64 · 15,8 GB");
    EXPECT_EQ(FitHint(hint, 20, length), L"Image 6: Windows 10…");
    EXPECT_EQ(FitHint({L"Die Quelldatei ist keine WIM-Datei.", L"", L""}, 15, length), L"Die Quelldatei…");
}

TEST(MainTexts, ChecksBeforeTheLongWrite)
{
    EXPECT_EQ(MainTexts::MissingIndex(10, 4),
              L"Die Quelldatei enthält kein Image mit dem Index 10 (sie enthält 4 Images).");
    EXPECT_EQ(MainTexts::FreeSpaceQuestion(L"C:\\Nimbrel\\WIM", 3435973837ull, 4939212390ull),
              L"Auf dem Laufwerk des Ordners C:\\Nimbrel\\WIM sind nur 3,2 GB frei, die neue Install.wim wird aber "
              L"voraussichtlich etwa 4,6 GB groß.\r\rTrotzdem konvertieren?");
    EXPECT_EQ(MainTexts::FileTooLargeQuestion(L"E:\\WIM", L"FAT32", (4ull << 30) - 1, 4939212390ull),
              L"Der Ordner E:\\WIM liegt auf einem Laufwerk mit FAT32. Dort kann keine Datei größer als 4,0 GB "
              L"werden, die neue Install.wim wird aber voraussichtlich etwa 4,6 GB groß.\r\rTrotzdem konvertieren?");
}
