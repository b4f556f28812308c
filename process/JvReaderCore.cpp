#include "process/JvReaderCore.h"

#include <algorithm>
#include <utility>

TJvBaseReader::TJvBaseReader(TJvCreateProcess* owner, TJvCPSDecoder decoder)
    : FCreateProcess(owner), FDecoder(std::move(decoder))
{
}

TJvBaseReader::~TJvBaseReader() = default;

void TJvBaseReader::BeginLines()
{
    FStartsOnNewLine = true;
    FCurrentLine.clear();
    FCursorPosition = 0;
}

void TJvBaseReader::WriteRun(const char* bytes, std::size_t count)
{
    if (count == 0)
        return;
    const std::size_t position = static_cast<std::size_t>(FCursorPosition);
    if (FCurrentLine.size() < position + count)
        FCurrentLine.resize(position + count);
    std::copy(bytes, bytes + count, FCurrentLine.begin() + static_cast<std::ptrdiff_t>(position));
    FCursorPosition = static_cast<std::int32_t>(position + count);
}

void TJvBaseReader::ProcessPiece(char* bytes, std::size_t count)
{
    if (OnRawRead)
        OnRawRead(FCreateProcess, FDecoder(std::string_view(bytes, count)));

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
    std::wstring text = FDecoder(FCurrentLine);
    // The line state moves on before the handler runs, so a handler that
    // raises cannot leave a finished line open for the next piece.
    if (complete) {
        FCurrentLine.clear();
        FCursorPosition = 0;
    }
    FStartsOnNewLine = complete;

    if (!OwnerData()) {
        if (startsOnNewLine || FConsoleOutput.empty())
            FConsoleOutput.push_back(text);
        else
            FConsoleOutput.back() = text;
    }
    if (OnRead)
        OnRead(FCreateProcess, text, startsOnNewLine);
}
