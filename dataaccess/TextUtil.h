#pragma once
// Text helpers of the data-access layer over the library's UTF-8 helpers (foundation/text/Utf8.h):
// case mapping touches ASCII letters only, and a text is never cut inside a multi-byte character.
// What the library lacks, the UTF-16 conversion of wide-string fields, lives here. Pure functions,
// any thread.
#include <cstddef>
#include <string>
#include <string_view>

#include "foundation/text/Utf8.h"

namespace da {

using olv::utf8::AsciiUpper;

// The longest prefix of text of at most maxBytes bytes that ends on a character boundary.
inline std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes) {
  return olv::utf8::CutWhole(text, maxBytes).size();
}

// The text without the blanks and control characters (codes up to 32) at either end.
std::string TrimText(std::string_view text);

// UTF-8 <-> UTF-16. Malformed UTF-8 bytes become U+FFFD; lone surrogates likewise.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace da
