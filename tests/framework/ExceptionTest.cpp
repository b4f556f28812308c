#include "framework/Exception.h"

#include <gtest/gtest.h>

TEST(OSErrorMessage, CodeZeroGivesTheGenericText)
{
    EXPECT_EQ(ComposeOSErrorMessage(0, L"anything"),
              L"Ein Aufruf einer Betriebssystemfunktion ist fehlgeschlagen");
}

TEST(OSErrorMessage, CodeAndCleanedSystemText)
{
    struct Case {
        std::uint32_t code;
        std::wstring systemText;
        std::wstring expected;
    };
    const Case cases[] = {
        {2, L"Das System kann die angegebene Datei nicht finden.\r\n",
         L"Systemfehler.  Code: 2.\r\nDas System kann die angegebene Datei nicht finden"},
        {5, L"Zugriff verweigert. . \r\n\r\n", L"Systemfehler.  Code: 5.\r\nZugriff verweigert"},
        {87, L"", L"Systemfehler.  Code: 87.\r\n"},
        {3221225477u, L"x", L"Systemfehler.  Code: 3221225477.\r\nx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeOSErrorMessage(c.code, c.systemText), c.expected) << c.code;
}

TEST(ExceptionDisplay, FullStopRule)
{
    // Appended only when the last character sorts after '.' in code order.
    EXPECT_EQ(AppendFullStop(L"Fehler"), L"Fehler.");
    EXPECT_EQ(AppendFullStop(L"Fehler."), L"Fehler.");
    EXPECT_EQ(AppendFullStop(L"Fehler!"), L"Fehler!");   // '!' < '.'
    EXPECT_EQ(AppendFullStop(L"Fehler,"), L"Fehler,");   // ',' < '.'
    EXPECT_EQ(AppendFullStop(L"Fehler/"), L"Fehler/.");  // '/' > '.'
    EXPECT_EQ(AppendFullStop(L"Datei ü"), L"Datei ü.");
    EXPECT_EQ(AppendFullStop(L""), L"");
}

TEST(ExceptionDisplay, ShowsTheInnermostMessage)
{
    std::exception_ptr failure;
    try {
        try {
            throw EOSError(2, L"inner");
        } catch (...) {
            std::throw_with_nested(Exception(L"outer"));
        }
    } catch (...) {
        failure = std::current_exception();
    }
    EXPECT_EQ(ExceptionDisplayText(failure), L"inner.");

    try {
        throw Exception(L"Systemfehler.  Code: 2.\r\nText");
    } catch (...) {
        failure = std::current_exception();
    }
    EXPECT_EQ(ExceptionDisplayText(failure), L"Systemfehler.  Code: 2.\r\nText.");
}
