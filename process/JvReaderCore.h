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
// The length of the character that starts bytes, when it is complete within
// them; 0 when it is not. Lets a line be decoded piece by piece instead of
// whole at every report.
using TJvCPSCharLength = std::function<std::size_t(std::string_view bytes)>;

inline constexpr std::size_t CPS_BUFFER_SIZE = 1024;
using TJvCPSBuffer = std::array<char, CPS_BUFFER_SIZE>;

class TJvBaseReader {
public:
    // Without charLength every line report decodes the whole line.
    TJvBaseReader(TJvCreateProcess* owner, TJvCPSDecoder decoder, TJvCPSCharLength charLength = {});
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
    // spaces in place. Ends with a report of the line in progress. Stops at
    // once, without a further report, when a handler ends the run (below).
    void ProcessPiece(char* bytes, std::size_t count);
    // The stream has ended: a line without its line feed is reported once more.
    void EndLines();
    // The run is over for this reader (stopped, or its owner is going away):
    // a piece being processed stops after the handler that is running.
    void AbandonLines() noexcept { ++FGeneration; }
    // Changes with every BeginLines and AbandonLines: whoever raises events
    // compares it before and after a handler to learn whether the run it
    // serves is still the reader's.
    std::uint32_t Generation() const noexcept { return FGeneration; }

protected:
    // True when the owner does not want the lines kept in ConsoleOutput.
    virtual bool OwnerData() const = 0;
    void SetDecoder(TJvCPSDecoder decoder, TJvCPSCharLength charLength);

    TJvCreateProcess* FCreateProcess;
    std::vector<std::wstring> FConsoleOutput;
    std::string FCurrentLine;
    std::int32_t FCursorPosition = 0;
    bool FStartsOnNewLine = false;

private:
    void WriteRun(const char* bytes, std::size_t count);
    void ReportLine(bool complete);
    // The text of FCurrentLine; decodes only what changed since the last call.
    std::wstring LineText();
    void ForgetDecodedFrom(std::size_t position);

    TJvCPSDecoder FDecoder;
    TJvCPSCharLength FCharLength;
    std::uint32_t FGeneration = 0;
    // The decoded start of FCurrentLine: FDecodedText is the text of its first
    // FCheckpoints.back().Bytes bytes, which end on a character boundary.
    // Each report adds a checkpoint; a write before one drops it.
    struct TCheckpoint {
        std::size_t Bytes;
        std::size_t TextLength;
    };
    std::vector<TCheckpoint> FCheckpoints;
    std::wstring FDecodedText;
};
