#pragma once
// The failure types of the whole program. Every failure is an exception
// derived from Exception; an operating-system failure is an EOSError that
// carries the system's error code.

#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    const char* what() const noexcept override;

    std::wstring Message;

private:
    std::string FNarrow;  // for what(); UTF-8 of Message
};

class EOSError : public Exception {
public:
    EOSError(std::uint32_t errorCode, std::wstring message);
    std::uint32_t ErrorCode;
};

// The message of an EOSError for a code and the system's text for it.
// A code of 0 gives the generic message.
std::wstring ComposeOSErrorMessage(std::uint32_t errorCode, const std::wstring& systemText);

// The system's text without trailing blanks, line breaks and full stops.
std::wstring CleanSystemErrorText(const std::wstring& systemText);

// The text the application shows for a failure: the message of the
// innermost nested exception, with a full stop appended when its last
// character comes after "." in code order.
std::wstring ExceptionDisplayText(std::exception_ptr failure);
std::wstring AppendFullStop(const std::wstring& message);
