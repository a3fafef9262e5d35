#include "dataaccess/DASQLText.h"

#include <array>
#include <string_view>

#include "dataaccess/TextUtil.h"
#include "dataaccess/VtParser.h"

namespace da {

namespace {

bool IsClauseKeyword(const std::string& upper) {
  static constexpr std::array<std::string_view, 11> kStops = {
      "CONNECT", "FOR", "GROUP", "ORDER", "START", "UNION", "HAVING", "LIMIT", "EXCEPT", "INTERSECT", "MINUS"};
  for (std::string_view stop : kStops)
    if (upper == stop) return true;
  return false;
}

}  // namespace

std::string AddWhereCondition(const std::string& sql, const std::string& condition) {
  const std::string cond = TrimText(condition);
  if (cond.empty()) return sql;
  TParser parser(sql.c_str());
  parser.Uppercase = true;
  std::string lexem;
  int code = lcEnd;
  // From the first SELECT on.
  for (code = parser.GetNext(lexem); code != lcEnd; code = parser.GetNext(lexem))
    if (code == lcIdent && AsciiUpper(lexem) == "SELECT") break;
  if (code == lcEnd) return sql;
  int depth = 0;
  bool hasWhere = false, commentBefore = false;
  int stopAt = -1;
  for (code = parser.GetNext(lexem); code != lcEnd; code = parser.GetNext(lexem)) {
    if (code == lcComment) {
      commentBefore = true;
      continue;
    }
    if (lexem == "(") {
      ++depth;
    } else if (lexem == ")") {
      --depth;
    } else if (depth == 0 && code == lcIdent) {
      const std::string upper = AsciiUpper(lexem);
      if (upper == "WHERE") {
        hasWhere = true;
      } else if (IsClauseKeyword(upper)) {
        // The keyword itself starts after whatever its call skipped.
        stopAt = parser.CurrPos() - static_cast<int>(lexem.size());
        break;
      }
    }
    commentBefore = false;
  }
  const std::string addition =
      hasWhere ? (commentBefore ? "\rAND " : " AND ") + cond + " " : "\rWHERE " + cond + " ";
  if (stopAt < 0) return TrimText(sql) + addition;
  return sql.substr(0, static_cast<std::size_t>(stopAt)) + addition + sql.substr(static_cast<std::size_t>(stopAt));
}

}  // namespace da
