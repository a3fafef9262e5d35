#pragma once
// The walk both SQL lexer targets make. The input's first byte holds the switches (bit 0 omit
// blanks, 1 omit comments, 2 upper case, 3 quoted strings; the rest are the target's own), the
// rest is the text up to the first NUL, which is where the lexer stops reading. The walk aborts
// unless the lexer ends, every call consumes text, positions tile the text without leaving it,
// and, with blanks and comments returned, the lexemes rebuild the text. An unknown character
// must raise, and raise again, leaving the position on it. `checkLexeme(code, lexem)` adds a
// target's own checks for each lexeme before the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dataaccess/DAErrors.h"
#include "dataaccess/VtParser.h"

namespace fuzzsupport {

inline std::string LexerText(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return text;
}

template <class Parser, class Check>
void WalkLexemes(Parser& parser, const std::string& text, std::uint8_t switches, Check&& checkLexeme) {
  parser.OmitBlank = switches & 1;
  parser.OmitComment = switches & 2;
  parser.Uppercase = switches & 4;
  parser.QuotedString = switches & 8;
  const bool rebuild = !parser.OmitBlank && parser.QuotedString && !parser.Uppercase;

  std::string joined, lexem;
  int expectedStart = 0;
  for (std::size_t calls = 0;; ++calls) {
    if (calls > text.size() + 1) std::abort();  // every call consumes at least one byte
    int code;
    try {
      code = parser.GetNext(lexem);
    } catch (const da::Exception&) {
      const int at = parser.CurrPos();
      try {
        parser.GetNext(lexem);
        std::abort();  // the same character must raise again
      } catch (const da::Exception&) {
      }
      if (parser.CurrPos() != at) std::abort();
      return;
    }
    if (parser.PrevPos() != expectedStart || parser.CurrPos() < parser.PrevPos() ||
        parser.CurrPos() > static_cast<int>(text.size()))
      std::abort();
    if (code == da::lcEnd) break;
    checkLexeme(code, lexem);
    if (rebuild &&
        text.compare(static_cast<std::size_t>(parser.PrevPos()),
                     static_cast<std::size_t>(parser.CurrPos() - parser.PrevPos()), lexem) != 0)
      std::abort();
    joined += lexem;
    expectedStart = parser.CurrPos();
  }
  if (rebuild && joined != text) std::abort();
}

}  // namespace fuzzsupport
