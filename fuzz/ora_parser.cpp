// Fuzzes the Oracle SQL lexer: for any text and switches, the lexer ends, never reads outside the
// text, and with blanks and comments returned its lexemes rebuild the text with tiling positions.
// Every code is one the lexer can give (never the unmatchable " :=" symbol), a table code comes
// with its own symbol or keyword, an identifier never begins with "#", "$" or a digit unless it
// is quoted, and a step back reads the same lexeme again. An unknown character raises and leaves
// the position on it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dataaccess/DAErrors.h"
#include "dataaccess/TextUtil.h"
#include "oracle/OraParser.h"

namespace {

// The table's lexeme for a code, checked against what came back.
bool MatchesTable(const ora::TOraParser& parser, int code, const std::string& lexem, bool uppercase) {
  const auto& table = ora::TOraParser::OraLexemTable();
  if (code <= parser.SymbolCount()) return code != ora::lxAssign && lexem == table.Symbols[code - 1];
  if (code > parser.SymbolCount() + parser.KeywordCount()) return false;
  const std::string& keyword = table.Keywords[code - parser.SymbolCount() - 1];
  return uppercase ? lexem == keyword : da::AsciiUpper(lexem) == keyword;
}

bool IsOwnCode(int code) {
  return code == da::lcSymbol || code == da::lcIdent || code == da::lcNumber || code == da::lcString ||
         code == da::lcBlank || code == da::lcComment;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t switches = data[0];
  // The lexer reads up to the first NUL; what comes after it is not text.
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));

  ora::TOraParser parser(text.c_str());
  parser.OmitBlank = switches & 1;
  parser.OmitComment = switches & 2;
  parser.Uppercase = switches & 4;
  parser.QuotedString = switches & 8;
  const bool stepBack = switches & 16;
  const bool rebuild = !parser.OmitBlank && parser.QuotedString && !parser.Uppercase;

  std::string joined, lexem, again;
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
    if (parser.CurrPos() == parser.PrevPos()) std::abort();
    if (code > 0 ? !MatchesTable(parser, code, lexem, parser.Uppercase) : !IsOwnCode(code)) std::abort();
    if (code == da::lcIdent) {
      const char first = lexem.empty() ? '\0' : lexem[0];
      if (first == '\0' || first == '#' || first == '$' || (first >= '0' && first <= '9')) std::abort();
    }
    if (stepBack) {
      const int end = parser.CurrPos();
      parser.Back();
      if (parser.GetNext(again) != code || again != lexem || parser.CurrPos() != end) std::abort();
    }
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
