#pragma once
// TParser: the generic SQL lexer. It cuts a NUL-terminated text into lexemes: blanks, comments,
// symbols, identifiers, keywords, numbers and quoted strings, and reports the offsets at which
// each call began so that callers can cut and rebuild the text around lexemes.
//
// A subclass changes only the character classes (the virtual Is* operations) and its lexeme table
// (SetLexemTable in its constructor); the scanning loop is shared.
//
// Ownership: the caller owns the text and keeps it alive and unchanged while the parser uses it;
// the lexeme table must outlive the parser (tables are static). Texts are UTF-8: bytes from 0x80
// up are letters, and no lexeme ends inside a multi-byte character. Numbers always use "." as the
// decimal separator. One parser is used by one thread at a time.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace da {

// Lexeme codes. Positive codes are indices into the lexeme table (symbols first, then keywords).
inline constexpr int lcEnd = 0;
inline constexpr int lcSymbol = -102;
inline constexpr int lcIdent = -103;
inline constexpr int lcNumber = -105;
inline constexpr int lcString = -106;
inline constexpr int lcBlank = -107;
inline constexpr int lcComment = -108;

// Symbols are matched exactly; keywords are upper case and sorted in ascending byte order.
struct TLexemTable {
  std::vector<std::string> Symbols;
  std::vector<std::string> Keywords;
};

class TParser {
 public:
  explicit TParser(const char* text);
  virtual ~TParser() = default;
  TParser(const TParser&) = delete;
  TParser& operator=(const TParser&) = delete;

  // The base table: 28 symbols (codes 1..28) and the keywords AND, NOT, OR (codes 29..31).
  static const TLexemTable& BaseLexemTable();

  bool OmitBlank = true;       // runs of blanks are skipped, not returned
  bool OmitComment = false;    // comments are returned as lexemes
  bool Uppercase = true;       // a keyword comes back upper-cased
  bool QuotedString = false;   // a string comes back without its quotes
  std::string CommentBegin = "/*";
  std::string CommentEnd = "*/";

  void SetText(const char* text);
  void Reset();

  // The next lexeme and its code; lcEnd at the end of the text. Raises Exception for a
  // character that starts no lexeme, leaving the position on it.
  int GetNext(std::string& lexem);
  int GetNextCode();
  // Reads until the given code or the end; returns the last code (0 when code never came).
  int ToLexem(int code);
  // The next call reads the lexeme of the last call again (one step back only).
  void Back();

  // 0-based offsets: the current position, the start of the last call, the start of the one before.
  int CurrPos() const { return static_cast<int>(pos_); }
  int PrevPos() const { return static_cast<int>(prevPos_); }
  int PrevPrevPos() const { return static_cast<int>(prevPrevPos_); }

  int SymbolCount() const { return static_cast<int>(table_->Symbols.size()); }
  int KeywordCount() const { return static_cast<int>(table_->Keywords.size()); }

 protected:
  virtual bool IsBlank(char c) const;
  virtual bool IsSymbol(char c) const;
  virtual bool IsAlpha(char c) const;
  virtual bool IsNumber(char c) const;
  virtual bool IsStringQuote(char c) const;
  virtual bool IsIdentQuote(char c) const;
  virtual bool IsInlineComment(const char* p) const;

  void SetLexemTable(const TLexemTable& table);
  const char* Text() const { return text_; }

 private:
  char At(std::size_t pos) const { return text_[pos]; }
  void SkipRestOfCharacter(std::string& lexem);
  int FindKeyword(const std::string& upper) const;

  const char* text_;
  const TLexemTable* table_ = nullptr;
  // No symbol run longer than the table's longest symbol can match, so the scan stops there.
  std::size_t longestSymbol_ = 0;
  std::size_t pos_ = 0;
  std::size_t prevPos_ = 0;
  std::size_t prevPrevPos_ = 0;
};

}  // namespace da
