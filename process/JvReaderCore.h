#pragma once
// The user-interface side of a captured stream: bytes arrive in pieces and
// leave as raw reports and line reports. A small terminal model assembles the
// lines: carriage return, backspace and tab move the write position inside
// the line, a line feed completes it. Portable: the byte-to-text decoding is
// handed in, and no thread or pipe is involved here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TJvCreateProcess;

// Sender, one piece exactly as the child wrote it, as text.
using TJvCPSRawReadEvent = std::function<void(TJvCreateProcess* sender, const std::wstring& s)>;
// Sender, the whole current line, and whether it begins a new line (true) or
// replaces the line reported last (false).
using TJvCPSReadEvent = std::function<void(TJvCreateProcess* sender, const std::wstring& s, bool startsOnNewLine)>;
// Turns bytes of the child's code page into text.
using TJvCPSDecoder = std::function<std::wstring(std::string_view bytes)>;

inline constexpr std::size_t CPS_BUFFER_SIZE = 1024;
using TJvCPSBuffer = std::array<char, CPS_BUFFER_SIZE>;

class TJvBaseReader {
public:
    TJvBaseReader(TJvCreateProcess* owner, TJvCPSDecoder decoder);
    virtual ~TJvBaseReader();
    TJvBaseReader(const TJvBaseReader&) = delete;
    TJvBaseReader& operator=(const TJvBaseReader&) = delete;

    // The lines of the stream when the owner keeps them; never cleared, so
    // successive runs accumulate.
    const std::vector<std::wstring>& ConsoleOutput() const noexcept { return FConsoleOutput; }

    TJvCPSRawReadEvent OnRawRead;
    TJvCPSReadEvent OnRead;

    // Line state, for inspection.
    const std::string& CurrentLine() const noexcept { return FCurrentLine; }
    std::int32_t CursorPosition() const noexcept { return FCursorPosition; }
    bool StartsOnNewLine() const noexcept { return FStartsOnNewLine; }

    // A run begins: empty line at position 0, the next report starts a line.
    void BeginLines();
    // One piece of at most CPS_BUFFER_SIZE bytes; NUL and BEL are turned into
    // spaces in place. Ends with a report of the line in progress.
    void ProcessPiece(char* bytes, std::size_t count);
    // The stream has ended: a line without its line feed is reported once more.
    void EndLines();

protected:
    // True when the owner does not want the lines kept in ConsoleOutput.
    virtual bool OwnerData() const = 0;

    TJvCreateProcess* FCreateProcess;
    std::vector<std::wstring> FConsoleOutput;
    std::string FCurrentLine;
    std::int32_t FCursorPosition = 0;
    bool FStartsOnNewLine = false;

private:
    void WriteRun(const char* bytes, std::size_t count);
    void ReportLine(bool complete);

    TJvCPSDecoder FDecoder;
};
