#pragma once
// Scanners for numbers and string literals on which the expression compiler and the macro scanner
// rest. Positions are 1-based byte positions (position 1 is the first byte; length + 1 is the end),
// full width. Texts are UTF-8; every byte these scanners test for is ASCII, so a multi-byte
// character is never taken apart. All functions are pure and may be called from any thread.
//
// A string literal is a run, without blanks, of parts: "text", 'text' (a doubled quote closes one
// part and opens the next), #code (a NumberEnd number) and ^X (X a letter or "_").
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace olv {

// The byte at 1-based `pos`, or '\0' outside the text.
inline char CharAt(std::string_view text, std::size_t pos) {
  return pos >= 1 && pos <= text.size() ? text[pos - 1] : '\0';
}

// Position after an integer token at pos: an optional sign, then "$" or "0x" with hexadecimal
// digits, or decimal digits. A sign or prefix is only taken when something follows it. Without a
// digit the result is pos itself (a lone "-" consumes nothing).
std::size_t NumberEnd(std::string_view text, std::size_t pos);

// NumberEnd, then one more NumberEnd after a ".", "E" or "e": 1.5, 1e5 and 1e-5 are one token,
// 1.5e3 ends before the "e".
std::size_t NumberEndEx(std::string_view text, std::size_t pos);

// From the quote at pos, the position after the next equal quote (length + 1 when there is none).
std::size_t SkipQuote(std::string_view text, std::size_t pos);

// Position after the string literal that begins at pos (pos itself when none begins there).
std::size_t SkipLiteral(std::string_view text, std::size_t pos);

// First position at or after pos where `delimiter` stands outside string literals beginning with a
// quote; length + 1 when there is none (an unmatched quote hides everything after it). An empty
// delimiter is never found.
std::size_t FindDelimiter(std::string_view text, std::string_view delimiter, std::size_t pos = 1);

// From pos, counts "(" up and ")" down outside literals and stops after the character at which
// the depth returns to 0 (after the first element when it is no parenthesis). `balanced` is false
// when the text ended first, or at once after a ")" that has no "(" before it. Returns the position after the last character examined.
std::size_t MatchParen(std::string_view text, std::size_t pos, bool& balanced);

// pos when the byte at pos is not in firstSet, else the position after the run of following
// bytes in restSet.
std::size_t ScanCharSet(std::string_view text, std::size_t pos, std::string_view firstSet,
                        std::string_view restSet);

// The platform's integer conversion: optional blanks, an optional sign, then decimal digits or "$"
// and hexadecimal digits, nothing after. False on anything else or beyond 64 bits.
bool TryStrToInt(std::string_view text, std::int64_t& value);

// Removes leading blanks (bytes below 33) and the NumberEnd token that follows, and returns its
// value (0 when the token is no number).
std::int64_t ParseCharCode(std::string& text);

// The text is expected to begin with a quote; returns the text up to the next single occurrence of
// that quote, a doubled quote giving one, and removes everything through the closing quote (the
// whole text when it is missing).
std::string ParseQuotedText(std::string& text);

// Reads one string literal from the front of `text`, joining parts and literals joined by "+":
// 'ab'#13#10 + 'cd' gives "ab\r\ncd". A following quote, "#" or "^" stays in the text; any other
// character after the literal is removed. Codes of "#" above 127 are appended as UTF-8 code points.
std::string ParseStringLiteral(std::string& text);

}  // namespace olv
