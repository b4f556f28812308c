#include "framework/Format.h"

#include "framework/Exception.h"

#include <gtest/gtest.h>

TEST(FormatIndexed, IndexedAndSequentialPlaceholders)
{
    const std::vector<FormatArg> args = {std::wstring(L"Windows 7"), std::int64_t{6}, std::int64_t{1},
                                         std::int64_t{7601},         std::int64_t{1}, std::wstring(L"64-Bit-Edition")};
    EXPECT_EQ(FormatIndexed(L"%s Service Pack %4:d (Version %1:d.%2:d, Build %3:d, %5:s)", args),
              L"Windows 7 Service Pack 1 (Version 6.1, Build 7601, 64-Bit-Edition)");
    EXPECT_EQ(FormatIndexed(L"%s (Version %d.%d, Build %d, %5:s)", args),
              L"Windows 7 (Version 6.1, Build 7601, 64-Bit-Edition)");
    // A placeholder without a number continues after the previous one's.
    EXPECT_EQ(FormatIndexed(L"%3:d %d %1:d %d", args), L"7601 1 6 1");
    EXPECT_EQ(FormatIndexed(L"100%% %d", {std::int64_t{-5}}), L"100% -5");
}

TEST(FormatIndexed, RejectsMalformedTemplatesAndArguments)
{
    const std::vector<FormatArg> args = {std::int64_t{1}};
    EXPECT_THROW(FormatIndexed(L"%d %d", args), Exception);
    EXPECT_THROW(FormatIndexed(L"%s", args), Exception);
    EXPECT_THROW(FormatIndexed(L"%", args), Exception);
    EXPECT_THROW(FormatIndexed(L"%1d", args), Exception);
    EXPECT_THROW(FormatIndexed(L"%x", args), Exception);
}
