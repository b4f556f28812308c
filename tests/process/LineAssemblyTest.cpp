// Line assembly of captured output: pieces of bytes in, raw and line reports
// and the kept lines out.

#include "process/JvReaderCore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using Report = std::pair<std::wstring, bool>;

// Each byte as the character of the same code (Latin-1).
std::wstring DecodeLatin1(std::string_view bytes)
{
    std::wstring text;
    for (char c : bytes)
        text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return text;
}

// A double-byte code page: 0x81..0x9F lead a two-byte character; a lead byte
// without its trail byte decodes as U+30FB, as the system does for an
// incomplete character.
std::wstring DecodeDoubleByte(std::string_view bytes)
{
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x81 && b <= 0x9F) {
            if (i + 1 < bytes.size()) {
                const auto trail = static_cast<unsigned char>(bytes[++i]);
                text += static_cast<wchar_t>(0x4E00 + ((b - 0x81) << 8) + trail);
            } else {
                text += static_cast<wchar_t>(0x30FB);
            }
        } else {
            text += static_cast<wchar_t>(b);
        }
    }
    return text;
}

// The character lengths of that code page.
std::size_t DoubleByteLength(std::string_view bytes)
{
    if (bytes.empty())
        return 0;
    const auto b = static_cast<unsigned char>(bytes[0]);
    if (b >= 0x81 && b <= 0x9F)
        return bytes.size() >= 2 ? 2 : 0;
    return 1;
}

class TTestReader : public TJvBaseReader {
public:
    TTestReader(TJvCPSDecoder decoder, bool ownerData, TJvCPSCharLength charLength = {})
        : TJvBaseReader(reinterpret_cast<TJvCreateProcess*>(this), std::move(decoder), std::move(charLength)),
          FOwnerDataValue(ownerData)
    {
        OnRawRead = [this](TJvCreateProcess* sender, const std::wstring& s) {
            EXPECT_EQ(sender, FCreateProcess);
            Raw.push_back(s);
        };
        OnRead = [this](TJvCreateProcess* sender, const std::wstring& s, bool startsOnNewLine) {
            EXPECT_EQ(sender, FCreateProcess);
            Reads.emplace_back(s, startsOnNewLine);
        };
    }

    void Feed(std::string piece) { ProcessPiece(piece.data(), piece.size()); }

    std::vector<std::wstring> Raw;
    std::vector<Report> Reads;

protected:
    bool OwnerData() const override { return FOwnerDataValue; }

private:
    bool FOwnerDataValue;
};

struct LineCase {
    const char* name;
    std::vector<std::string> pieces;
    std::vector<Report> reads;           // after all pieces and the stream's end
    std::vector<std::wstring> kept;      // ConsoleOutput without coOwnerData
};

std::string Bytes(std::initializer_list<int> codes)
{
    std::string s;
    for (int c : codes)
        s += static_cast<char>(c);
    return s;
}

const std::vector<LineCase>& LineCases()
{
    static const std::vector<LineCase> cases = {
        {"one piece with CR LF", {"abc\r\ndef\r\n"},
         {{L"abc", true}, {L"def", true}, {L"", true}}, {L"abc", L"def", L""}},
        {"line split over two pieces", {"hel", "lo\n"},
         {{L"hel", true}, {L"hello", false}, {L"", true}}, {L"hello", L""}},
        {"progress with CR", {"10%\r", "20%\r", "100%\r\n"},
         {{L"10%", true}, {L"20%", false}, {L"100%", false}, {L"", true}}, {L"100%", L""}},
        {"shorter text after CR overwrites the start", {"abcdef\rXY\n"},
         {{L"XYcdef", true}, {L"", true}}, {L"XYcdef", L""}},
        {"BS moves back without erasing", {"abc\bX\n"}, {{L"abX", true}, {L"", true}}, {L"abX", L""}},
        {"BS at the line start stays at 0", {"\b\bab\n"}, {{L"ab", true}, {L"", true}}, {L"ab", L""}},
        {"BS after the start then overwrite", {"a\b\bZ\n"}, {{L"Z", true}, {L"", true}}, {L"Z", L""}},
        {"TAB is eight spaces", {"a\tb\n"}, {{L"a        b", true}, {L"", true}}, {L"a        b", L""}},
        {"TAB after CR overwrites", {"abcdefghijk\r\tX\n"},
         {{L"        Xjk", true}, {L"", true}}, {L"        Xjk", L""}},
        {"NUL and BEL are spaces", {Bytes({'a', 0, 'b', 7, 'c', 10})},
         {{L"a b c", true}, {L"", true}}, {L"a b c", L""}},
        {"ESC stays in the text", {Bytes({'a', 27, '[', '1', 'm', 10})},
         {{L"a\x1b[1m", true}, {L"", true}}, {L"a\x1b[1m", L""}},
        {"output without a final line feed", {"done"}, {{L"done", true}, {L"done", false}}, {L"done"}},
        {"CR as the last byte of the stream", {"ab\r"}, {{L"ab", true}, {L"ab", false}}, {L"ab"}},
        {"empty piece", {""}, {{L"", true}}, {L""}},
    };
    return cases;
}

class LineAssembly : public testing::TestWithParam<LineCase> {};

TEST_P(LineAssembly, ReportsAndKeptLines)
{
    const LineCase& c = GetParam();
    for (bool ownerData : {false, true}) {
        SCOPED_TRACE(ownerData ? "with coOwnerData" : "without coOwnerData");
        TTestReader reader(DecodeLatin1, ownerData);
        reader.BeginLines();
        for (const std::string& piece : c.pieces)
            reader.Feed(piece);
        reader.EndLines();

        EXPECT_THAT(reader.Reads, testing::ElementsAreArray(c.reads));
        // One raw report per piece, the piece as written (before NUL/BEL become spaces).
        std::vector<std::wstring> raw;
        for (const std::string& piece : c.pieces)
            raw.push_back(DecodeLatin1(piece));
        EXPECT_EQ(reader.Raw, raw);
        if (ownerData)
            EXPECT_TRUE(reader.ConsoleOutput().empty());
        else
            EXPECT_EQ(reader.ConsoleOutput(), c.kept);
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, LineAssembly, testing::ValuesIn(LineCases()),
                         [](const testing::TestParamInfo<LineCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0'; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(LineAssemblyRuns, StreamEndAfterCompleteLineReportsNothing)
{
    TTestReader reader(DecodeLatin1, false);
    reader.BeginLines();
    reader.Feed("abc\r\n");
    const auto before = reader.Reads.size();
    reader.EndLines();
    EXPECT_EQ(reader.Reads.size(), before);
}

TEST(LineAssemblyRuns, SecondRunAppendsToKeptLines)
{
    TTestReader reader(DecodeLatin1, false);
    reader.BeginLines();
    reader.Feed("first\npartial");
    reader.EndLines();
    reader.BeginLines();
    EXPECT_TRUE(reader.CurrentLine().empty());
    EXPECT_EQ(reader.CursorPosition(), 0);
    reader.Feed("second\n");
    reader.EndLines();
    EXPECT_EQ(reader.ConsoleOutput(), (std::vector<std::wstring>{L"first", L"partial", L"second", L""}));
    // The new run starts a new line instead of replacing the last one of the old run.
    EXPECT_EQ(reader.Reads.at(3), Report(L"second", true));
}

TEST(LineAssemblyRuns, MultiByteCharacterSplitAcrossPieces)
{
    TTestReader reader(DecodeDoubleByte, false);
    reader.BeginLines();
    reader.Feed(Bytes({'x', 0x82}));
    reader.Feed(Bytes({0x41, 'y', '\n'}));
    reader.EndLines();

    const wchar_t whole = static_cast<wchar_t>(0x4E00 + (1 << 8) + 0x41);
    // Raw reports convert each piece alone: the character arrives in halves.
    ASSERT_EQ(reader.Raw.size(), 2u);
    EXPECT_EQ(reader.Raw[0], (std::wstring{L'x', static_cast<wchar_t>(0x30FB)}));
    EXPECT_EQ(reader.Raw[1], (std::wstring{L'A', L'y', L'\n'}));
    // Line reports convert the whole line anew: the character is whole.
    EXPECT_THAT(reader.Reads, testing::ElementsAre(Report(std::wstring{L'x', static_cast<wchar_t>(0x30FB)}, true),
                                                   Report(std::wstring{L'x', whole, L'y'}, false),
                                                   Report(L"", true)));
    EXPECT_EQ(reader.ConsoleOutput(), (std::vector<std::wstring>{std::wstring{L'x', whole, L'y'}, L""}));
}

TEST(LineAssemblyRuns, HandlerFailureDoesNotKeepTheFinishedLineOpen)
{
    TTestReader reader(DecodeLatin1, false);
    reader.OnRead = [](TJvCreateProcess*, const std::wstring& s, bool) {
        if (s == L"boom")
            throw std::runtime_error("handler failed");
    };
    reader.BeginLines();
    EXPECT_THROW(reader.Feed("boom\nlost"), std::runtime_error);
    reader.OnRead = [&reader](TJvCreateProcess*, const std::wstring& s, bool f) { reader.Reads.emplace_back(s, f); };
    reader.Feed("next\n");
    EXPECT_THAT(reader.Reads, testing::ElementsAre(Report(L"next", true), Report(L"", true)));
}

// Decoding a line piece by piece must give what decoding it whole gives,
// whatever the pieces and the moves of the write position.
TEST(LineAssemblyRuns, PieceByPieceDecodingMatchesWholeLineDecoding)
{
    const std::string lead = Bytes({0x82});
    const std::string trail = Bytes({0x41});
    struct Case {
        const char* name;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"character split at every piece", {"x" + lead, trail + lead, trail + "y" + lead, trail + "\n"}},
        {"CR rewrites a decoded start", {"abc" + lead + trail + "def", "\rXY", lead, trail + "\n"}},
        {"BS into a decoded character", {lead + trail + lead + trail, "\b\bZZ", "\n"}},
        {"TAB and lone lead byte at the end", {"a\t" + lead, "b" + lead}},
        {"long progress line", {std::string(3000, 'p'), "\r10%", "\r20%" + lead, trail + "\r\n"}},
    };
    for (const Case& c : cases) {
        TTestReader whole(DecodeDoubleByte, false);
        TTestReader pieces(DecodeDoubleByte, false, DoubleByteLength);
        for (TTestReader* reader : {&whole, &pieces}) {
            reader->BeginLines();
            for (const std::string& piece : c.pieces)
                reader->Feed(piece);
            reader->EndLines();
        }
        EXPECT_EQ(pieces.Reads, whole.Reads) << c.name;
        EXPECT_EQ(pieces.ConsoleOutput(), whole.ConsoleOutput()) << c.name;
    }
}

TEST(LineAssemblyRuns, LongLineIsNotDecodedAgainForEveryPiece)
{
    std::size_t decoded = 0;
    const auto counting = [&decoded](std::string_view bytes) {
        decoded += bytes.size();
        return DecodeLatin1(bytes);
    };
    TTestReader reader(counting, true, [](std::string_view b) -> std::size_t { return b.empty() ? 0 : 1; });
    reader.BeginLines();
    constexpr std::size_t kPieces = 1024;  // a 1 MiB line without a line feed
    for (std::size_t i = 0; i < kPieces; ++i)
        reader.Feed(std::string(1024, static_cast<char>('a' + i % 26)));
    reader.EndLines();
    ASSERT_EQ(reader.Reads.size(), kPieces + 1);
    EXPECT_EQ(reader.Reads.back().first.size(), kPieces * 1024);
    // The raw reports decode each piece once; the line reports add each byte once more.
    EXPECT_LE(decoded, 3 * kPieces * 1024) << "decoded " << decoded << " bytes";
}

TEST(LineAssemblyRuns, HandlerThatEndsTheRunStopsThePieceAtOnce)
{
    struct Case {
        const char* name;
        bool fromRawRead;
        std::vector<Report> reads;
    };
    const Case cases[] = {
        {"in the line report", false, {{L"one", true}}},
        {"in the raw report", true, {}},
    };
    for (const Case& c : cases) {
        TTestReader reader(DecodeLatin1, false);
        if (c.fromRawRead)
            reader.OnRawRead = [&reader](TJvCreateProcess*, const std::wstring&) { reader.AbandonLines(); };
        reader.OnRead = [&reader](TJvCreateProcess*, const std::wstring& s, bool f) {
            reader.Reads.emplace_back(s, f);
            reader.AbandonLines();
        };
        reader.BeginLines();
        const std::uint32_t generation = reader.Generation();
        reader.Feed("one\ntwo\nthree");
        EXPECT_NE(reader.Generation(), generation) << c.name;
        EXPECT_EQ(reader.Reads, c.reads) << c.name;
    }
}

TEST(LineAssemblyRuns, HandlerMayReplaceItselfWhileItRuns)
{
    TTestReader reader(DecodeLatin1, false);
    std::vector<std::string> seen;
    // A capture too large for the function's own storage: it lives on the heap.
    const std::string label(200, 'L');
    reader.OnRead = [&reader, &seen, label](TJvCreateProcess*, const std::wstring&, bool) {
        reader.OnRead = [&seen](TJvCreateProcess*, const std::wstring&, bool) { seen.push_back("second"); };
        seen.push_back(label);  // the capture is still there
    };
    reader.BeginLines();
    reader.Feed("a\nb\n");
    EXPECT_EQ(seen, (std::vector<std::string>{label, "second", "second"}));
}

}  // namespace
