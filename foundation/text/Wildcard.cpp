#include "foundation/text/Wildcard.h"

#include "foundation/text/TextFields.h"
#include "foundation/text/Utf8.h"

namespace olv {
namespace {

bool SameChar(std::string_view a, std::string_view b, bool caseSensitive) {
  if (a.size() != b.size()) return false;
  if (caseSensitive || a.size() != 1) return a == b;
  return utf8::AsciiUpper(a[0]) == utf8::AsciiUpper(b[0]);
}

}  // namespace

bool MatchWildcard(std::string_view text, std::string_view pattern, bool caseSensitive) {
  std::size_t t = 0, p = 0;
  std::size_t starP = std::string_view::npos, starT = 0;
  // Greedy walk; on a mismatch the last "*" takes one more character and the walk resumes
  // after it. Only the last star needs revisiting, so this stays O(text x pattern).
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starT = t;
      continue;
    }
    const std::size_t tl = utf8::CharLen(text, t);
    if (p < pattern.size()) {
      const std::size_t pl = utf8::CharLen(pattern, p);
      if (pattern[p] == '?' || SameChar(text.substr(t, tl), pattern.substr(p, pl), caseSensitive)) {
        t += tl;
        p += pl;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    p = starP;
    starT += utf8::CharLen(text, starT);
    t = starT;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool MatchWildcardList(std::string_view text, std::string_view patterns, char delimiter, bool caseSensitive) {
  if (patterns.empty()) return true;
  const std::string_view delim(&delimiter, 1);
  const std::size_t n = FieldCount(patterns, delim);
  for (std::size_t i = 0; i < n; ++i)
    if (MatchWildcard(text, GetField(patterns, delim, i), caseSensitive)) return true;
  return false;
}

}  // namespace olv
