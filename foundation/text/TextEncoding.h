#pragma once
// The code page of stored texts. Texts are UTF-8 inside the program; where they leave it for a
// file that the original program and its peers read (the object stream, the enciphered
// password), they are GB18030: GBK for every character GBK has, four-byte codes for the rest, so
// that any text survives. The conversion is glibc's iconv; a text of ASCII only is returned as
// it is without calling it.
//
// Nothing is guessed: bytes given as GB18030 are decoded as GB18030. A byte sequence that is not
// GB18030 (a damaged file) becomes U+FFFD, one per byte; the single byte 0x80, which the
// original's code page used for the euro sign, is read as U+20AC. A text handed to
// Utf8ToGb18030 that is not well-formed UTF-8 (bytes that came from outside, such as a child's
// output) has each stray byte written as U+FFFD, so a save never fails on it.
//
// Free functions; any thread may call them (each thread keeps its own converters). Raises
// olv::Exception only when the system lacks the GB18030 converter.
#include <cstddef>
#include <string>
#include <string_view>

namespace olv {

std::string Utf8ToGb18030(std::string_view utf8);
std::string Gb18030ToUtf8(std::string_view gb18030);
// The same into out, whose storage is reused (a writer converting many texts).
void Utf8ToGb18030(std::string_view utf8, std::string& out);
// True when every byte is ASCII: the text is the same in both code pages.
bool IsAscii(std::string_view text);

// The byte length of the character that starts at pos: 1 for ASCII and for a byte that begins no
// character, 2 or 4 for a lead byte (by its second byte), never past the end; 0 at the end.
std::size_t Gb18030CharLen(std::string_view gb18030, std::size_t pos);
// The length of the longest start of gb18030, at most maxBytes long, that splits no character.
std::size_t Gb18030WholeLength(std::string_view gb18030, std::size_t maxBytes);

}  // namespace olv
