#pragma once
// The Oracle dataset's SQL text builders, read with the Oracle lexer (OraParser.h): a condition
// added to or put in place of the WHERE clause of a SELECT text, the ORDER BY list set, removed or
// read, and the tables of the FROM clause. Only the statement's own clauses count: anything inside
// parentheses (subqueries, inline views), strings and comments is passed over. A WHERE scan stops
// at CONNECT, FOR, GROUP, ORDER, START or UNION at depth 0; an ORDER BY scan at FOR.
//
// Each builder works from the first SELECT of the text; a text without SELECT comes back
// unchanged. Inserted clauses go on a line of their own where a line comment could otherwise
// swallow them. Pure functions, any thread.
#include <string>
#include <vector>

namespace ora {

// Without a WHERE clause: "\rWHERE " + condition + " " before the first clause keyword (or after
// the trimmed text); with one: " AND " + condition + " " ("\rAND " after a comment). An empty
// condition changes nothing.
std::string AddWhere(const std::string& sql, const std::string& condition);
// The WHERE clause's condition replaced by condition; an empty condition removes the clause.
std::string SetWhere(const std::string& sql, const std::string& condition);
inline std::string DeleteWhere(const std::string& sql) { return SetWhere(sql, std::string()); }
// The ORDER BY list replaced by fields (";" separates as "," does); empty fields remove the clause.
std::string SetOrderBy(const std::string& sql, const std::string& fields);
// The text after the statement's ORDER BY; empty when it has none.
std::string GetOrderBy(const std::string& sql);

struct TTableInfo {
  std::string Name;   // as written: schema.table, table@link
  std::string Alias;  // empty when none
};
inline constexpr int kMaxTables = 50;
// The tables of the first FROM clause at depth 0, in order; inline views are skipped. More than
// kMaxTables tables fail an assertion.
std::vector<TTableInfo> GetTablesInfo(const std::string& sql);

}  // namespace ora
