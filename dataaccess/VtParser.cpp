#include "dataaccess/VtParser.h"

#include <algorithm>
#include <cstring>

#include "dataaccess/DAErrors.h"
#include "dataaccess/FormatSettings.h"
#include "dataaccess/TextUtil.h"

namespace da {

namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

const TLexemTable& TParser::BaseLexemTable() {
  static const TLexemTable table{
      {"!", "\"", "#", "$", "%", "&", "'", "(", ")", "*", "+", ",", "-", ".",
       "/", ":", ";", "<", "=", ">", "?", "@", "[", "\\", "]", "^", "_", "`"},
      {"AND", "NOT", "OR"}};
  return table;
}

TParser::TParser(const char* text) : text_(text ? text : "") { SetLexemTable(BaseLexemTable()); }

void TParser::SetLexemTable(const TLexemTable& table) {
  table_ = &table;
  longestSymbol_ = 0;
  for (const auto& s : table.Symbols) longestSymbol_ = std::max(longestSymbol_, s.size());
}

void TParser::SetText(const char* text) {
  text_ = text ? text : "";
  Reset();
}

void TParser::Reset() { pos_ = prevPos_ = prevPrevPos_ = 0; }

bool TParser::IsBlank(char c) const { return c == 9 || c == 10 || c == 13 || c == 32; }

bool TParser::IsSymbol(char c) const {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 0x21 && u <= 0x2F) || (u >= 0x3A && u <= 0x40) || (u >= 0x5B && u <= 0x5E) || u == 0x60 ||
         (u >= 0x7B && u <= 0x7E);
}

bool TParser::IsAlpha(char c) const {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80;
}

bool TParser::IsNumber(char c) const { return c >= '0' && c <= '9'; }

bool TParser::IsStringQuote(char c) const { return c == '"' || c == '\''; }

bool TParser::IsIdentQuote(char) const { return false; }

bool TParser::IsInlineComment(const char* p) const { return p[0] == '/' && p[1] == '/'; }

// After a byte that may lead a multi-byte character, take its continuation bytes along whatever
// the character classes say, so that no lexeme ends inside a character.
void TParser::SkipRestOfCharacter(std::string& lexem) {
  while (At(pos_) != 0 && IsUtf8Continuation(At(pos_))) lexem += At(pos_++);
}

int TParser::FindKeyword(const std::string& upper) const {
  const auto& keywords = table_->Keywords;
  int lo = 0, hi = static_cast<int>(keywords.size()) - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    // Byte order: a shorter string that is a prefix of the other sorts first.
    int cmp = std::string_view(keywords[static_cast<std::size_t>(mid)]).compare(upper);
    if (cmp == 0) return SymbolCount() + mid + 1;
    if (cmp < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return 0;
}

int TParser::GetNext(std::string& lexem) {
  prevPrevPos_ = prevPos_;
  prevPos_ = pos_;
  lexem.clear();

  // Everything skipped in one call gathers in lexem: a comment lexeme carries the blanks before
  // it, and an omitted comment comes back inside the next blank lexeme, so that callers which
  // rebuild the text lose nothing.
  while (true) {
    while (At(pos_) != 0 && IsBlank(At(pos_))) lexem += At(pos_++);
    if (!OmitBlank && !lexem.empty()) return lcBlank;
    if (At(pos_) == 0) return lcEnd;
    bool comment = false;
    if (IsInlineComment(text_ + pos_)) {
      while (At(pos_) != 0 && At(pos_) != 10 && At(pos_) != 13) lexem += At(pos_++);
      comment = true;
    }
    if (!CommentBegin.empty() && std::strncmp(text_ + pos_, CommentBegin.c_str(), CommentBegin.size()) == 0) {
      comment = true;
      const char* end = CommentEnd.empty() ? nullptr : std::strstr(text_ + pos_ + CommentBegin.size(), CommentEnd.c_str());
      std::size_t stop = end ? static_cast<std::size_t>(end - text_) + CommentEnd.size()
                             : pos_ + std::strlen(text_ + pos_);
      lexem.append(text_ + pos_, stop - pos_);
      pos_ = stop;
    }
    if (comment && !OmitComment) return lcComment;
    if (!comment) break;
  }

  lexem.clear();
  const char c = At(pos_);
  int code;
  if (!IsSymbol(c)) {
    if (IsAlpha(c) || c == '_') {
      code = lcIdent;
      while (At(pos_) != 0 && (IsAlpha(At(pos_)) || IsNumber(At(pos_)) || At(pos_) == '_')) {
        lexem += At(pos_++);
        SkipRestOfCharacter(lexem);
      }
    } else if (IsNumber(c)) {
      code = lcNumber;
      while (IsNumber(At(pos_))) lexem += At(pos_++);
      const char separator = FormatSettings().DecimalSeparator;
      if (At(pos_) == separator && IsNumber(At(pos_ + 1))) {
        lexem += At(pos_++);
        while (IsNumber(At(pos_))) lexem += At(pos_++);
      }
    } else {
      // Show the whole character, not a lone byte of it.
      std::size_t n = olv::utf8::CharLen(std::string_view(text_ + pos_), 0);
      std::size_t len = 1;
      while (len < n && IsUtf8Continuation(At(pos_ + len))) ++len;
      static const char kHex[] = "0123456789ABCDEF";
      unsigned char u = static_cast<unsigned char>(c);
      throw Exception("Parser: The unknown symbol '" + std::string(text_ + pos_, len) + "'  $" + kHex[u >> 4] +
                      kHex[u & 15]);
    }
  } else if (IsStringQuote(c)) {
    code = lcString;
    if (QuotedString) lexem += c;
    ++pos_;
    // A doubled quote is no escape: it ends this string and begins the next.
    while (At(pos_) != 0 && At(pos_) != c) lexem += At(pos_++);
    if (At(pos_) == c) {
      if (QuotedString) lexem += c;
      ++pos_;
    }
  } else if (IsIdentQuote(c)) {
    code = lcIdent;
    lexem += At(pos_++);
    while (At(pos_) != 0 && !IsIdentQuote(At(pos_))) lexem += At(pos_++);
    if (At(pos_) != 0) lexem += At(pos_++);
  } else {
    // The longest run of symbol characters that is a table entry wins; the rest is read again.
    // The run is looked at no further than the longest entry, so a long run of symbols costs
    // time in proportion to its length.
    code = lcSymbol;
    std::size_t bestEnd = pos_ + 1;
    const std::size_t start = pos_;
    const auto& symbols = table_->Symbols;
    std::size_t end = pos_;
    while (end - start < longestSymbol_ && At(end) != 0 && IsSymbol(At(end))) {
      ++end;
      std::string_view run(text_ + start, end - start);
      for (std::size_t i = 0; i < symbols.size(); ++i) {
        if (symbols[i] == run) {
          code = static_cast<int>(i) + 1;
          bestEnd = end;
          break;
        }
      }
    }
    lexem.assign(text_ + start, bestEnd - start);
    pos_ = bestEnd;
  }

  if (code == lcIdent) {
    std::string upper = AsciiUpper(lexem);
    int keyword = FindKeyword(upper);
    if (keyword != 0) {
      code = keyword;
      if (Uppercase) lexem = std::move(upper);
    }
  }
  return code;
}

int TParser::GetNextCode() {
  std::string lexem;
  return GetNext(lexem);
}

int TParser::ToLexem(int code) {
  std::string lexem;
  int got;
  do {
    got = GetNext(lexem);
  } while (got != code && got != lcEnd);
  return got;
}

void TParser::Back() { pos_ = prevPos_; }

}  // namespace da
