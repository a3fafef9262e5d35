// Fuzzes the SQL lexer: for any text and switches, the lexer ends, never reads outside the text,
// and with blanks and comments returned its lexemes rebuild the text with tiling positions. An
// unknown character raises and leaves the position on it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "dataaccess/VtParser.h"
#include "fuzz/LexerWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string text = fuzzsupport::LexerText(data, size);
  da::TParser parser(text.c_str());
  fuzzsupport::WalkLexemes(parser, text, data[0], [](int, const std::string&) {});
  return 0;
}
