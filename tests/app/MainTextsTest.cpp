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
