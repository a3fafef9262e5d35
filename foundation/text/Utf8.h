#pragma once
// Small UTF-8 helpers shared by every text routine of the library. Texts are UTF-8 byte strings;
// positions handed to these helpers are 0-based byte offsets. Case folding touches ASCII letters
// only, so a multi-byte character is never altered or split. All functions are pure and may be
// called from any thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace olv::utf8 {

// True for a byte that continues a multi-byte character (10xxxxxx).
constexpr bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Byte length of the character that starts at `pos` (1 for ASCII, a stray continuation byte or an
// invalid lead byte; never more than the bytes left in the text; 0 when pos is at or past the end).
std::size_t CharLen(std::string_view text, std::size_t pos);

// The offset of the start of the character that contains byte `pos` (pos itself when it starts
// one). A pos at or past the end is returned unchanged.
std::size_t CharStart(std::string_view text, std::size_t pos);

// True when `pos` is the start of a character (or the end of the text).
bool IsCharBoundary(std::string_view text, std::size_t pos);

// Cuts `text` to at most `maxBytes` bytes without splitting the last character.
std::string_view CutWhole(std::string_view text, std::size_t maxBytes);

// Number of characters (code points; a stray byte counts as one).
std::size_t Length(std::string_view text);

// Byte offset of character number `index` (0-based); the text length when there are fewer.
std::size_t OffsetOfChar(std::string_view text, std::size_t index);

// Appends the UTF-8 encoding of a code point; surrogates and values above U+10FFFF append U+FFFD.
void Append(std::string& out, char32_t cp);

// True when the whole text is well-formed UTF-8.
bool IsValid(std::string_view text);

constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// Case-insensitive comparison in which only A-Z/a-z are folded: <0, 0 or >0, bytewise otherwise.
int CompareText(std::string_view a, std::string_view b);
inline bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

// First offset of `needle` in `hay` at or after `from`, comparing ASCII case-insensitively;
// std::string_view::npos when absent.
std::size_t FindText(std::string_view hay, std::string_view needle, std::size_t from = 0);

}  // namespace olv::utf8
