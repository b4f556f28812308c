#include "tools/wimbridge/Utf8Text.h"

namespace wimbridge {

namespace {

constexpr char16_t Replacement = 0xFFFD;

// The length a lead byte announces (0: no lead byte) and the range its
// second byte must lie in, which rules out overlong forms, surrogates and
// values past U+10FFFF in one test.
struct Lead {
    int Length;
    unsigned char Low;
    unsigned char High;
};

Lead LeadOf(unsigned char b)
{
    if (b < 0x80)
        return {1, 0, 0};
    if (b >= 0xC2 && b <= 0xDF)
        return {2, 0x80, 0xBF};
    if (b == 0xE0)
        return {3, 0xA0, 0xBF};
    if (b == 0xED)
        return {3, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF)
        return {3, 0x80, 0xBF};
    if (b == 0xF0)
        return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3)
        return {4, 0x80, 0xBF};
    if (b == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

void Append(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

} // namespace

std::u16string Utf8Decoder::Feed(std::string_view bytes)
{
    std::string data = FPending;
    data.append(bytes);
    FPending.clear();

    std::u16string out;
    out.reserve(data.size());
    std::size_t i = 0;
    while (i < data.size()) {
        const auto b = static_cast<unsigned char>(data[i]);
        const Lead lead = LeadOf(b);
        if (lead.Length == 1) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        if (lead.Length == 0) {
            out += Replacement;
            ++i;
            continue;
        }
        // Check the continuation bytes that are there; an incomplete but so
        // far valid character waits for the next piece.
        char32_t c = b & (0xFF >> (lead.Length + 1));
        int taken = 1;
        bool broken = false;
        while (taken < lead.Length && i + taken < data.size()) {
            const auto next = static_cast<unsigned char>(data[i + taken]);
            const unsigned char low = taken == 1 ? lead.Low : 0x80;
            const unsigned char high = taken == 1 ? lead.High : 0xBF;
            if (next < low || next > high) {
                broken = true;
                break;
            }
            c = (c << 6) | (next & 0x3F);
            ++taken;
        }
        if (broken) {
            // The bytes so far form one ill-formed piece; the byte that broke
            // it is looked at again as a possible start.
            out += Replacement;
            i += taken;
            continue;
        }
        if (taken < lead.Length) {
            FPending.assign(data, i, std::string::npos);
            break;
        }
        Append(out, c);
        i += taken;
    }
    return out;
}

std::u16string Utf8Decoder::Finish()
{
    if (FPending.empty())
        return {};
    FPending.clear();
    return std::u16string(1, Replacement);
}

} // namespace wimbridge
