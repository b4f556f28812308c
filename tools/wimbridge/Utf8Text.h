#pragma once
// The host's wimlib-imagex writes UTF-8; the Windows tool it stands in for
// writes the ANSI code page. This half turns the byte stream, which arrives
// in pieces of any size, into UTF-16 for the Windows side to encode.

#include <string>
#include <string_view>

namespace wimbridge {

// Decodes UTF-8 piece by piece. A character split between two pieces is
// held back until its last byte arrives; a byte that cannot start or
// continue a well-formed character becomes U+FFFD, as do overlong forms,
// surrogates and values above U+10FFFF.
class Utf8Decoder {
public:
    std::u16string Feed(std::string_view bytes);
    // The end of the stream: a character left unfinished becomes U+FFFD.
    std::u16string Finish();

private:
    std::string FPending;
};

} // namespace wimbridge
