#include "foundation/expr/Expression.h"

#include <cmath>

#include "foundation/text/DateTime.h"
#include "foundation/text/Format.h"
#include "foundation/base/SysErrors.h"
#include "foundation/text/TextServices.h"
#include "foundation/text/Utf8.h"

namespace olv {

namespace {

constexpr long double kTwo63 = 9223372036854775808.0L;

// The one way a 64-bit range value becomes 32 bits: its low 32 bits. Outside 64 bits (and NaN)
// the original's conversion produced the "integer indefinite" pattern, whose low half is 0.
std::int32_t Low32(long double r) {
  if (std::isnan(r) || r >= kTwo63 || r < -kTwo63) return 0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(
      static_cast<std::uint64_t>(static_cast<std::int64_t>(r))));
}

std::int32_t LowByte(std::int32_t v) { return v & 0xFF; }

bool HasHexPrefix(std::string_view t) {
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) t.remove_prefix(1);
  return (!t.empty() && t[0] == '$') || (t.size() > 1 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'));
}

// Format with one argument; a format that does not fit the value gives the error message and the
// format instead of raising.
template <class Arg>
std::string SafeFormat(const std::string& fmt, Arg arg) {
  try {
    const FormatArg args[1] = {FormatArg(arg)};
    return FormatV(fmt, std::span<const FormatArg>(args, 1));
  } catch (const std::exception& e) {
    return std::string(e.what()) + "(" + fmt + ")";
  }
}

}  // namespace

std::int32_t RoundToInt32(long double v) { return Low32(std::nearbyint(v)); }
std::int32_t TruncToInt32(long double v) { return Low32(std::trunc(v)); }

bool TryStrToInt32(std::string_view text, std::int32_t& value) {
  std::int64_t v = 0;
  try {
    v = StrToIntSigned(text);
  } catch (const std::exception&) {
    return false;
  }
  if (HasHexPrefix(text)) {
    // Hexadecimal texts are bit patterns of up to 32 bits: $FFFFFFFF is -1.
    if (v < -0xFFFFFFFFLL || v > 0xFFFFFFFFLL) return false;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
    return true;
  }
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

std::int32_t StrToInt32(std::string_view text) {
  std::int32_t v = 0;
  if (!TryStrToInt32(text, v)) {
    // Let the general conversion name the fault when it has one; else the range is the fault.
    StrToIntSigned(text);
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return v;
}

TExpression::~TExpression() {
  for (int i = kMaxParams - 1; i >= 0; --i) params_[i].reset();
}

bool TExpression::DecideDataType() {
  const TExpression* p = GetParam(0);
  DataType = p ? p->DataType : TExpDataType::Real;
  return true;
}

int TExpression::ParamCount() const {
  for (int i = kMaxParams; i > 0; --i)
    if (params_[i - 1]) return i;
  return 0;
}

TExpression* TExpression::GetParam(int index) const {
  return index >= 0 && index < kMaxParams ? params_[index].get() : nullptr;
}

std::unique_ptr<TExpression> TExpression::SetParam(int index, std::unique_ptr<TExpression> node) {
  if (index < 0 || index >= kMaxParams) return node;
  std::swap(params_[index], node);
  return node;
}

bool TExpression::AddParam(int index, std::unique_ptr<TExpression>& node) {
  if (!node) return false;
  // Whatever the slot held, or a node for a slot this class does not have, is dropped here.
  SetParam(index, std::move(node));
  return true;
}

bool TExpression::IsConstant() const {
  for (int i = 0; i < kMaxParams; ++i) {
    const TExpression* p = GetParam(i);
    if (p && !p->IsConstant()) return false;
  }
  return true;
}

std::unique_ptr<TExpression> TExpression::CreateOfClass(const TClass& cls) {
  if (!cls.create || !cls.InheritsFrom(TExpression::StaticClass())) return nullptr;
  std::unique_ptr<TBaseObject> obj = cls.create();
  return std::unique_ptr<TExpression>(static_cast<TExpression*>(obj.release()));
}

std::unique_ptr<TExpression> TExpression::CloneExp() const {
  auto c = CreateOfClass(ClassType());
  if (!c) c = std::make_unique<TExpression>();
  c->Stamp = Stamp;
  for (int i = 0;; ++i) {
    const TExpression* p = GetParam(i);
    if (!p) break;
    auto pc = p->CloneExp();
    c->SetParam(i, std::move(pc));
  }
  CloneStateTo(*c);
  c->CopyResult(*this);
  return c;
}

void TExpression::CalculateParams(std::uint32_t stamp) {
  for (int i = 0;; ++i) {
    TExpression* p = GetParam(i);
    if (!p) break;
    p->Calculate(stamp);
  }
}

void TExpression::Calculate(std::uint32_t stamp) {
  if (!EnterRound(stamp)) return;
  CalculateParams(stamp);
  if (DataType == TExpDataType::Auto) {
    if (const TExpression* p = GetParam(0)) DataType = p->DataType;
  }
  DoCalculate();
}

void TExpression::RaiseCalcError(std::string_view message) const {
  throw Exception(Format("表达式(%s)计算错误：%s", {GetClassNameStr(), message}));
}

// ---------------------------------------------------------------- persistence

void TExpression::EnumProps(PropMode mode, TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  static_assert(sizeof(TExpDataType) == 1);
  // A one-byte enumeration read and written as its byte; AfterRead checks what was read.
  proc.Report<pkByte>("DataType", reinterpret_cast<std::uint8_t&>(DataType), true);
  switch (DataType) {
    case TExpDataType::String:
      proc.Report<pkString>("Value", Value.Text, !Value.Text.empty());
      break;
    case TExpDataType::Real:
    case TExpDataType::DateTime:
      proc.Report<pkExtended>("Value", Value.Float, Value.Float != 0);
      break;
    default:
      proc.Report<pkInteger>("Value", Value.Int, Value.Int != 0);
      break;
  }
  proc.ReportObject("FormatExp", formatExp_, formatExp_ != nullptr);
  static constexpr std::string_view kSubExp[kMaxParams] = {"SubExp0", "SubExp1", "SubExp2"};
  const int count = mode == pmRead ? kMaxParams : ParamCount();
  for (int i = 0; i < count && i < kMaxParams; ++i)
    proc.ReportObject(kSubExp[i], params_[i], params_[i] != nullptr);
}

void TExpression::AfterRead(TObjReader&) {
  if (static_cast<std::uint8_t>(DataType) > static_cast<std::uint8_t>(TExpDataType::Auto))
    DataType = TExpDataType::Integer;
  if (DataType == TExpDataType::Boolean || DataType == TExpDataType::Char) Value.Int = LowByte(Value.Int);
}

// ---------------------------------------------------------------- reading

std::int32_t TExpression::AsInteger() const {
  switch (DataType) {
    case TExpDataType::Real:
      return RoundToInt32(Value.Float);
    case TExpDataType::Boolean:
      return LowByte(Value.Int) != 0 ? 1 : 0;
    case TExpDataType::Char:
      return LowByte(Value.Int);
    case TExpDataType::String: {
      std::int32_t v = 0;
      return TryStrToInt32(Value.Text, v) ? v : 0;
    }
    case TExpDataType::DateTime:
      return RoundToInt32(Value.Float);
    default:
      return Value.Int;
  }
}

long double TExpression::AsReal() const {
  switch (DataType) {
    case TExpDataType::Real:
    case TExpDataType::DateTime:
      return Value.Float;
    case TExpDataType::Boolean:
      return LowByte(Value.Int) != 0 ? 1 : 0;
    case TExpDataType::Char:
      return LowByte(Value.Int);
    case TExpDataType::String:
      return StrToFloatPrefix(Value.Text);
    default:
      return Value.Int;
  }
}

bool TExpression::AsBoolean() const {
  switch (DataType) {
    case TExpDataType::Real:
    case TExpDataType::DateTime:
      return Value.Float > 0;
    case TExpDataType::Boolean:
      return LowByte(Value.Int) != 0;
    case TExpDataType::Char:
      return utf8::AsciiUpper(static_cast<char>(Value.Int)) == 'Y';
    case TExpDataType::String:
      return Value.Text.size() == 3 && utf8::SameText(Value.Text, "YES");
    default:
      return Value.Int > 0;
  }
}

char TExpression::AsChar() const {
  switch (DataType) {
    case TExpDataType::Real:
      return static_cast<char>(LowByte(TruncToInt32(Value.Float)));
    case TExpDataType::Boolean:
      return LowByte(Value.Int) != 0 ? 'Y' : 'N';
    case TExpDataType::Char:
      return static_cast<char>(Value.Int);
    case TExpDataType::String:
    case TExpDataType::DateTime: {
      const std::string s = AsString();
      return s.empty() ? '\0' : s[0];
    }
    default:
      return static_cast<char>(LowByte(Value.Int));
  }
}

double TExpression::AsDateTime() const {
  switch (DataType) {
    case TExpDataType::Real:
    case TExpDataType::DateTime:
      return static_cast<double>(Value.Float);
    case TExpDataType::Boolean:
    case TExpDataType::Char:
    case TExpDataType::String: {
      const std::string s = AsString();
      const auto settings = CurrentFormatSettings();
      if (!settings->DateSeparator.empty() && s.find(settings->DateSeparator) != std::string::npos) {
        if (!settings->TimeSeparator.empty() && s.find(settings->TimeSeparator) != std::string::npos)
          return StrToDateTime(s);
        return StrToDate(s);
      }
      return StrToTime(s);
    }
    default:
      return Value.Int;
  }
}

std::string TExpression::FormatStr() const {
  // A format may itself be formatted, and through variables may end up formatting itself
  // (each level cloning formats anew): inside a format the default formats hold.
  static thread_local int depth = 0;
  if (formatExp_ && depth < kMaxFormatDepth) {
    struct Level {
      Level() { ++depth; }
      ~Level() { --depth; }
    } level;
    formatExp_->Calculate(Stamp);
    std::string f = formatExp_->AsString();
    if (!f.empty()) return f;
  }
  switch (DataType) {
    case TExpDataType::Real:
      return "%g";
    case TExpDataType::DateTime:
      return "YYYY.MM.DD hh:nn:ss";
    case TExpDataType::Boolean:
    case TExpDataType::Char:
    case TExpDataType::String:
      return "%s";
    default:
      return "%d";
  }
}

std::string TExpression::AsString() const {
  if (const std::string* plain = PlainText()) return *plain;
  const std::string fmt = FormatStr();
  switch (DataType) {
    case TExpDataType::Real:
      return SafeFormat(fmt, Value.Float);
    case TExpDataType::DateTime:
      try {
        return FormatDateTime(fmt, static_cast<double>(Value.Float));
      } catch (const std::exception& e) {
        return std::string(e.what()) + "(" + fmt + ")";
      }
    case TExpDataType::Boolean:
      return SafeFormat(fmt, GetBoolNames()[LowByte(Value.Int) != 0 ? 1 : 0]);
    case TExpDataType::Char:
      return SafeFormat(fmt, static_cast<char>(Value.Int));
    case TExpDataType::String:
      return SafeFormat(fmt, std::string_view(Value.Text));
    default:
      return SafeFormat(fmt, Value.Int);
  }
}

// ---------------------------------------------------------------- assigning

void TExpression::SetAsInteger(std::int32_t v) {
  switch (DataType) {
    case TExpDataType::Real:
    case TExpDataType::DateTime:
      Value.Float = v;
      break;
    case TExpDataType::Boolean:
    case TExpDataType::Char:
      Value.Int = LowByte(v);
      break;
    case TExpDataType::String:
      Value.Text = std::to_string(v);
      break;
    default:
      Value.Int = v;
  }
}

void TExpression::SetAsReal(long double v) {
  switch (DataType) {
    case TExpDataType::Real:
      Value.Float = v;
      break;
    case TExpDataType::DateTime:
      Value.Float = static_cast<double>(v);
      break;
    case TExpDataType::Boolean:
    case TExpDataType::Char:
      Value.Int = LowByte(RoundToInt32(v));
      break;
    case TExpDataType::String:
      Value.Text = SafeFormat(std::string("%g"), v);
      break;
    default:
      Value.Int = RoundToInt32(v);
  }
}

void TExpression::SetAsBoolean(bool b) {
  switch (DataType) {
    case TExpDataType::Real:
    case TExpDataType::DateTime:
      Value.Float = b ? 1 : 0;
      break;
    case TExpDataType::Char:
      Value.Int = b ? 'Y' : 'N';
      break;
    case TExpDataType::String:
      Value.Text = GetBoolNames()[b ? 1 : 0];
      break;
    default:
      Value.Int = b ? 1 : 0;
  }
}

void TExpression::SetAsChar(char c) {
  const std::int32_t code = static_cast<unsigned char>(c);
  switch (DataType) {
    case TExpDataType::Real:
    case TExpDataType::DateTime:
      Value.Float = code;
      break;
    case TExpDataType::String:
      Value.Text.assign(1, c);
      break;
    default:
      Value.Int = code;
  }
}

void TExpression::SetAsDateTime(double d) {
  switch (DataType) {
    case TExpDataType::Real:
    case TExpDataType::DateTime:
      Value.Float = d;
      break;
    case TExpDataType::Boolean:
      Value.Int = 0;
      break;
    case TExpDataType::Char:
      Value.Int = LowByte(RoundToInt32(d));
      break;
    case TExpDataType::String:
      Value.Text = DateTimeToStr(d);
      break;
    default:
      Value.Int = RoundToInt32(d);
  }
}

void TExpression::SetAsString(std::string_view s) {
  switch (DataType) {
    case TExpDataType::Real:
      Value.Float = StrToFloatPrefix(s);
      break;
    case TExpDataType::DateTime:
      Value.Float = StrToDateTime(s);
      break;
    case TExpDataType::Boolean:
      if (s.size() == 1)
        Value.Int = (s[0] == 'Y' || s[0] == 'y') ? 1 : 0;
      else
        Value.Int = utf8::SameText(s, "Yes") ? 1 : 0;
      break;
    case TExpDataType::Char:
      Value.Int = s.empty() ? 0 : static_cast<unsigned char>(s[0]);
      break;
    case TExpDataType::String:
      Value.Text.assign(s);
      break;
    default:
      Value.Int = StrToInt32(s);
  }
}

void TExpression::AssignValue(const TExpression& source) {
  if (&source == this) return;
  DataType = source.DataType;
  if (DataType == TExpDataType::String) {
    Value.Text = source.Value.Text;
  } else {
    Value.Int = source.Value.Int;
    Value.Float = source.Value.Float;
  }
}

void TExpression::CopyResult(const TExpression& source) {
  AssignValue(source);
  if (!formatExp_ && source.formatExp_) formatExp_ = source.formatExp_->CloneExp();
}

// ---------------------------------------------------------------- constants

std::unique_ptr<TExpression> MakeTextConstant(std::string_view text) {
  auto e = std::make_unique<TExpression>();
  if (text.size() == 1) {
    e->DataType = TExpDataType::Char;
    e->Value.Int = static_cast<unsigned char>(text[0]);
  } else {
    e->DataType = TExpDataType::String;
    e->Value.Text.assign(text);
  }
  return e;
}

std::unique_ptr<TExpression> MakeStringConstant(std::string_view text) {
  auto e = std::make_unique<TExpression>();
  e->DataType = TExpDataType::String;
  e->Value.Text.assign(text);
  return e;
}

std::unique_ptr<TExpression> MakeIntConstant(std::int32_t v) {
  auto e = std::make_unique<TExpression>();
  e->DataType = TExpDataType::Integer;
  e->Value.Int = v;
  return e;
}

std::unique_ptr<TExpression> MakeRealConstant(long double v) {
  auto e = std::make_unique<TExpression>();
  e->DataType = TExpDataType::Real;
  e->Value.Float = v;
  return e;
}

std::unique_ptr<TExpression> MakeBoolConstant(bool v) {
  auto e = std::make_unique<TExpression>();
  e->DataType = TExpDataType::Boolean;
  e->Value.Int = v ? 1 : 0;
  return e;
}

std::string_view DataTypeName(TExpDataType type) {
  switch (type) {
    case TExpDataType::Integer: return "Integer";
    case TExpDataType::Real: return "Real";
    case TExpDataType::Boolean: return "Boolean";
    case TExpDataType::Char: return "Char";
    case TExpDataType::String: return "String";
    case TExpDataType::DateTime: return "DateTime";
    case TExpDataType::Auto: return "Auto";
  }
  return "?";
}

}  // namespace olv
