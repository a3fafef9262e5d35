#pragma once
// Wildcard matching of texts against patterns with "*" (any run of characters, also none) and "?"
// (exactly one character). Matching backtracks, so "abab" matches "*ab" and "abc" matches "*?c".
// Characters are whole UTF-8 characters; without case sensitivity only A-Z/a-z are folded.
// Pure; any thread.
#include <string_view>

namespace olv {

bool MatchWildcard(std::string_view text, std::string_view pattern, bool caseSensitive);

// True when `patterns` is empty or any of its fields (split at `delimiter`, quote-aware) matches.
bool MatchWildcardList(std::string_view text, std::string_view patterns, char delimiter, bool caseSensitive);

}  // namespace olv
