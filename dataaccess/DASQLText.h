#pragma once
// SQL text rewriting that holds for any SQL dialect the generic lexer reads: a condition added to
// the WHERE clause of a SELECT text, at depth 0, before its first clause keyword (CONNECT, FOR,
// GROUP, ORDER, START, UNION and the like) or at its end. A text without SELECT comes back
// unchanged. Pure functions, any thread.
#include <string>

namespace da {

// Without a WHERE clause: "\rWHERE " + condition + " "; with one: " AND " + condition + " " (on a
// line of its own after a comment, so that a line comment cannot swallow it). An empty condition
// changes nothing.
std::string AddWhereCondition(const std::string& sql, const std::string& condition);

}  // namespace da
