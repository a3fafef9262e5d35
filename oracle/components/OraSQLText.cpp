#include "oracle/components/OraSQLText.h"

#include <algorithm>

#include "dataaccess/DAErrors.h"
#include "dataaccess/TextUtil.h"
#include "oracle/OraParser.h"

namespace ora {

namespace {

bool IsWhereStop(int code) {
  return code == lxCONNECT || code == lxFOR || code == lxGROUP || code == lxORDER || code == lxSTART ||
         code == lxUNION;
}

// Moves the parser past the first SELECT; false when the text has none.
bool SkipToSelect(TOraParser& parser) {
  std::string lexem;
  for (int code = parser.GetNext(lexem); code != da::lcEnd; code = parser.GetNext(lexem))
    if (code == lxSELECT) return true;
  return false;
}

// Parenthesis depth of the statement as lexemes pass.
void TrackDepth(int code, const std::string& lexem, int& depth) {
  if (code != da::lcSymbol) return;
  if (lexem == "(") ++depth;
  if (lexem == ")") --depth;
}

// A text with a line break before the insertion point gets its new clause on a line of its own,
// so that a line comment before it cannot take it in.
bool HasLineBreak(const std::string& sql, std::size_t end) {
  const std::string_view head(sql.data(), std::min(end, sql.size()));
  return head.find_first_of("\r\n") != std::string_view::npos;
}

bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where a clause of the statement lies, found with blanks as lexemes and comments omitted.
struct TClauseSpan {
  bool found = false;
  std::size_t start = 0;      // where the part to replace begins
  std::size_t clauseEnd = 0;  // where it ends: before the blanks that precede the stop, or the text's end
};

// Scans from SELECT for the clause that begins with the keyword first (and second, when not 0)
// at depth 0, up to a lexeme for which stop is true at depth 0. keepKeyword: the part to replace
// starts after the keyword(s) and one blank, otherwise at the keyword.
template <class Stop>
bool FindClause(const std::string& sql, int first, int second, bool keepKeyword, Stop stop, TClauseSpan& span) {
  TOraParser parser(sql.c_str());
  parser.OmitBlank = false;
  parser.OmitComment = true;
  if (!SkipToSelect(parser)) return false;
  std::string lexem;
  int depth = 0;
  long blankStart = -1;
  std::size_t end = sql.size();
  for (int code = parser.GetNext(lexem); code != da::lcEnd; code = parser.GetNext(lexem)) {
    if (code == da::lcBlank) {
      if (blankStart < 0) blankStart = parser.PrevPos();
      continue;
    }
    const long lexemStart = parser.PrevPos();
    if (depth == 0 && stop(code)) {
      end = static_cast<std::size_t>(blankStart >= 0 ? blankStart : lexemStart);
      span.clauseEnd = end;
      return true;
    }
    blankStart = -1;
    TrackDepth(code, lexem, depth);
    if (depth == 0 && code == first && !span.found) {
      std::size_t after = static_cast<std::size_t>(parser.CurrPos());
      if (second != 0) {
        std::string next;
        int c = parser.GetNext(next);
        if (c == da::lcBlank) c = parser.GetNext(next);
        if (c != second) {
          parser.Back();
          continue;
        }
        after = static_cast<std::size_t>(parser.CurrPos());
      }
      span.found = true;
      if (keepKeyword) {
        if (after < sql.size() && IsBlankChar(sql[after])) ++after;
        span.start = after;
      } else {
        span.start = static_cast<std::size_t>(lexemStart);
      }
    }
  }
  span.clauseEnd = static_cast<std::size_t>(blankStart >= 0 ? blankStart : static_cast<long>(end));
  return true;
}

// Puts body in place of the clause found (keyword + body), or adds keyword + body.
std::string ReplaceClause(const std::string& sql, int first, int second, const std::string& keyword,
                          const std::string& body, bool (*stop)(int)) {
  TClauseSpan span;
  if (!FindClause(sql, first, second, !body.empty(), stop, span)) return sql;
  std::string result = sql;
  std::size_t insertAt = span.clauseEnd;
  if (span.found) {
    if (span.clauseEnd > span.start) result.erase(span.start, span.clauseEnd - span.start);
    insertAt = span.start;
  }
  if (body.empty()) return result;
  std::string addition = body;
  if (!span.found) addition = (HasLineBreak(result, insertAt) ? "\r " : "") + (" " + keyword + " ") + body;
  result.insert(std::min(insertAt, result.size()), addition);
  return result;
}

bool IsOrderByStop(int code) { return code == lxFOR; }

}  // namespace

std::string AddWhere(const std::string& sql, const std::string& condition) {
  const std::string cond = da::TrimText(condition);
  if (cond.empty()) return sql;
  TOraParser parser(sql.c_str());
  parser.OmitComment = false;
  if (!SkipToSelect(parser)) return sql;
  std::string lexem;
  int depth = 0;
  bool hasWhere = false, commentBefore = false;
  long stopAt = -1;
  for (int code = parser.GetNext(lexem); code != da::lcEnd; code = parser.GetNext(lexem)) {
    if (code == da::lcComment) {
      commentBefore = true;
      continue;
    }
    TrackDepth(code, lexem, depth);
    if (depth == 0 && code == lxWHERE) hasWhere = true;
    if (depth == 0 && IsWhereStop(code)) {
      stopAt = parser.CurrPos() - static_cast<long>(lexem.size());
      break;
    }
    commentBefore = false;
  }
  const std::string addition = hasWhere ? (commentBefore ? "\rAND " : " AND ") + cond + " " : "\rWHERE " + cond + " ";
  if (stopAt < 0) return da::TrimText(sql) + addition;
  const auto at = static_cast<std::size_t>(stopAt);
  return sql.substr(0, at) + addition + sql.substr(at);
}

std::string SetWhere(const std::string& sql, const std::string& condition) {
  return ReplaceClause(sql, lxWHERE, 0, "WHERE", da::TrimText(condition), &IsWhereStop);
}

std::string SetOrderBy(const std::string& sql, const std::string& fields) {
  std::string list = da::TrimText(fields);
  std::replace(list.begin(), list.end(), ';', ',');
  return ReplaceClause(sql, lxORDER, lxBY, "ORDER BY", list, &IsOrderByStop);
}

std::string GetOrderBy(const std::string& sql) {
  TClauseSpan span;
  if (!FindClause(sql, lxORDER, lxBY, true, [](int) { return false; }, span) || !span.found) return std::string();
  return sql.substr(span.start);
}

std::vector<TTableInfo> GetTablesInfo(const std::string& sql) {
  std::vector<TTableInfo> tables;
  TOraParser parser(sql.c_str());
  parser.OmitComment = true;
  std::string lexem;
  int depth = 0;
  int code;
  for (code = parser.GetNext(lexem); code != da::lcEnd; code = parser.GetNext(lexem)) {
    TrackDepth(code, lexem, depth);
    if (depth == 0 && code == lxFROM) break;
  }
  if (code == da::lcEnd) return tables;
  while (true) {
    code = parser.GetNext(lexem);
    if (code == da::lcIdent) {
      TTableInfo table;
      table.Name = lexem;
      code = parser.GetNext(lexem);
      if (code == lxDot) {
        if (parser.GetNext(lexem) != da::lcIdent) break;
        table.Name += "." + lexem;
        code = parser.GetNext(lexem);
      }
      if (code == da::lcSymbol && lexem == "@") {
        if (parser.GetNext(lexem) != da::lcIdent) break;
        table.Name += "@" + lexem;
        code = parser.GetNext(lexem);
      }
      if (code == da::lcIdent) {
        table.Alias = lexem;
        code = parser.GetNext(lexem);
      }
      da::DAAssert(tables.size() < static_cast<std::size_t>(kMaxTables), "Ora", "Too many tables");
      tables.push_back(std::move(table));
    } else if (code == da::lcSymbol && lexem == "(") {
      // An inline view: passed over with the alias that follows it.
      int inner = 1;
      while (inner > 0) {
        code = parser.GetNext(lexem);
        if (code == da::lcEnd) return tables;
        TrackDepth(code, lexem, inner);
      }
      code = parser.GetNext(lexem);
      if (code != lxComma && code != da::lcEnd) code = parser.GetNext(lexem);
    } else {
      break;
    }
    if (code != lxComma) break;
  }
  return tables;
}

}  // namespace ora
