#include "dataaccess/FilterExpression.h"

#include <cmath>
#include <cstring>

#include "dataaccess/DAErrors.h"
#include "dataaccess/Data.h"
#include "dataaccess/RecordBuffer.h"
#include "dataaccess/TextUtil.h"

namespace da {

namespace {

enum : int {
  kEq = 1, kGt = 2, kLt = 3, kGe = 4, kLe = 5, kNe = 6, kOpen = 7, kClose = 8, kMinus = 9, kPlus = 10,
  kLBracket = 11, kRBracket = 12, kAnd = 13, kFalse = 14, kLike = 15, kNot = 16, kNull = 17, kOr = 18, kTrue = 19,
};

[[noreturn]] void Illegal() { throw Exception("Illegal filter expression."); }

bool IsDateType(TDataType t) { return t == dtDate || t == dtTime || t == dtDateTime; }

bool IsStringVar(const Variant& v) { return v.VarType() == varString || v.VarType() == varOleStr; }

bool IsNumericVar(const Variant& v) {
  switch (v.VarType()) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varDate:
    case varBoolean: case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}

bool IsIntegralVar(const Variant& v) {
  switch (v.VarType()) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64: case varBoolean:
      return true;
    default:
      return false;
  }
}

// The value of a top-level numeric column as a double (NaN for NULL); false for other columns.
bool ReadNumber(TData& data, const TFieldDesc& field, const void* record, double& out) {
  if (field.HasParent()) return false;
  const auto* p = static_cast<const std::uint8_t*>(record) + field.Offset;
  switch (field.DataType) {
    case dtInt8: out = ReadValue<std::int8_t>(p); break;
    case dtInt16: out = ReadValue<std::int16_t>(p); break;
    case dtUInt16: out = ReadValue<std::uint16_t>(p); break;
    case dtInt32: out = ReadValue<std::int32_t>(p); break;
    case dtUInt32: out = ReadValue<std::uint32_t>(p); break;
    case dtFloat: case dtCurrency: out = ReadValue<double>(p); break;
    default: return false;
  }
  if (std::isnan(out)) return false;  // a stored NaN takes the general way
  if (data.GetNull(field.FieldNo, record)) out = std::nan("");
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

const TLexemTable& TBoolParser::BoolLexemTable() {
  static const TLexemTable table{{"=", ">", "<", ">=", "<=", "<>", "(", ")", "-", "+", "[", "]"},
                                 {"AND", "FALSE", "LIKE", "NOT", "NULL", "OR", "TRUE"}};
  return table;
}

TBoolParser::TBoolParser(const char* text) : TParser(text) { SetLexemTable(BoolLexemTable()); }

// ---------------------------------------------------------------------------------------------

// Recursive descent over the lexemes; always holds the code of the next lexeme.
class TFilterBuilder {
 public:
  TFilterBuilder(TFilterExpression& expr, const TData& data, const char* text)
      : expr_(expr), data_(data), parser_(text) {}

  TExpressionNode* Build() {
    Next();
    TExpressionNode* root = Expression();
    if (code_ != lcEnd) Illegal();
    return root;
  }

 private:
  void Next() { code_ = parser_.GetNext(lexem_); }

  TExpressionNode* Expression() {
    TExpressionNode* left = Term();
    while (code_ == kOr) {
      Next();
      TExpressionNode* node = expr_.NewNode(ntOr);
      node->LeftOperand = left;
      node->RightOperand = Term();
      left = node;
    }
    return left;
  }

  TExpressionNode* Term() {
    TExpressionNode* left = Factor();
    while (code_ == kAnd) {
      Next();
      TExpressionNode* node = expr_.NewNode(ntAnd);
      node->LeftOperand = left;
      node->RightOperand = Factor();
      left = node;
    }
    return left;
  }

  TExpressionNode* Factor() {
    switch (code_) {
      case kNot: {
        Next();
        TExpressionNode* node = expr_.NewNode(ntNot);
        node->LeftOperand = Factor();
        return node;
      }
      case kTrue: case kFalse: {
        // TRUE or FALSE alone; followed by a comparison operator it is a boolean operand.
        const int saved = code_;
        Next();
        if (!IsComparison(code_)) return expr_.NewNode(saved == kTrue ? ntTrue : ntFalse);
        TExpressionNode* left = expr_.NewNode(ntValue);
        left->Value = Variant(saved == kTrue);
        return ComparisonAfter(left);
      }
      case kOpen: {
        Next();
        TExpressionNode* inner = Expression();
        if (code_ != kClose) Illegal();
        Next();
        return inner;
      }
      case lcIdent: case lcNumber: case lcString: case kMinus: case kPlus: case kLBracket: case kRBracket:
      case kNull:
        return ComparisonAfter(Operand());
      default:
        Illegal();
    }
  }

  static bool IsComparison(int code) { return (code >= kEq && code <= kNe) || code == kLike; }

  TExpressionNode* ComparisonAfter(TExpressionNode* left) {
    static const TExpressionType kinds[] = {ntEqual, ntMore, ntLess, ntMoreEqual, ntLessEqual, ntNoEqual};
    TExpressionType kind;
    if (code_ >= kEq && code_ <= kNe) {
      kind = kinds[code_ - kEq];
    } else if (code_ == kLike) {
      kind = ntLike;
    } else {
      Illegal();
    }
    Next();
    TExpressionNode* node = expr_.NewNode(kind);
    node->LeftOperand = left;
    node->RightOperand = Operand();
    return node;
  }

  TExpressionNode* FieldNode(const std::string& name) {
    TExpressionNode* node = expr_.NewNode(ntField);
    TFieldDesc* field = data_.FindField(name);
    if (!field) throw Exception("Field " + name + " not found.");
    node->FieldDesc = field;
    return node;
  }

  TExpressionNode* Operand() {
    switch (code_) {
      case kLBracket: {
        // Blanks are part of a bracketed name.
        parser_.OmitBlank = false;
        std::string name;
        try {
          Next();
          while (code_ != kRBracket && code_ != lcEnd) {
            name += lexem_;
            Next();
          }
        } catch (...) {
          parser_.OmitBlank = true;
          throw;
        }
        parser_.OmitBlank = true;
        if (code_ != kRBracket) Illegal();
        Next();
        return FieldNode(name);
      }
      case lcIdent: {
        std::string name = lexem_;
        Next();
        while (code_ == lcSymbol && lexem_ == ".") {
          Next();
          if (code_ != lcIdent) Illegal();
          name += "." + lexem_;
          Next();
        }
        return FieldNode(name);
      }
      case lcString: {
        TExpressionNode* node = expr_.NewNode(ntValue);
        node->Value = Variant(lexem_);
        Next();
        return node;
      }
      case lcNumber: {
        TExpressionNode* node = expr_.NewNode(ntValue);
        node->Value = Variant(TextToFloat(lexem_));
        Next();
        return node;
      }
      case kMinus: case kPlus: {
        const bool negative = code_ == kMinus;
        Next();
        if (code_ != lcNumber) Illegal();
        TExpressionNode* node = expr_.NewNode(ntValue);
        double v = TextToFloat(lexem_);
        node->Value = Variant(negative ? -v : v);
        Next();
        return node;
      }
      case kTrue: case kFalse: {
        TExpressionNode* node = expr_.NewNode(ntValue);
        node->Value = Variant(code_ == kTrue);
        Next();
        return node;
      }
      case kNull: {
        TExpressionNode* node = expr_.NewNode(ntValue);
        node->Value = Variant::Null();
        Next();
        return node;
      }
      default:
        Illegal();
    }
  }

  TFilterExpression& expr_;
  const TData& data_;
  TBoolParser parser_;
  int code_ = lcEnd;
  std::string lexem_;
};

TExpressionNode* TFilterExpression::NewNode(TExpressionType type) {
  nodes_.push_back(std::make_unique<TExpressionNode>());
  nodes_.back()->NodeType = type;
  return nodes_.back().get();
}

std::unique_ptr<TFilterExpression> TFilterExpression::Parse(std::string_view text, const TData& data) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  if (text.empty()) return nullptr;
  auto expr = std::make_unique<TFilterExpression>();
  const std::string copy(text);
  TFilterBuilder builder(*expr, data, copy.c_str());
  try {
    expr->root_ = builder.Build();
  } catch (const EConvertError&) {
    Illegal();
  } catch (const EAssertionFailed&) {
    throw;
  } catch (const Exception& e) {
    // The lexer's own errors (an unknown character) are syntax errors of the filter too.
    if (std::strncmp(e.what(), "Parser:", 7) == 0) Illegal();
    throw;
  }
  return expr;
}

bool TFilterExpression::Eval(TData& data, const void* record, bool caseInsensitive, bool noPartialCompare) const {
  return !root_ || EvalNode(root_, data, record, caseInsensitive, noPartialCompare);
}

bool TFilterExpression::EvalNode(const TExpressionNode* node, TData& data, const void* record, bool caseInsensitive,
                                 bool noPartialCompare) const {
  switch (node->NodeType) {
    case ntAnd:
      return EvalNode(node->LeftOperand, data, record, caseInsensitive, noPartialCompare) &&
             EvalNode(node->RightOperand, data, record, caseInsensitive, noPartialCompare);
    case ntOr:
      return EvalNode(node->LeftOperand, data, record, caseInsensitive, noPartialCompare) ||
             EvalNode(node->RightOperand, data, record, caseInsensitive, noPartialCompare);
    case ntNot:
      return !EvalNode(node->LeftOperand, data, record, caseInsensitive, noPartialCompare);
    case ntTrue:
      return true;
    case ntFalse:
      return false;
    default:
      break;
  }
  const TExpressionNode* l = node->LeftOperand;
  const TExpressionNode* r = node->RightOperand;
  // A numeric column against a number: compared in place, without variants.
  if (l->NodeType == ntField && r->NodeType == ntValue && r->Value.VarType() == varDouble && node->NodeType != ntLike) {
    double field;
    if (ReadNumber(data, *l->FieldDesc, record, field)) {
      if (std::isnan(field)) return node->NodeType == ntNoEqual;  // NULL: only "<>" holds
      const double k = r->Value.AsDouble();
      switch (node->NodeType) {
        case ntEqual: return field == k;
        case ntNoEqual: return field != k;
        case ntMore: return field > k;
        case ntLess: return field < k;
        case ntMoreEqual: return field >= k;
        case ntLessEqual: return field <= k;
        default: break;
      }
    }
  }
  auto value = [&](const TExpressionNode* n) {
    return n->NodeType == ntField ? data.GetFieldAsVariant(n->FieldDesc->FieldNo, record) : n->Value;
  };
  Variant left = value(l), right = value(r);
  auto toDate = [](const TExpressionNode* field, Variant& other) {
    if (field->NodeType == ntField && IsDateType(field->FieldDesc->DataType) && IsStringVar(other))
      other = Variant::Date(TextToDateTime(other.AsString()));
  };
  toDate(l, right);
  toDate(r, left);
  if (caseInsensitive) {
    if (IsStringVar(left)) left = Variant(AsciiUpper(left.AsString()));
    if (IsStringVar(right)) right = Variant(AsciiUpper(right.AsString()));
  }
  const bool anyNull = left.IsEmptyOrNull() || right.IsEmptyOrNull();
  auto equal = [&] {
    if (!noPartialCompare && IsStringVar(left) && !right.IsEmptyOrNull())
      return MatchesMask(left.AsString(), right.AsString());
    return VarEquals(left, right);
  };
  switch (node->NodeType) {
    case ntEqual: case ntLike: return equal();
    case ntNoEqual: return !equal();
    case ntMore: return !anyNull && VarCompare(left, right) > 0;
    case ntLess: return !anyNull && VarCompare(left, right) < 0;
    case ntMoreEqual: return !anyNull && VarCompare(left, right) >= 0;
    case ntLessEqual: return !anyNull && VarCompare(left, right) <= 0;
    default: DAAssert(false, "MemData"); return false;
  }
}

// ---------------------------------------------------------------------------------------------

bool MatchesMask(std::string_view text, std::string_view mask) {
  // Iterative wildcard walk: on a mismatch, go back to the last "*" and let it take one more byte.
  std::size_t t = 0, m = 0;
  std::size_t starMask = std::string_view::npos, starText = 0;
  while (t < text.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = ++m;
      starText = t;
      if (m == mask.size()) return true;
    } else if (m < mask.size() && (mask[m] == '_' || mask[m] == text[t])) {
      ++m;
      ++t;
    } else if (starMask != std::string_view::npos) {
      m = starMask;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

int VarCompare(const Variant& a, const Variant& b) {
  auto sign = [](auto x, auto y) { return x < y ? -1 : (x > y ? 1 : 0); };
  const bool sa = IsStringVar(a), sb = IsStringVar(b);
  if (sa && sb) {
    int c = a.AsString().compare(b.AsString());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.IsEmptyOrNull() || b.IsEmptyOrNull()) return sign(a.IsEmptyOrNull() ? 0 : 1, b.IsEmptyOrNull() ? 0 : 1);
  if (IsIntegralVar(a) && IsIntegralVar(b)) return sign(a.AsInt64(), b.AsInt64());
  if ((sa || IsNumericVar(a)) && (sb || IsNumericVar(b))) return sign(a.AsDouble(), b.AsDouble());
  if (a.IsByteArray() && b.IsByteArray()) {
    const auto &x = a.AsBytes(), &y = b.AsBytes();
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i)
      if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    return sign(x.size(), y.size());
  }
  throw Exception("Cannot convert type.");
}

bool VarEquals(const Variant& a, const Variant& b) {
  const bool na = a.IsEmptyOrNull(), nb = b.IsEmptyOrNull();
  if (na || nb) return na && nb;
  return VarCompare(a, b) == 0;
}

}  // namespace da
