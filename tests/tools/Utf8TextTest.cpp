#include "tools/wimbridge/Utf8Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using wimbridge::Utf8Decoder;

std::u16string DecodeWhole(const std::string& bytes)
{
    Utf8Decoder d;
    std::u16string text = d.Feed(bytes);
    return text + d.Finish();
}

TEST(Utf8Decoder, DecodesWellFormedAndReplacesIllFormedText)
{
    struct Case {
        const char* Name;
        std::string Bytes;
        std::u16string Text;
    };
    const Case cases[] = {
        {"ascii with CR LF", "Name: Eins\r\n", u"Name: Eins\r\n"},
        {"umlauts", "\xC3\x84pfel \xC3\x96l \xC3\x9C" "bergr\xC3\xB6\xC3\x9F" "e", u"Äpfel Öl Übergröße"},
        {"three-byte euro sign", "\xE2\x82\xAC", u"\u20AC"},
        {"four-byte character as a surrogate pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"stray continuation byte", "a\x80" "b", u"a\uFFFDb"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three-byte form", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"Latin-1 byte, not UTF-8", "Gr\xF6\xDF" "e", u"Gr\uFFFD\uFFFDe"},
        {"truncated character before ASCII", "\xC3" "A", u"\uFFFDA"},
        {"truncated three-byte character at the end", "x\xE2\x82", u"x\uFFFD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeWhole(c.Bytes), c.Text) << c.Name;
}

TEST(Utf8Decoder, CharactersSplitBetweenPiecesAreHeldBackNotBroken)
{
    // Every way of cutting the text into two pieces gives the same text,
    // and nothing of a character appears before its last byte arrived.
    const std::string bytes = "\xC3\x84pfel \xE2\x82\xAC \xF0\x9F\x98\x80!";
    const std::u16string expected = u"Äpfel \u20AC \U0001F600!";
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        Utf8Decoder d;
        const std::u16string first = d.Feed(bytes.substr(0, cut));
        const std::u16string second = d.Feed(bytes.substr(cut));
        const std::u16string rest = d.Finish();
        EXPECT_EQ(first + second + rest, expected) << "cut at " << cut;
        EXPECT_EQ(first.find(u'\uFFFD'), std::u16string::npos) << "cut at " << cut;
    }
}

TEST(Utf8Decoder, ByteByByteFeedingGivesTheSameText)
{
    const std::string bytes = "Pfad: /tmp/\xC3\x9C" "bergr\xC3\xB6\xC3\x9F" "e/a.esd\n\xF0\x9F\x98\x80";
    Utf8Decoder d;
    std::u16string text;
    for (char b : bytes)
        text += d.Feed(std::string(1, b));
    text += d.Finish();
    EXPECT_EQ(text, u"Pfad: /tmp/Übergröße/a.esd\n\U0001F600");
    // Finish leaves nothing behind for a later stream.
    EXPECT_EQ(d.Finish(), u"");
}

} // namespace
