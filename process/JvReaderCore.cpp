#include "process/JvReaderCore.h"

#include <algorithm>
#include <utility>

TJvBaseReader::TJvBaseReader(TJvCreateProcess* owner, TJvCPSDecoder decoder, TJvCPSCharLength charLength)
    : FCreateProcess(owner), FDecoder(std::move(decoder)), FCharLength(std::move(charLength))
{
}

TJvBaseReader::~TJvBaseReader() = default;

void TJvBaseReader::SetDecoder(TJvCPSDecoder decoder, TJvCPSCharLength charLength)
{
    FDecoder = std::move(decoder);
    FCharLength = std::move(charLength);
    ForgetDecodedFrom(0);
}

void TJvBaseReader::BeginLines()
{
    ++FGeneration;
    FStartsOnNewLine = true;
    FCurrentLine.clear();
    FCursorPosition = 0;
    ForgetDecodedFrom(0);
}

void TJvBaseReader::ForgetDecodedFrom(std::size_t position)
{
    while (!FCheckpoints.empty() && FCheckpoints.back().Bytes > position)
        FCheckpoints.pop_back();
    FDecodedText.resize(FCheckpoints.empty() ? 0 : FCheckpoints.back().TextLength);
}

std::wstring TJvBaseReader::LineText()
{
    if (!FCharLength)
        return FDecoder(FCurrentLine);
    const std::string_view line(FCurrentLine);
    const std::size_t start = FCheckpoints.empty() ? 0 : FCheckpoints.back().Bytes;
    // Only whole characters go into the kept text: a character whose last
    // bytes are still to come is decoded with the tail, anew next time.
    std::size_t end = start;
    while (end < line.size()) {
        const std::size_t length = FCharLength(line.substr(end));
        if (length == 0 || length > line.size() - end)
            break;
        end += length;
    }
    if (end > start) {
        FDecodedText += FDecoder(line.substr(start, end - start));
        FCheckpoints.push_back({end, FDecodedText.size()});
    }
    if (end == line.size())
        return FDecodedText;
    return FDecodedText + FDecoder(line.substr(end));
}

void TJvBaseReader::WriteRun(const char* bytes, std::size_t count)
{
    if (count == 0)
        return;
    const std::size_t position = static_cast<std::size_t>(FCursorPosition);
    if (!FCheckpoints.empty() && FCheckpoints.back().Bytes > position)
        ForgetDecodedFrom(position);
    if (FCurrentLine.size() < position + count)
        FCurrentLine.resize(position + count);
    std::copy(bytes, bytes + count, FCurrentLine.begin() + static_cast<std::ptrdiff_t>(position));
    FCursorPosition = static_cast<std::int32_t>(position + count);
}

void TJvBaseReader::ProcessPiece(char* bytes, std::size_t count)
{
    // A handler may stop the run, start the next one or let the owner go:
    // then the rest of this piece belongs to nobody.
    const std::uint32_t generation = FGeneration;
    if (OnRawRead) {
        const TJvCPSRawReadEvent handler = OnRawRead;  // survives its reassignment inside the call
        handler(FCreateProcess, FDecoder(std::string_view(bytes, count)));
        if (generation != FGeneration)
            return;
    }

    static constexpr char kTabSpaces[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < count; ++i) {
        switch (bytes[i]) {
        case 0:
        case 7:
            bytes[i] = ' ';
            break;
        case 8:
            WriteRun(bytes + runStart, i - runStart);
            if (FCursorPosition > 0)
                --FCursorPosition;
            runStart = i + 1;
            break;
        case 9:
            WriteRun(bytes + runStart, i - runStart);
            WriteRun(kTabSpaces, sizeof kTabSpaces);
            runStart = i + 1;
            break;
        case 10:
            WriteRun(bytes + runStart, i - runStart);
            ReportLine(true);
            if (generation != FGeneration)
                return;
            runStart = i + 1;
            break;
        case 13:
            WriteRun(bytes + runStart, i - runStart);
            FCursorPosition = 0;
            runStart = i + 1;
            break;
        default:
            break;
        }
    }
    WriteRun(bytes + runStart, count - runStart);
    ReportLine(false);
}

void TJvBaseReader::EndLines()
{
    if (!FCurrentLine.empty())
        ReportLine(false);
}

void TJvBaseReader::ReportLine(bool complete)
{
    const bool startsOnNewLine = FStartsOnNewLine;
    std::wstring text = LineText();
    // The line state moves on before the handler runs, so a handler that
    // raises cannot leave a finished line open for the next piece.
    if (complete) {
        FCurrentLine.clear();
        FCursorPosition = 0;
        ForgetDecodedFrom(0);
    }
    FStartsOnNewLine = complete;

    if (!OwnerData()) {
        if (startsOnNewLine || FConsoleOutput.empty())
            FConsoleOutput.push_back(text);
        else
            FConsoleOutput.back() = text;
    }
    if (OnRead) {
        const TJvCPSReadEvent handler = OnRead;
        handler(FCreateProcess, text, startsOnNewLine);
    }
}
