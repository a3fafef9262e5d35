#pragma once
// Small text helpers of the data-access layer. Texts are UTF-8; case mapping touches ASCII
// letters only, and a text is never cut inside a multi-byte character. Pure functions, any thread.
#include <cstddef>
#include <string>
#include <string_view>

namespace da {

std::string AsciiUpper(std::string_view text);
char AsciiUpper(char c);

// Bytes in the sequence that begins with this lead byte (1 for ASCII and for a stray byte).
std::size_t Utf8SequenceLength(unsigned char lead);

// The longest prefix of text of at most maxBytes bytes that ends on a character boundary.
std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes);

// UTF-8 <-> UTF-16. Malformed UTF-8 bytes become U+FFFD; lone surrogates likewise.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace da
