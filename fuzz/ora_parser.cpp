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
#include "fuzz/LexerWalk.h"
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
  const std::string text = fuzzsupport::LexerText(data, size);
  ora::TOraParser parser(text.c_str());
  const bool stepBack = data[0] & 16;
  fuzzsupport::WalkLexemes(parser, text, data[0], [&](int code, const std::string& lexem) {
    if (parser.CurrPos() == parser.PrevPos()) std::abort();
    if (code > 0 ? !MatchesTable(parser, code, lexem, parser.Uppercase) : !IsOwnCode(code)) std::abort();
    if (code == da::lcIdent) {
      const char first = lexem.empty() ? '\0' : lexem[0];
      if (first == '\0' || first == '#' || first == '$' || (first >= '0' && first <= '9')) std::abort();
    }
    if (stepBack) {
      const int end = parser.CurrPos();
      std::string again;
      parser.Back();
      if (parser.GetNext(again) != code || again != lexem || parser.CurrPos() != end) std::abort();
    }
  });
  return 0;
}
