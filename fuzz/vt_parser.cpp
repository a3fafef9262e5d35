// Fuzzes the SQL lexer: for any text and switches, the lexer ends, never reads outside the text,
// and with blanks and comments returned its lexemes rebuild the text with tiling positions. An
// unknown character raises and leaves the position on it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dataaccess/DAErrors.h"
#include "dataaccess/VtParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t switches = data[0];
  // The lexer reads up to the first NUL; what comes after it is not text.
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));

  da::TParser parser(text.c_str());
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
      return 0;
    }
    if (parser.PrevPos() != expectedStart || parser.CurrPos() < parser.PrevPos() ||
        parser.CurrPos() > static_cast<int>(text.size()))
      std::abort();
    if (code == da::lcEnd) break;
    if (rebuild &&
        text.compare(static_cast<std::size_t>(parser.PrevPos()),
                     static_cast<std::size_t>(parser.CurrPos() - parser.PrevPos()), lexem) != 0)
      std::abort();
    joined += lexem;
    expectedStart = parser.CurrPos();
  }
  if (rebuild && joined != text) std::abort();
  return 0;
}
