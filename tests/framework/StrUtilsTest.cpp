#include "framework/StrUtils.h"

#include <gtest/gtest.h>

TEST(Trim, RemovesControlCharactersAndBlanksAtBothEnds)
{
    EXPECT_EQ(Trim(L"  \t\r\n C:\\a b\\x.esd \x01\x1f "), L"C:\\a b\\x.esd");
    EXPECT_EQ(Trim(L" \t "), L"");
    EXPECT_EQ(Trim(L""), L"");
    EXPECT_EQ(Trim(L"\x21x\x21"), L"\x21x\x21");  // 33 is kept
    EXPECT_EQ(Trim(L"\u00a0x\u00a0"), L"\u00a0x\u00a0");  // no-break space is above 32
}

TEST(ApplicationTitle, FileNameCutAtFirstDotRestLowerCase)
{
    EXPECT_EQ(ApplicationTitleFromExePath(L"C:\\Programme\\Nimbrel\\Nimbrel.exe"), L"Nimbrel");
    EXPECT_EQ(ApplicationTitleFromExePath(L"C:\\x\\NIMBREL.EXE"), L"Nimbrel");
    EXPECT_EQ(ApplicationTitleFromExePath(L"C:\\x.y\\nimbrel.v2.exe"), L"nimbrel");
    EXPECT_EQ(ApplicationTitleFromExePath(L"D:\\ÄRGER.exe"), L"Ärger");
    EXPECT_EQ(ApplicationTitleFromExePath(L"Tool"), L"Tool");
}

TEST(DirectoryWithBackslash, AlwaysEndsWithOneBackslash)
{
    EXPECT_EQ(DirectoryWithBackslash(L"C:\\Nimbrel\\Nimbrel.exe"), L"C:\\Nimbrel\\");
    EXPECT_EQ(DirectoryWithBackslash(L"C:\\Nimbrel.exe"), L"C:\\");
    EXPECT_EQ(DirectoryWithBackslash(L"X:\\a (1) & b\\ü\\Nimbrel.exe"), L"X:\\a (1) & b\\ü\\");
    EXPECT_EQ(DirectoryWithBackslash(L"\\\\server\\share\\Nimbrel.exe"), L"\\\\server\\share\\");
}

TEST(Utf8, RoundTripIncludingSurrogates)
{
    const std::wstring text = L"Grüße € \U0001F600";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(L"ü"), "\xC3\xBC");
}

TEST(ExtendedLengthPath, OnlyLongAbsolutePathsTakeTheExtendedForm)
{
    const std::wstring deep(260, L'a');
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\kurz.esd", L"C:\\kurz.esd"},
        {L"C:\\" + deep, L"\\\\?\\C:\\" + deep},
        {L"d:/" + deep + L"/x.esd", L"\\\\?\\d:\\" + deep + L"\\x.esd"},
        {L"\\\\server\\share\\" + deep, L"\\\\?\\UNC\\server\\share\\" + deep},
        {L"\\\\?\\C:\\" + deep, L"\\\\?\\C:\\" + deep},
        {deep, deep},  // relative: the system's to resolve
    };
    for (const auto& [path, extended] : cases)
        EXPECT_EQ(ExtendedLengthPath(path), extended);
}
