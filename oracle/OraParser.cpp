#include "oracle/OraParser.h"

namespace ora {

const da::TLexemTable& TOraParser::OraLexemTable() {
  static const da::TLexemTable table{
      {"*", "=", ":", ",", ".", " :=", "/"},
      {"AND", "AS", "BEGIN", "BODY", "BY", "CONNECT", "CREATE", "DECLARE", "DELETE", "END",
       "FOR", "FROM", "FUNCTION", "GROUP", "INSERT", "INTO", "IS", "OR", "ORDER", "PACKAGE",
       "PROCEDURE", "REPLACE", "RETURNING", "SELECT", "START", "TRIGGER", "TYPE", "UNION", "UPDATE", "WHERE"}};
  return table;
}

TOraParser::TOraParser(const char* text) : da::TParser(text) {
  SetLexemTable(OraLexemTable());
  CommentBegin = "/*";
  CommentEnd = "*/";
}

bool TOraParser::IsAlpha(char c) const { return da::TParser::IsAlpha(c) || c == '#' || c == '$'; }

bool TOraParser::IsStringQuote(char c) const { return c == '\''; }

bool TOraParser::IsIdentQuote(char c) const { return c == '"'; }

bool TOraParser::IsInlineComment(const char* p) const { return p[0] == '-' && p[1] == '-'; }

}  // namespace ora
