// The Oracle SQL lexer: codes and lexemes of short texts.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "oracle/OraParser.h"

namespace ora {
namespace {

using Lexemes = std::vector<std::pair<int, std::string>>;

Lexemes Lex(const char* text, bool omitComment = false) {
  TOraParser parser(text);
  parser.OmitComment = omitComment;
  Lexemes out;
  std::string lexem;
  int code;
  while ((code = parser.GetNext(lexem)) != da::lcEnd) out.emplace_back(code, lexem);
  return out;
}

struct LexCase {
  const char* name;
  const char* text;
  Lexemes expected;
};

class OraParserCases : public ::testing::TestWithParam<LexCase> {};

TEST_P(OraParserCases, Lexes) { EXPECT_EQ(Lex(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Table, OraParserCases,
    ::testing::Values(
        LexCase{"Select", "select * from dual", {{31, "SELECT"}, {1, "*"}, {19, "FROM"}, {da::lcIdent, "dual"}}},
        LexCase{"AssignIsColonThenEquals", "x := 1", {{da::lcIdent, "x"}, {3, ":"}, {2, "="}, {da::lcNumber, "1"}}},
        LexCase{"Block",
                "begin null; end;",
                {{10, "BEGIN"}, {da::lcIdent, "null"}, {da::lcSymbol, ";"}, {17, "END"}, {da::lcSymbol, ";"}}},
        LexCase{"LineComment", "-- note\nselect", {{da::lcComment, "-- note"}, {31, "SELECT"}}},
        LexCase{"SlashesAreNoComment", "a // b", {{da::lcIdent, "a"}, {7, "/"}, {7, "/"}, {da::lcIdent, "b"}}},
        LexCase{"NumberSignLeadsAlone", "#a", {{da::lcSymbol, "#"}, {da::lcIdent, "a"}}},
        LexCase{"NumberSignInsideIdentifier", "a#b V$SESSION", {{da::lcIdent, "a#b"}, {da::lcIdent, "V$SESSION"}}},
        LexCase{"KeywordUpperCased", "returning", {{30, "RETURNING"}}},
        LexCase{"LongerWordIsIdentifier", "returnings", {{da::lcIdent, "returnings"}}},
        LexCase{"QuotedKeywordIsIdentifier", "\"Order\"", {{da::lcIdent, "\"Order\""}}},
        LexCase{"DoubledQuoteSplitsString", "'it''s'", {{da::lcString, "it"}, {da::lcString, "s"}}},
        LexCase{"BlockComment", "a /* c */ b", {{da::lcIdent, "a"}, {da::lcComment, " /* c */"}, {da::lcIdent, "b"}}},
        LexCase{"Parameters", ":p1,:2", {{3, ":"}, {da::lcIdent, "p1"}, {4, ","}, {3, ":"}, {da::lcNumber, "2"}}},
        LexCase{"LastKeyword", "where Trigger", {{37, "WHERE"}, {33, "TRIGGER"}}}),
    [](const auto& info) { return info.param.name; });

TEST(OraParser, TableHasSevenSymbolsAndThirtyKeywords) {
  TOraParser parser("");
  EXPECT_EQ(parser.SymbolCount(), 7);
  EXPECT_EQ(parser.KeywordCount(), 30);
  const auto& keywords = TOraParser::OraLexemTable().Keywords;
  EXPECT_TRUE(std::is_sorted(keywords.begin(), keywords.end()));
}

TEST(OraParser, CommentsCanBeOmitted) {
  EXPECT_EQ(Lex("a -- x\n/* y */ b", true), (Lexemes{{da::lcIdent, "a"}, {da::lcIdent, "b"}}));
}

}  // namespace
}  // namespace ora
