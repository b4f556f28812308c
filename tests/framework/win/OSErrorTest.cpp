#include "framework/win/OSError.h"

#include <gtest/gtest.h>

TEST(EOSError, CodeZeroHasTheGenericMessage)
{
    const EOSError error = MakeOSError(0);
    EXPECT_EQ(error.ErrorCode, 0u);
    EXPECT_EQ(error.Message, L"Ein Aufruf einer Betriebssystemfunktion ist fehlgeschlagen");
}

TEST(EOSError, RealCodeCarriesTheSystemTextWithoutTrailingStopAndBreaks)
{
    const std::wstring systemText = SysErrorMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(systemText.empty());
    const EOSError error = MakeOSError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(error.ErrorCode, 2u);
    EXPECT_EQ(error.Message, L"Systemfehler.  Code: 2.\r\n" + CleanSystemErrorText(systemText));
    EXPECT_NE(error.Message.back(), L'.');
    EXPECT_NE(error.Message.back(), L'\n');
}

TEST(EOSError, RaiseLastOSErrorTakesGetLastError)
{
    SetLastError(ERROR_ACCESS_DENIED);
    try {
        RaiseLastOSError();
        FAIL() << "no exception";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode, 5u);
        EXPECT_EQ(e.Message.rfind(L"Systemfehler.  Code: 5.\r\n", 0), 0u);
    }
}

TEST(EOSError, DisplayTextAppendsTheFullStop)
{
    std::exception_ptr failure;
    try {
        RaiseOSError(ERROR_FILE_NOT_FOUND);
    } catch (...) {
        failure = std::current_exception();
    }
    const std::wstring text = ExceptionDisplayText(failure);
    EXPECT_EQ(text, MakeOSError(2).Message + L".");
}
