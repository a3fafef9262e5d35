#pragma once
// The filter expressions of the record store: TBoolParser, the lexer of the filter language (a
// TParser with its own symbols and keywords), TFilterExpression, the parsed tree of one filter
// text, and MatchesMask, the wildcard test behind "=" and LIKE.
//
// Language: comparisons "field op value" with = > < >= <= <> LIKE, joined by NOT, AND and OR
// (AND binds tighter), with parentheses, TRUE, FALSE and NULL. A field is a name, a dotted
// attribute path or a bracketed name that may hold blanks. Any syntax error raises
// Exception "Illegal filter expression."; an unknown field "Field %s not found.".
//
// Ownership: the expression owns its nodes and refers to descriptors of the store it was parsed
// for; it is freed before those descriptors change. One thread.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/Variant.h"
#include "dataaccess/VtParser.h"

namespace da {

class TData;
class TFieldDesc;

class TBoolParser : public TParser {
 public:
  explicit TBoolParser(const char* text);
  // 12 symbols (codes 1..12) and 7 keywords (13..19).
  static const TLexemTable& BoolLexemTable();
};

enum TExpressionType : std::uint8_t {
  ntEqual = 0, ntMore = 1, ntLess = 2, ntMoreEqual = 3, ntLessEqual = 4, ntNoEqual = 5,
  ntAnd = 6, ntOr = 7, ntNot = 8, ntField = 9, ntValue = 10, ntTrue = 11, ntFalse = 12, ntLike = 13,
};

struct TExpressionNode {
  TExpressionType NodeType = ntTrue;
  TExpressionNode* LeftOperand = nullptr;
  TExpressionNode* RightOperand = nullptr;
  TFieldDesc* FieldDesc = nullptr;  // ntField
  Variant Value;                    // ntValue
};

class TFilterExpression {
 public:
  // The tree of a text; nullptr for an empty or blank text. Raises on any error.
  static std::unique_ptr<TFilterExpression> Parse(std::string_view text, const TData& data);

  // The truth of the expression for the record, with the store's filter options.
  bool Eval(TData& data, const void* record, bool caseInsensitive, bool noPartialCompare) const;

  const TExpressionNode* Root() const { return root_; }
  std::size_t NodeCount() const { return nodes_.size(); }

 private:
  TExpressionNode* NewNode(TExpressionType type);
  bool EvalNode(const TExpressionNode* node, TData& data, const void* record, bool caseInsensitive,
                bool noPartialCompare) const;

  std::vector<std::unique_ptr<TExpressionNode>> nodes_;
  TExpressionNode* root_ = nullptr;
  friend class TFilterBuilder;
};

// True when the text matches the mask, byte by byte and case-sensitively: "*" matches any run of
// characters (also none), "_" exactly one byte, every other character itself; the whole text must
// be consumed. Backtracks, so that "abab" matches "*ab".
bool MatchesMask(std::string_view text, std::string_view mask);

// The platform's variant comparisons: numbers compare by value, texts byte by byte, a text
// against a number as a number (EConvertError when it is none), Null equals only Null.
bool VarEquals(const Variant& a, const Variant& b);
// -1, 0 or 1; both sides non-Null.
int VarCompare(const Variant& a, const Variant& b);

}  // namespace da
