#include "framework/Exception.h"

#include "framework/StrUtils.h"

Exception::Exception(std::wstring message) : Message(std::move(message)), FNarrow(WideToUtf8(Message)) {}

const char* Exception::what() const noexcept { return FNarrow.c_str(); }

EOSError::EOSError(std::uint32_t errorCode, std::wstring message)
    : Exception(std::move(message)), ErrorCode(errorCode) {}

std::wstring CleanSystemErrorText(const std::wstring& systemText)
{
    std::wstring text = systemText;
    while (!text.empty()) {
        const wchar_t c = text.back();
        if (c == L' ' || c == L'\r' || c == L'\n' || c == L'\t' || c == L'.')
            text.pop_back();
        else
            break;
    }
    return text;
}

std::wstring ComposeOSErrorMessage(std::uint32_t errorCode, const std::wstring& systemText)
{
    if (errorCode == 0)
        return L"Ein Aufruf einer Betriebssystemfunktion ist fehlgeschlagen";
    return L"Systemfehler.  Code: " + std::to_wstring(errorCode) + L".\r\n" +
           CleanSystemErrorText(systemText);  // the addition is always empty
}

std::wstring AppendFullStop(const std::wstring& message)
{
    if (!message.empty() && message.back() > L'.')
        return message + L".";
    return message;
}

namespace {

// Walks down std::nested_exception chains to the innermost failure.
std::wstring InnermostMessage(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::nested_exception& nested) {
        if (nested.nested_ptr())
            return InnermostMessage(nested.nested_ptr());
        try {
            throw;
        } catch (const Exception& e) {
            return e.Message;
        } catch (const std::exception& e) {
            return Utf8ToWide(e.what());
        }
    } catch (const Exception& e) {
        return e.Message;
    } catch (const std::exception& e) {
        return Utf8ToWide(e.what());
    } catch (...) {
        return L"Unbekannter Fehler";
    }
}

}  // namespace

std::wstring ExceptionDisplayText(std::exception_ptr failure)
{
    return AppendFullStop(InnermostMessage(failure));
}
