#include "foundation/expr/ExpOperators.h"

#include <cmath>

#include "foundation/expr/GuardedDivision.h"

namespace olv {

namespace {

bool IsTextLike(TExpDataType t) {
  return t == TExpDataType::Boolean || t == TExpDataType::Char || t == TExpDataType::String;
}

// The text of a node without copying when it is a plain text.
struct TextOf {
  explicit TextOf(const TExpression& e) {
    if (const std::string* p = e.PlainText()) {
      view = *p;
    } else {
      copy = e.AsString();
      view = copy;
    }
  }
  std::string copy;
  std::string_view view;
};

}  // namespace

// ---------------------------------------------------------------- arithmetic

bool TExp_MathCalc::AddParam(int index, std::unique_ptr<TExpression>& node) {
  if (node && IsTextLike(node->DataType)) return false;
  return TExpression::AddParam(index, node);
}

bool TExp_MathCalc::DecideDataType() {
  const TExpression* a = GetParam(0);
  const TExpression* b = GetParam(1);
  if (!a) return TExpression::DecideDataType();
  DataType = a->DataType;
  if (a->DataType == TExpDataType::Integer && b && b->DataType != TExpDataType::Integer)
    DataType = b->DataType;
  return true;
}

long double ExpPower(long double a, long double b) {
  if (a == 0) {
    // ln 0 has no value: 0 to a positive power is 0, to 0 is 1, to a negative power overflows.
    if (b > 0) return 0;
    if (b == 0) return 1;
    return kPowerCap;
  }
  const long double l = std::log(std::fabs(a));
  const long double capLn = std::log(kPowerCap);
  const long double bl = b * l;
  long double r;
  if (bl >= capLn) {
    r = kPowerCap;
  } else if (bl <= -capLn) {
    r = 0;  // a result too small to hold is 0, not the overflow value
  } else {
    r = std::pow(std::fabs(a), b);
  }
  if (a < 0) {
    long double intPart;
    if (std::modf(b / 2, &intPart) != 0) r = -r;
  }
  return r;
}

bool TExp_Power::DecideDataType() {
  DataType = TExpDataType::Real;
  return true;
}

void TExp_Power::DoCalculate() {
  const TExpression* a = GetParam(0);
  const TExpression* b = GetParam(1);
  if (!a || !b) return;
  DataType = TExpDataType::Real;
  Value.Float = ExpPower(a->AsReal(), b->AsReal());
}

void TExp_Mul::DoCalculate() {
  const TExpression* a = GetParam(0);
  const TExpression* b = GetParam(1);
  if (!a || !b) return;
  switch (DataType) {
    case TExpDataType::Integer:
      Value.Int = WrapMul(a->AsInteger(), b->AsInteger());
      break;
    case TExpDataType::Real:
      Value.Float = a->AsReal() * b->AsReal();
      break;
    case TExpDataType::Boolean:
      Value.Int = a->AsBoolean() && b->AsBoolean() ? 1 : 0;
      break;
    case TExpDataType::Char:
      Value.Int = WrapMul(static_cast<unsigned char>(a->AsChar()),
                          static_cast<unsigned char>(b->AsChar())) & 0xFF;
      break;
    default:
      break;
  }
}

void TExp_Div::DoCalculate() {
  const TExpression* a = GetParam(0);
  const TExpression* b = GetParam(1);
  if (!a || !b) return;
  switch (DataType) {
    case TExpDataType::Integer:
      try {
        // The 64-bit quotient of two 32-bit values always exists; the smallest integer divided
        // by -1 wraps to itself.
        Value.Int = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(static_cast<std::uint64_t>(iDiv(a->AsInteger(), b->AsInteger()))));
      } catch (const std::exception&) {
        Value.Int = 0;
      }
      break;
    case TExpDataType::Real:
      try {
        Value.Float = fDiv(a->AsReal(), b->AsReal());
      } catch (const std::exception&) {
        Value.Float = 0;
      }
      break;
    default:
      break;
  }
}

bool TExp_Add::DecideDataType() {
  const TExpression* a = GetParam(0);
  const TExpression* b = GetParam(1);
  if (!a || !b) return TExpression::DecideDataType();
  auto joinsAsText = [](TExpDataType t) {
    return t == TExpDataType::Char || t == TExpDataType::String || t == TExpDataType::DateTime;
  };
  const TExpDataType ta = a->DataType, tb = b->DataType;
  if (joinsAsText(ta) && joinsAsText(tb)) {
    DataType = TExpDataType::String;
  } else if ((ta == TExpDataType::Integer || ta == TExpDataType::Real || ta == TExpDataType::Char) &&
             (tb == TExpDataType::Real || tb == TExpDataType::String || tb == TExpDataType::DateTime)) {
    DataType = tb;
  } else {
    DataType = ta;
  }
  return true;
}

void TExp_Add::DoCalculate() {
  const TExpression* a = GetParam(0);
  const TExpression* b = GetParam(1);
  if (!a || !b) return;
  switch (DataType) {
    case TExpDataType::Integer:
      Value.Int = WrapAdd(a->AsInteger(), b->AsInteger());
      break;
    case TExpDataType::Real:
      Value.Float = a->AsReal() + b->AsReal();
      break;
    case TExpDataType::Boolean:
      Value.Int = a->AsBoolean() || b->AsBoolean() ? 1 : 0;
      break;
    case TExpDataType::Char:
      Value.Int = WrapAdd(static_cast<unsigned char>(a->AsChar()),
                          static_cast<unsigned char>(b->AsChar())) & 0xFF;
      break;
    case TExpDataType::String: {
      TextOf ta(*a), tb(*b);
      if (ta.view.size() + tb.view.size() > kMaxTextLength) RaiseCalcError("文本过长");
      Value.Text.assign(ta.view);
      Value.Text.append(tb.view);
      break;
    }
    case TExpDataType::DateTime:
      Value.Float = static_cast<double>(a->AsDateTime() + b->AsReal());
      break;
    default:
      break;
  }
}

void TExp_Sub::DoCalculate() {
  const TExpression* a = GetParam(0);
  const TExpression* b = GetParam(1);
  if (!a || !b) return;
  switch (DataType) {
    case TExpDataType::Integer:
      Value.Int = WrapSub(a->AsInteger(), b->AsInteger());
      break;
    case TExpDataType::Real:
      Value.Float = a->AsReal() - b->AsReal();
      break;
    case TExpDataType::Boolean:
      Value.Int = a->AsBoolean() != b->AsBoolean() ? 1 : 0;
      break;
    case TExpDataType::Char:
      Value.Int = WrapSub(static_cast<unsigned char>(a->AsChar()),
                          static_cast<unsigned char>(b->AsChar())) & 0xFF;
      break;
    case TExpDataType::DateTime:
      Value.Float = a->AsDateTime() - b->AsDateTime();
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------- comparisons

bool TExp_Boolean::DecideDataType() {
  DataType = TExpDataType::Boolean;
  return true;
}

int CompareByFirstType(const TExpression& a, const TExpression& b) {
  switch (a.DataType) {
    case TExpDataType::Integer:
    case TExpDataType::Char: {
      const std::int32_t x = a.AsInteger(), y = b.AsInteger();
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    case TExpDataType::Real: {
      const long double x = a.AsReal(), y = b.AsReal();
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    case TExpDataType::DateTime: {
      const long double x = a.AsDateTime(), y = b.AsDateTime();
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    default: {
      TextOf ta(a), tb(b);
      const int c = ta.view.compare(tb.view);
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
  }
}

namespace {

bool Equal(const TExpression& a, const TExpression& b) {
  switch (a.DataType) {
    case TExpDataType::Integer:
    case TExpDataType::Char:
      return a.AsInteger() == b.AsInteger();
    case TExpDataType::Real:
      return std::fabs(a.AsReal() - b.AsReal()) <= 1E-19L;
    case TExpDataType::DateTime:
      return std::fabs(static_cast<long double>(a.AsDateTime()) - b.AsDateTime()) <= 1E-19L;
    default: {
      TextOf ta(a), tb(b);
      return ta.view == tb.view;
    }
  }
}

}  // namespace

void TExp_Equ::DoCalculate() {
  if (GetParam(0) && GetParam(1)) Value.Int = Equal(*GetParam(0), *GetParam(1)) ? 1 : 0;
}

void TExp_NotEqu::DoCalculate() {
  if (GetParam(0) && GetParam(1)) Value.Int = Equal(*GetParam(0), *GetParam(1)) ? 0 : 1;
}

void TExp_Great::DoCalculate() {
  if (GetParam(0) && GetParam(1)) Value.Int = CompareByFirstType(*GetParam(0), *GetParam(1)) > 0;
}

void TExp_GorE::DoCalculate() {
  if (GetParam(0) && GetParam(1)) Value.Int = CompareByFirstType(*GetParam(0), *GetParam(1)) >= 0;
}

void TExp_Less::DoCalculate() {
  if (GetParam(0) && GetParam(1)) Value.Int = CompareByFirstType(*GetParam(0), *GetParam(1)) < 0;
}

void TExp_LorE::DoCalculate() {
  if (GetParam(0) && GetParam(1)) Value.Int = CompareByFirstType(*GetParam(0), *GetParam(1)) <= 0;
}

void TExp_In::DoCalculate() {
  if (!GetParam(0) || !GetParam(1)) return;
  TextOf ta(*GetParam(0)), tb(*GetParam(1));
  Value.Int = !ta.view.empty() && tb.view.find(ta.view) != std::string_view::npos ? 1 : 0;
}

// ---------------------------------------------------------------- logic

void TExp_And::Calculate(std::uint32_t stamp) {
  if (!EnterRound(stamp)) return;
  TExpression* a = GetParam(0);
  TExpression* b = GetParam(1);
  if (!a || !b) return;
  a->Calculate(stamp);
  if (DataType == TExpDataType::Auto) DataType = a->DataType;
  if (DataType != TExpDataType::Boolean) {
    b->Calculate(stamp);
    SetAsInteger(a->AsInteger() & b->AsInteger());
  } else if (a->AsBoolean()) {
    b->Calculate(stamp);
    Value.Int = b->AsBoolean() ? 1 : 0;
  } else {
    Value.Int = 0;
  }
}

void TExp_Or::Calculate(std::uint32_t stamp) {
  if (!EnterRound(stamp)) return;
  TExpression* a = GetParam(0);
  TExpression* b = GetParam(1);
  if (!a || !b) return;
  a->Calculate(stamp);
  if (DataType == TExpDataType::Auto) DataType = a->DataType;
  if (DataType != TExpDataType::Boolean) {
    b->Calculate(stamp);
    SetAsInteger(a->AsInteger() | b->AsInteger());
  } else if (!a->AsBoolean()) {
    b->Calculate(stamp);
    Value.Int = b->AsBoolean() ? 1 : 0;
  } else {
    Value.Int = 1;
  }
}

}  // namespace olv
