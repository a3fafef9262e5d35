// The SQL lexer: token tables per switch setting, positions, Back, errors, and the property that
// the lexemes rebuild the text exactly and their positions tile it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "dataaccess/VtParser.h"

namespace da {
namespace {

struct Token {
  int code;
  std::string lexem;
  bool operator==(const Token&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Token& t) { return os << "{" << t.code << ", \"" << t.lexem << "\"}"; }

struct Switches {
  bool omitBlank = true;
  bool omitComment = false;
  bool uppercase = true;
  bool quotedString = false;
};

std::vector<Token> Lex(const std::string& text, Switches s = {}) {
  TParser parser(text.c_str());
  parser.OmitBlank = s.omitBlank;
  parser.OmitComment = s.omitComment;
  parser.Uppercase = s.uppercase;
  parser.QuotedString = s.quotedString;
  std::vector<Token> tokens;
  std::string lexem;
  for (int i = 0; i < 1000; ++i) {
    int code = parser.GetNext(lexem);
    if (code == lcEnd) break;
    tokens.push_back({code, lexem});
  }
  return tokens;
}

constexpr Switches kDefaults{};
constexpr Switches kBlanks{false, false, true, false};
constexpr Switches kNoComments{true, true, true, false};
constexpr Switches kBlanksNoComments{false, true, true, false};
constexpr Switches kQuoted{true, false, true, true};
constexpr Switches kAsWritten{true, false, false, false};

struct LexCase {
  const char* name;
  std::string text;
  Switches switches;
  std::vector<Token> tokens;
};

void PrintTo(const LexCase& c, std::ostream* os) { *os << c.name; }

class LexTable : public testing::TestWithParam<LexCase> {};

TEST_P(LexTable, GivesTheTokens) {
  const LexCase& c = GetParam();
  EXPECT_EQ(Lex(c.text, c.switches), c.tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LexTable,
    testing::Values(
        LexCase{"Empty", "", kDefaults, {}},
        LexCase{"BlanksOmitted", " \t\r\n ", kDefaults, {}},
        LexCase{"BlanksReturned", " \t\r\n ", kBlanks, {{lcBlank, " \t\r\n "}}},
        LexCase{"BaseTableSplitsGreaterEqual", ">=", kDefaults, {{20, ">"}, {19, "="}}},
        LexCase{"SymbolsOutsideTable", "{|}~", kDefaults,
                {{lcSymbol, "{"}, {lcSymbol, "|"}, {lcSymbol, "}"}, {lcSymbol, "~"}}},
        LexCase{"AllTableSymbols", "!#$%&()*+,-./:;<=>?@[\\]^`", kDefaults,
                {{1, "!"}, {3, "#"}, {4, "$"}, {5, "%"}, {6, "&"}, {8, "("}, {9, ")"}, {10, "*"}, {11, "+"},
                 {12, ","}, {13, "-"}, {14, "."}, {15, "/"}, {16, ":"}, {17, ";"}, {18, "<"}, {19, "="},
                 {20, ">"}, {21, "?"}, {22, "@"}, {23, "["}, {24, "\\"}, {25, "]"}, {26, "^"}, {28, "`"}}},
        LexCase{"KeywordUppercased", "and Or nOT", kDefaults, {{29, "AND"}, {31, "OR"}, {30, "NOT"}}},
        LexCase{"KeywordAsWritten", "and Or", kAsWritten, {{29, "and"}, {31, "Or"}}},
        LexCase{"LongerWordIsIdent", "android Orange", kDefaults, {{lcIdent, "android"}, {lcIdent, "Orange"}}},
        LexCase{"IdentKeepsCase", "SeLect x_1", kDefaults, {{lcIdent, "SeLect"}, {lcIdent, "x_1"}}},
        LexCase{"UnderscoreIdent", "_a1b2", kDefaults, {{lcIdent, "_a1b2"}}},
        LexCase{"DigitThenUnderscore", "1_a", kDefaults, {{lcNumber, "1"}, {lcIdent, "_a"}}},
        LexCase{"Decimal", "12.50", kDefaults, {{lcNumber, "12.50"}}},
        LexCase{"NoExponent", "1e5", kDefaults, {{lcNumber, "1"}, {lcIdent, "e5"}}},
        LexCase{"TrailingDot", "1.", kDefaults, {{lcNumber, "1"}, {14, "."}}},
        LexCase{"SecondSeparator", "1.2.3", kDefaults, {{lcNumber, "1.2"}, {14, "."}, {lcNumber, "3"}}},
        LexCase{"CommaIsNoSeparator", "1,5", kDefaults, {{lcNumber, "1"}, {12, ","}, {lcNumber, "5"}}},
        LexCase{"NoSign", "-3", kDefaults, {{13, "-"}, {lcNumber, "3"}}},
        LexCase{"StringUnquoted", "'it''s'", kDefaults, {{lcString, "it"}, {lcString, "s"}}},
        LexCase{"StringQuoted", "'it''s'", kQuoted, {{lcString, "'it'"}, {lcString, "'s'"}}},
        LexCase{"DoubleQuoteString", "\"a b\"", kDefaults, {{lcString, "a b"}}},
        LexCase{"UnterminatedString", "'abc", kQuoted, {{lcString, "'abc"}}},
        LexCase{"OtherQuoteInside", "'a\"b'", kDefaults, {{lcString, "a\"b"}}},
        LexCase{"BlockComment", "a /* c */ b", kDefaults,
                {{lcIdent, "a"}, {lcComment, " /* c */"}, {lcIdent, "b"}}},
        LexCase{"BlockCommentOmitted", "a /* c */ b", kNoComments, {{lcIdent, "a"}, {lcIdent, "b"}}},
        LexCase{"BlockCommentWithBlanks", "a /* c */ b", kBlanks,
                {{lcIdent, "a"}, {lcBlank, " "}, {lcComment, "/* c */"}, {lcBlank, " "}, {lcIdent, "b"}}},
        LexCase{"OmittedCommentInsideBlank", "a /* c */ b", kBlanksNoComments,
                {{lcIdent, "a"}, {lcBlank, " "}, {lcBlank, "/* c */ "}, {lcIdent, "b"}}},
        LexCase{"OmittedCommentBeforeWord", "a/*c*/b", kBlanksNoComments,
                {{lcIdent, "a"}, {lcBlank, "/*c*/"}, {lcIdent, "b"}}},
        LexCase{"UnterminatedComment", "a /* c", kDefaults, {{lcIdent, "a"}, {lcComment, " /* c"}}},
        LexCase{"InlineComment", "// note\nx", kDefaults, {{lcComment, "// note"}, {lcIdent, "x"}}},
        LexCase{"InlineCommentBlanks", "// note\r\nx", kBlanks,
                {{lcComment, "// note"}, {lcBlank, "\r\n"}, {lcIdent, "x"}}},
        LexCase{"TwoComments", "/*a*//*b*/x", kDefaults, {{lcComment, "/*a*/"}, {lcComment, "/*b*/"}, {lcIdent, "x"}}},
        LexCase{"Utf8Identifier", "\xE5\x90\x8D\xE5\xAD\x97=1", kDefaults,
                {{lcIdent, "\xE5\x90\x8D\xE5\xAD\x97"}, {19, "="}, {lcNumber, "1"}}},
        LexCase{"Utf8InString", "'\xC3\xA9t\xC3\xA9'", kDefaults, {{lcString, "\xC3\xA9t\xC3\xA9"}}},
        LexCase{"Statement", "select * from T where A>=:p and B<>'x'", kDefaults,
                {{lcIdent, "select"}, {10, "*"}, {lcIdent, "from"}, {lcIdent, "T"}, {lcIdent, "where"},
                 {lcIdent, "A"}, {20, ">"}, {19, "="}, {16, ":"}, {lcIdent, "p"}, {29, "AND"}, {lcIdent, "B"},
                 {18, "<"}, {20, ">"}, {lcString, "x"}}}),
    [](const testing::TestParamInfo<LexCase>& info) { return std::string(info.param.name); });

// A table of its own: ">=" is one entry, so the longest run of symbol characters that is an
// entry wins and the rest is read again.
class ComparisonParser : public TParser {
 public:
  explicit ComparisonParser(const char* text) : TParser(text) {
    static const TLexemTable table{{"<", ">", ">=", "<>", "("}, {"AND", "LIKE", "OR"}};
    SetLexemTable(table);
  }
};

TEST(TParserTable, LongestTableEntryWinsAndRestIsReadAgain) {
  ComparisonParser parser(">=(<>>=");
  std::string lexem;
  EXPECT_EQ(parser.GetNext(lexem), 3);
  EXPECT_EQ(lexem, ">=");
  EXPECT_EQ(parser.GetNext(lexem), 5);
  EXPECT_EQ(parser.GetNext(lexem), 4);
  EXPECT_EQ(lexem, "<>");
  EXPECT_EQ(parser.GetNext(lexem), 3);
  EXPECT_EQ(parser.GetNext(lexem), lcEnd);
}

TEST(TParserTable, KeywordsOfTheSubclassTable) {
  ComparisonParser parser("a like b and c");
  std::vector<int> codes;
  for (int code; (code = parser.GetNextCode()) != lcEnd;) codes.push_back(code);
  EXPECT_EQ(codes, (std::vector<int>{lcIdent, 7, lcIdent, 6, lcIdent}));
}

// Identifier quotes come from a subclass; the lexeme keeps both quotes and may be a keyword.
class QuotedIdentParser : public TParser {
 public:
  using TParser::TParser;

 protected:
  bool IsIdentQuote(char c) const override { return c == '"'; }
  bool IsStringQuote(char c) const override { return c == '\''; }
};

TEST(TParserTable, QuotedIdentifierKeepsQuotes) {
  QuotedIdentParser parser("\"My Col\" \"open");
  std::string lexem;
  EXPECT_EQ(parser.GetNext(lexem), lcIdent);
  EXPECT_EQ(lexem, "\"My Col\"");
  EXPECT_EQ(parser.GetNext(lexem), lcIdent);
  EXPECT_EQ(lexem, "\"open");
  EXPECT_EQ(parser.GetNext(lexem), lcEnd);
}

// A subclass whose letters are ASCII only: bytes from 0x80 up start no lexeme. The error shows the
// whole character, and an identifier never stops inside one.
class AsciiParser : public TParser {
 public:
  using TParser::TParser;

 protected:
  bool IsAlpha(char c) const override { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
};

TEST(TParserErrors, UnknownCharacterNamesItAndStays) {
  std::string text = "a \x01";
  TParser parser(text.c_str());
  std::string lexem;
  EXPECT_EQ(parser.GetNext(lexem), lcIdent);
  try {
    parser.GetNext(lexem);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Parser: The unknown symbol '\x01'  $01");
  }
  EXPECT_EQ(parser.CurrPos(), 2);
  EXPECT_THROW(parser.GetNext(lexem), Exception);  // the same character again
  EXPECT_EQ(parser.CurrPos(), 2);
}

TEST(TParserErrors, DeleteCharacterIsUnknown) {
  TParser parser("\x7F");
  EXPECT_THROW(
      {
        try {
          parser.GetNextCode();
        } catch (const Exception& e) {
          EXPECT_EQ(std::string(e.what()), "Parser: The unknown symbol '\x7F'  $7F");
          throw;
        }
      },
      Exception);
}

TEST(TParserErrors, MultiByteCharacterShownWhole) {
  AsciiParser parser("\xC3\xA9");
  try {
    parser.GetNextCode();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Parser: The unknown symbol '\xC3\xA9'  $C3");
  }
}

TEST(TParserErrors, IdentifierNeverEndsInsideACharacter) {
  // An identifier "ab" followed by a 2-byte letter under a class where only the lead byte counts.
  class LeadOnlyParser : public TParser {
   public:
    using TParser::TParser;

   protected:
    bool IsAlpha(char c) const override {
      auto u = static_cast<unsigned char>(c);
      return (u >= 'a' && u <= 'z') || u >= 0xC0;
    }
  };
  LeadOnlyParser parser("ab\xC3\xA9x y");
  std::string lexem;
  EXPECT_EQ(parser.GetNext(lexem), lcIdent);
  EXPECT_EQ(lexem, "ab\xC3\xA9x");
}

TEST(TParserPositions, BackReadsTheLastLexemeAgain) {
  TParser parser("first second");
  std::string lexem;
  parser.GetNext(lexem);
  parser.GetNext(lexem);
  EXPECT_EQ(lexem, "second");
  EXPECT_EQ(parser.PrevPos(), 5);
  EXPECT_EQ(parser.PrevPrevPos(), 0);
  EXPECT_EQ(parser.CurrPos(), 12);
  parser.Back();
  EXPECT_EQ(parser.GetNext(lexem), lcIdent);
  EXPECT_EQ(lexem, "second");
  EXPECT_EQ(parser.PrevPos(), 5);  // right after the first identifier, before the blank
  EXPECT_EQ(parser.GetNext(lexem), lcEnd);
}

TEST(TParserPositions, ToLexemStopsAtCodeOrEnd) {
  TParser parser("a , b ; c");
  EXPECT_EQ(parser.ToLexem(17), 17);
  EXPECT_EQ(parser.CurrPos(), 7);
  EXPECT_EQ(parser.ToLexem(17), lcEnd);
}

TEST(TParserPositions, SetTextResets) {
  TParser parser("abc def");
  parser.GetNextCode();
  parser.GetNextCode();
  parser.SetText("x");
  EXPECT_EQ(parser.CurrPos(), 0);
  EXPECT_EQ(parser.PrevPos(), 0);
  std::string lexem;
  EXPECT_EQ(parser.GetNext(lexem), lcIdent);
  EXPECT_EQ(lexem, "x");
}

TEST(TParserPositions, CustomCommentBrackets) {
  TParser parser("a {c} b");
  parser.CommentBegin = "{";
  parser.CommentEnd = "}";
  std::string lexem;
  parser.GetNext(lexem);
  EXPECT_EQ(parser.GetNext(lexem), lcComment);
  EXPECT_EQ(lexem, " {c}");
}

// Property: with blanks and comments returned, strings quoted and case kept, the lexemes joined
// give the text back and each call's [PrevPos, CurrPos) is exactly its lexeme, end to end.
std::string RandomText(std::mt19937& rng) {
  static const std::vector<std::string> parts = {
      " ", "\t", "\r\n", "\n", "a", "Zed", "_x9", "and", "OR", "not", "1", "23", ".", "4.5", "'", "\"",
      "'str'", "/*", "*/", "//", "/", "*", ">=", "<>", "{", "}", "~", "|", "\xC3\xA9", "\xE5\x90\x8D", "[", "]",
      ":", "&", "--", "`", "\\", "e5", "x"};
  std::uniform_int_distribution<std::size_t> pick(0, parts.size() - 1);
  std::uniform_int_distribution<int> length(0, 40);
  std::string text;
  for (int n = length(rng); n > 0; --n) text += parts[pick(rng)];
  return text;
}

TEST(TParserProperty, LexemesRebuildTheTextAndPositionsTileIt) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 3000; ++round) {
    const std::string text = RandomText(rng);
    for (bool omitComment : {false, true}) {
      TParser parser(text.c_str());
      parser.OmitBlank = false;
      parser.OmitComment = omitComment;
      parser.Uppercase = false;
      parser.QuotedString = true;
      std::string joined, lexem;
      int expectedStart = 0;
      int calls = 0;
      for (int code; (code = parser.GetNext(lexem)) != lcEnd;) {
        ASSERT_LT(++calls, 10000);
        ASSERT_EQ(parser.PrevPos(), expectedStart) << text;
        ASSERT_EQ(text.substr(static_cast<std::size_t>(parser.PrevPos()),
                              static_cast<std::size_t>(parser.CurrPos() - parser.PrevPos())),
                  lexem)
            << text;
        ASSERT_FALSE(lexem.empty()) << text;
        if (omitComment) {
          ASSERT_NE(code, lcComment);
        }
        joined += lexem;
        expectedStart = parser.CurrPos();
      }
      ASSERT_EQ(joined, text);
      ASSERT_EQ(parser.CurrPos(), static_cast<int>(text.size()));
    }
  }
}

TEST(TParserProperty, WithBlanksOmittedEachLexemeEndsItsSpan) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    const std::string text = RandomText(rng);
    TParser parser(text.c_str());
    parser.Uppercase = false;
    parser.QuotedString = true;
    std::string lexem;
    int lastEnd = 0;
    for (int code; (code = parser.GetNext(lexem)) != lcEnd;) {
      ASSERT_EQ(parser.PrevPos(), lastEnd);
      const std::string span = text.substr(static_cast<std::size_t>(parser.PrevPos()),
                                           static_cast<std::size_t>(parser.CurrPos() - parser.PrevPos()));
      ASSERT_GE(span.size(), lexem.size());
      ASSERT_EQ(span.substr(span.size() - lexem.size()), lexem) << text;
      // What lies before the lexeme was skipped: blanks only.
      for (char c : span.substr(0, span.size() - lexem.size()))
        ASSERT_TRUE(c == ' ' || c == '\t' || c == '\r' || c == '\n') << text;
      lastEnd = parser.CurrPos();
    }
  }
}

// Long runs of symbol characters: the scan stops past the longest table entry. The reference is
// the full scan, which tries every prefix of the whole run; both must give the same lexemes.
class LongSymbolParser : public TParser {
 public:
  explicit LongSymbolParser(const char* text) : TParser(text) { SetLexemTable(Table()); }
  static const TLexemTable& Table() {
    static const TLexemTable table{{"<", ">", ">=", "<>", "(", "<<=>>", "=="}, {}};
    return table;
  }
};

std::vector<Token> FullScanSymbols(const std::string& text, const TLexemTable& table) {
  std::vector<Token> tokens;
  const std::string_view all(text);
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t runEnd = text.find_first_not_of("<>=(!", pos);
    if (runEnd == std::string::npos) runEnd = text.size();
    Token best{lcSymbol, text.substr(pos, 1)};
    for (std::size_t end = pos + 1; end <= runEnd; ++end) {
      for (std::size_t i = 0; i < table.Symbols.size(); ++i) {
        if (table.Symbols[i] == all.substr(pos, end - pos)) best = {static_cast<int>(i) + 1, table.Symbols[i]};
      }
    }
    tokens.push_back(best);
    pos += best.lexem.size();
  }
  return tokens;
}

template <class Parser>
std::vector<Token> Symbols(const std::string& text) {
  Parser parser(text.c_str());
  std::vector<Token> tokens;
  std::string lexem;
  for (int code; (code = parser.GetNext(lexem)) != lcEnd;) tokens.push_back({code, lexem});
  return tokens;
}

TEST(TParserSymbolRuns, LongRunsGiveTheLexemesOfTheFullScan) {
  std::mt19937 rng(35);
  std::uniform_int_distribution<int> pick(0, 4);
  for (int round = 0; round < 60; ++round) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "<>=(!"[pick(rng)];
    ASSERT_EQ(Symbols<LongSymbolParser>(text), FullScanSymbols(text, LongSymbolParser::Table())) << round;
  }
  const std::string nested = "<<=>><<=>>==<<=>";
  EXPECT_EQ(Symbols<LongSymbolParser>(nested),
            (std::vector<Token>{{6, "<<=>>"}, {6, "<<=>>"}, {7, "=="}, {1, "<"}, {1, "<"}, {lcSymbol, "="}, {2, ">"}}))
      << "the longest entry is found inside a longer run";
}

TEST(TParserSymbolRuns, SixteenThousandParenthesesAreSixteenThousandLexemes) {
  const std::string text(16000, '(');
  const std::vector<Token> tokens = Symbols<TParser>(text);
  ASSERT_EQ(tokens.size(), text.size());
  for (const Token& t : tokens) ASSERT_EQ(t, (Token{8, "("}));
}

}  // namespace
}  // namespace da
