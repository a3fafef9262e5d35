#pragma once
// TOraParser: the lexer for Oracle SQL and PL/SQL texts, a TParser with Oracle's character
// classes and its own table: 7 symbols (codes 1..7) and 30 keywords (codes 8..37). "#" and "$"
// are letters inside an identifier (V$SESSION is one identifier) but a lexeme that begins with
// one of them is a lone symbol; single quotes delimit strings, double quotes an identifier kept
// with its quotes; "--" starts a line comment ("//" does not), "/*" ... "*/" a block comment.
// Symbol 6 is " :=" with a leading blank, which no lexeme can match: ":=" comes back as ":" then
// "=". Ownership and threads as TParser.
#include "dataaccess/VtParser.h"

namespace ora {

// Codes of the table.
inline constexpr int lxStar = 1, lxEqual = 2, lxColon = 3, lxComma = 4, lxDot = 5, lxAssign = 6, lxSlash = 7;
inline constexpr int lxAND = 8, lxAS = 9, lxBEGIN = 10, lxBODY = 11, lxBY = 12, lxCONNECT = 13, lxCREATE = 14,
                     lxDECLARE = 15, lxDELETE = 16, lxEND = 17, lxFOR = 18, lxFROM = 19, lxFUNCTION = 20,
                     lxGROUP = 21, lxINSERT = 22, lxINTO = 23, lxIS = 24, lxOR = 25, lxORDER = 26, lxPACKAGE = 27,
                     lxPROCEDURE = 28, lxREPLACE = 29, lxRETURNING = 30, lxSELECT = 31, lxSTART = 32,
                     lxTRIGGER = 33, lxTYPE = 34, lxUNION = 35, lxUPDATE = 36, lxWHERE = 37;

class TOraParser : public da::TParser {
 public:
  explicit TOraParser(const char* text);
  static const da::TLexemTable& OraLexemTable();

 protected:
  bool IsAlpha(char c) const override;
  bool IsStringQuote(char c) const override;
  bool IsIdentQuote(char c) const override;
  bool IsInlineComment(const char* p) const override;
};

}  // namespace ora
