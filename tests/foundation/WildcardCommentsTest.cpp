#include <gtest/gtest.h>

#include "foundation/text/Comments.h"
#include "foundation/text/Wildcard.h"

namespace olv {
namespace {

TEST(Wildcard, Matching) {
  struct Case {
    const char* text;
    const char* pattern;
    bool caseSensitive, want;
  } cases[] = {
      {"abab", "*ab", true, true},  // needs backtracking: the first "ab" is not the one
      {"abc", "*?c", true, true},
      {"abc", "a*", true, true},
      {"abc", "a*c", true, true},
      {"abc", "a*b", true, false},
      {"abc", "abc", true, true},
      {"abc", "ABC", true, false},
      {"abc", "ABC", false, true},
      {"", "", true, true},
      {"", "*", true, true},
      {"", "?", true, false},
      {"a", "", true, false},
      {"abc", "**c", true, true},
      {"abc", "a**", true, true},
      {"mississippi", "m*iss*ppi", true, true},
      {"mississippi", "m*iss*x", true, false},
      {"exp_20040302.dmp", "EXP_*.DMP", false, true},
      {"file.txt", "*.t?t", true, true},
      {"中文.log", "??.log", true, true},  // "?" is one whole character
      {"中文.log", "中*", true, true},
      {"Ä", "ä", false, false},  // only ASCII letters fold
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", true, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchWildcard(c.text, c.pattern, c.caseSensitive), c.want) << c.text << " ~ " << c.pattern;
}

TEST(Wildcard, Lists) {
  EXPECT_TRUE(MatchWildcardList("anything", "", ';', true));
  EXPECT_TRUE(MatchWildcardList("a.log", "*.dmp;*.log", ';', true));
  EXPECT_FALSE(MatchWildcardList("a.txt", "*.dmp;*.log", ';', true));
  EXPECT_TRUE(MatchWildcardList("a.LOG", "*.dmp;*.log", ';', false));
}

TEST(Comments, StripCommentsKeepsLineEndsAndGroupsBodies) {
  std::string t = "a{x}b//c\r\nd(**)e";
  EXPECT_EQ(StripComments(t), "xc");  // the empty (**) body first, then {}, then //
  EXPECT_EQ(t, "ab\r\nde");
}

TEST(Comments, StripCommentsCases) {
  struct Case {
    const char* text;
    const char* stripped;
    const char* bodies;
  } cases[] = {
      {"select 'http://host' from dual", "select 'http://host' from dual", ""},  // inside a literal
      {"x := \"{a}\" // note", "x := \"{a}\" ", " note"},
      {"a // one\nb // two\n", "a \nb \n", " one two"},  // a line feed alone ends the comment
      {"a // one\r\nb", "a \r\nb", " one"},
      {"a (* unclosed", "a ", " unclosed"},
      {"a { it's } 'b'", "a  'b'", " it's "},  // a quote inside a comment is comment text
      {"a (* { *) b }", "a  b }", " { "},
      {"'unclosed // x", "'unclosed // x", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    std::string t = c.text;
    EXPECT_EQ(StripComments(t), c.bodies) << c.text;
    EXPECT_EQ(t, c.stripped) << c.text;
  }
}

TEST(Comments, ExtractBetween) {
  std::string t = "a[x]b[y]c 'p[q]'";
  std::string bodies;
  ExtractBetween(t, "[", "]", bodies, false, false);
  EXPECT_EQ(t, "abc 'p[q]'");
  EXPECT_EQ(bodies, "xy");
  t = "a[x]b";
  bodies.clear();
  ExtractBetween(t, "[", "]", bodies, true, true);  // keeping both marks must still terminate
  EXPECT_EQ(t, "a[]b");
  EXPECT_EQ(bodies, "x");
  t = "a[x";
  bodies.clear();
  ExtractBetween(t, "[", "]", bodies, true, false);
  EXPECT_EQ(t, "a");
  EXPECT_EQ(bodies, "x");
}

}  // namespace
}  // namespace olv
