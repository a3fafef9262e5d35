#include "foundation/expr/ExpCoreFunctions.h"

#include <malloc.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <mutex>
#include <numbers>
#include <random>

#include "foundation/expr/CustomFunction.h"
#include "foundation/expr/ExpOperators.h"
#include "foundation/expr/ExpTranslator.h"
#include "foundation/expr/FunctionList.h"
#include "foundation/expr/GuardedDivision.h"
#include "foundation/dialogs/MessageBoxes.h"
#include "foundation/expr/OlvMoney.h"
#include "foundation/files/PathMacros.h"
#include "foundation/base/RegValues.h"
#include "foundation/text/TextFields.h"
#include "foundation/text/TextServices.h"
#include "foundation/text/Wildcard.h"
#include "platform/Process.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

// ---------------------------------------------------------------- hooks

namespace {

class XdgOpener : public TDesktopOpener {
 public:
  int Open(const std::string& target, const std::string& params, int) override {
    plat::SpawnOptions o;
    o.program = "xdg-open";
    o.args.push_back(target);
    for (auto& w : SplitCommandLine(params)) o.args.push_back(w);
    auto p = plat::Process::spawn(o, nullptr);
    return p && p->started() ? 0 : 2;
  }
};

plat::Mutex gHookMutex;
TDesktopOpener* gOpener GUARDED_BY(gHookMutex) = nullptr;
TProgressHook gProgress GUARDED_BY(gHookMutex);
std::string gHint GUARDED_BY(gHookMutex);

TDesktopOpener& Opener() {
  static XdgOpener xdg;
  plat::MutexLock lock(gHookMutex);
  return gOpener ? *gOpener : xdg;
}

}  // namespace

TDesktopOpener* SetDesktopOpener(TDesktopOpener* opener) {
  plat::MutexLock lock(gHookMutex);
  TDesktopOpener* old = gOpener;
  gOpener = opener;
  return old;
}

void SetProgressHook(TProgressHook hook) {
  plat::MutexLock lock(gHookMutex);
  gProgress = std::move(hook);
}

std::string ApplicationHint() {
  plat::MutexLock lock(gHookMutex);
  return gHint;
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string cur;
  bool inWord = false, quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(std::move(cur));
      cur.clear();
      inWord = false;
    } else {
      cur.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(cur));
  return words;
}

std::int32_t TextToShortCut(std::string_view text) {
  constexpr std::int32_t kShift = 0x2000, kCtrl = 0x4000, kAlt = 0x8000;
  auto upper = [](std::string_view t) {
    std::string u(t);
    for (char& c : u)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return u;
  };
  std::int32_t mods = 0;
  std::string rest = upper(text);
  for (;;) {
    if (rest.rfind("SHIFT+", 0) == 0) { mods |= kShift; rest.erase(0, 6); }
    else if (rest.rfind("CTRL+", 0) == 0) { mods |= kCtrl; rest.erase(0, 5); }
    else if (rest.rfind("ALT+", 0) == 0) { mods |= kAlt; rest.erase(0, 4); }
    else break;
  }
  if (rest.empty()) return 0;
  if (rest.size() == 1) {
    const char c = rest[0];
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return mods | c;
    return 0;
  }
  if (rest[0] == 'F' && rest.size() <= 3) {
    int n = 0;
    for (std::size_t i = 1; i < rest.size(); ++i) {
      if (rest[i] < '0' || rest[i] > '9') return 0;
      n = n * 10 + (rest[i] - '0');
    }
    if (n >= 1 && n <= 24) return mods | (0x70 + n - 1);
    return 0;
  }
  static const std::pair<const char*, int> kKeys[] = {
      {"BKSP", 8},   {"TAB", 9},    {"ENTER", 13}, {"ESC", 27},  {"SPACE", 32}, {"PGUP", 33},
      {"PGDN", 34},  {"END", 35},   {"HOME", 36},  {"LEFT", 37}, {"UP", 38},    {"RIGHT", 39},
      {"DOWN", 40},  {"INS", 45},   {"DEL", 46}};
  for (const auto& [name, code] : kKeys)
    if (rest == name) return mods | code;
  return 0;
}

// ---------------------------------------------------------------- list functions

TExpression* TListFunction::GetParam(int index) const {
  return index >= 0 && index < static_cast<int>(args_.size()) ? args_[index].get() : nullptr;
}

std::unique_ptr<TExpression> TListFunction::SetParam(int index, std::unique_ptr<TExpression> node) {
  if (index < 0) return node;
  if (index >= static_cast<int>(args_.size())) {
    if (!node) return nullptr;
    args_.resize(index + 1);
  }
  std::swap(args_[index], node);
  return node;
}

namespace {

// Compact definitions: a class with fixed argument counts, result type and value.
#define OLV_FN(Name, Base, Min, Opt, Body)                       \
  class TExp_##Name : public Base {                               \
    OLV_CLASS(TExp_##Name, Base)                                  \
   public:                                                        \
    int MinParamCount() const override { return Min; }            \
    int OptParamCount() const override { return Opt; }            \
    Body                                                          \
  };
#define TYPED(T) \
  bool DecideDataType() override { DataType = TExpDataType::T; return true; }
#define CALC(...) void DoCalculate() override { __VA_ARGS__ }

TExpression& A(const TExpression& n) { return *n.GetParam(0); }
TExpression& B(const TExpression& n) { return *n.GetParam(1); }
TExpression* C(const TExpression& n) { return n.GetParam(2); }


bool IsTextType(TExpDataType t) {
  return t == TExpDataType::Boolean || t == TExpDataType::Char || t == TExpDataType::String ||
         t == TExpDataType::DateTime;
}

// Stores a number by the node's own type.
void SetNumber(TExpression& n, long double v) {
  if (n.DataType == TExpDataType::Integer)
    n.SetAsInteger(RoundToInt32(v));
  else
    n.SetAsReal(v);
}

std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}
std::string AsciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

bool IsNumberType(TExpDataType t) {
  return t == TExpDataType::Integer || t == TExpDataType::Real || t == TExpDataType::DateTime;
}

// Compares numbers as numbers (integers exactly), anything else as texts byte by byte.
int CompareValues(const TExpression& a, const TExpression& b) {
  if (a.DataType == TExpDataType::Integer && b.DataType == TExpDataType::Integer) {
    const auto x = a.AsInteger(), y = b.AsInteger();
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (IsNumberType(a.DataType) && IsNumberType(b.DataType)) {
    const long double x = a.AsReal(), y = b.AsReal();
    return x < y ? -1 : x > y ? 1 : 0;
  }
  const int c = a.AsString().compare(b.AsString());
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// The node keeps its own type and takes the value of source converted to it.
void TakeValueKeepingType(TExpression& n, const TExpression& source) {
  switch (n.DataType) {
    case TExpDataType::Integer:
      n.SetAsInteger(IsNumberType(source.DataType) ? RoundToInt32(source.AsReal()) : source.AsInteger());
      break;
    case TExpDataType::Real: n.SetAsReal(source.AsReal()); break;
    case TExpDataType::Boolean: n.SetAsBoolean(source.AsBoolean()); break;
    case TExpDataType::Char: n.SetAsChar(source.AsChar()); break;
    case TExpDataType::DateTime: n.SetAsDateTime(source.AsDateTime()); break;
    default: n.SetAsString(source.AsString()); break;
  }
}

// A shell result code: decimal text for a text node, else the number.
void SetResultCode(TExpression& n, int code) {
  if (n.DataType == TExpDataType::String)
    n.SetAsString(std::to_string(code));
  else
    n.SetAsInteger(code);
}

}  // namespace

// --- conversions
OLV_FN(ToInt, TFunction, 1, 0, TYPED(Integer) CALC(SetAsInteger(A(*this).AsInteger());))
OLV_FN(ToReal, TFunction, 1, 0, TYPED(Real) CALC(SetAsReal(A(*this).AsReal());))
OLV_FN(ToBool, TFunction, 1, 0, TYPED(Boolean) CALC(SetAsBoolean(A(*this).AsBoolean());))
OLV_FN(ToChar, TFunction, 1, 0, TYPED(Char) CALC(SetAsChar(A(*this).AsChar());))
OLV_FN(ToStr, TStrFunction, 1, 0, CALC(Value.Text = A(*this).AsString();))
OLV_FN(ToTime, TFunction, 1, 0, TYPED(DateTime) CALC(SetAsDateTime(A(*this).AsDateTime());))
// --- text
OLV_FN(RTrim, TStrFunction, 1, 0, CALC(Value.Text = TrimRightBlank(A(*this).AsString());))
OLV_FN(LTrim, TStrFunction, 1, 0, CALC(Value.Text = TrimLeftBlank(A(*this).AsString());))
OLV_FN(Trim, TStrFunction, 1, 0,
       CALC(Value.Text = TrimLeftBlank(TrimRightBlank(A(*this).AsString()));))
OLV_FN(Length, TFunction, 1, 0,
       TYPED(Integer) CALC(SetAsInteger(static_cast<std::int32_t>(A(*this).AsString().size()));))
OLV_FN(Pos, TFunction, 2, 0, TYPED(Integer) CALC({
         const std::size_t p = B(*this).AsString().find(A(*this).AsString());
         SetAsInteger(p == std::string::npos ? 0 : static_cast<std::int32_t>(p + 1));
       }))
OLV_FN(RPos, TFunction, 2, 0, TYPED(Integer) CALC({
         std::string b = B(*this).AsString();
         if (b.size() > 255) b.resize(255);
         SetAsInteger(static_cast<std::int32_t>(LastCharPos(A(*this).AsChar(), b)));
       }))
OLV_FN(ASC, TFunction, 1, 0, TYPED(Integer) CALC({
         const std::string a = A(*this).AsString();
         SetAsInteger(a.empty() ? 0 : static_cast<unsigned char>(a[0]));
       }))

namespace {
std::string SubText(const TExpression& n, bool whole) {
  const std::string a = A(n).AsString();
  const TExpression& b = B(n);
  if (b.DataType == TExpDataType::Integer) {
    const std::int32_t from = b.AsInteger(), count = C(n)->AsInteger();
    if (count <= 0 || from > static_cast<std::int32_t>(a.size())) return {};
    const std::size_t start = from < 1 ? 1 : static_cast<std::size_t>(from);
    if (whole) return CopyWholeChars(a, start, static_cast<std::size_t>(count));
    return a.substr(start - 1, static_cast<std::size_t>(count));
  }
  const std::int32_t index = C(n)->AsInteger();
  if (index < 0) return {};
  return GetField(a, b.AsString(), static_cast<std::size_t>(index));
}
}  // namespace

OLV_FN(SubS, TStrFunction, 3, 0, CALC(Value.Text = SubText(*this, false);))
OLV_FN(SubSValid, TStrFunction, 3, 0, CALC(Value.Text = SubText(*this, true);))
OLV_FN(SubStrCount, TFunction, 2, 0, TYPED(Integer) CALC(SetAsInteger(static_cast<std::int32_t>(
                                         FieldCount(A(*this).AsString(), B(*this).AsString())));))
OLV_FN(ChrS, TStrFunction, 2, 0, CALC({
         const std::int32_t n = B(*this).AsInteger();
         if (n > 0 && static_cast<std::size_t>(n) > kMaxTextLength) RaiseCalcError("文本过长");
         Value.Text = n > 0 ? RepeatChar(A(*this).AsChar(), static_cast<std::size_t>(n)) : std::string();
       }))
OLV_FN(Upper, TStrFunction, 1, 0, CALC(Value.Text = AsciiUpper(A(*this).AsString());))
OLV_FN(Lower, TStrFunction, 1, 0, CALC(Value.Text = AsciiLower(A(*this).AsString());))
OLV_FN(UpLower, TStrFunction, 1, 0, CALC(Value.Text = CapitalizeFirst(A(*this).AsString());))
// --- arithmetic
OLV_FN(Abs, TN1Function, 1, 0, CALC({
         if (DataType == TExpDataType::Integer) {
           const auto v = A(*this).AsInteger();
           SetAsInteger(v < 0 ? WrapNeg(v) : v);
         } else {
           SetAsReal(std::fabs(A(*this).AsReal()));
         }
       }))
#define MATH(Name, Expr) OLV_FN(Name, TMathFunction, 1, 0, CALC({ const long double x = A(*this).AsReal(); SetAsReal(Expr); }))
MATH(Sin, std::sin(x))
MATH(Cos, std::cos(x))
MATH(ArcTan, std::atan(x))
MATH(Ln, std::log(x))
MATH(Sqr, x * x)
MATH(Sqrt, std::sqrt(x))
MATH(Frac, x - std::trunc(x))
MATH(Int, std::trunc(x))
OLV_FN(Pi, TMathFunction, 0, 0, CALC(SetAsReal(std::numbers::pi_v<long double>);))
OLV_FN(Neg, TN1Function, 1, 0, CALC({
         if (DataType == TExpDataType::Integer) SetAsInteger(WrapNeg(A(*this).AsInteger()));
         else SetAsReal(-A(*this).AsReal());
       }))
OLV_FN(Order, TN1Function, 1, 0, CALC(SetNumber(*this, AsReal() + 1);))
OLV_FN(Random, TN1Function, 1, 0, CALC({
         thread_local std::mt19937 gen{std::random_device{}()};
         const std::int32_t n = A(*this).AsInteger();
         SetNumber(*this, n > 0 ? std::uniform_int_distribution<std::int32_t>(0, n - 1)(gen) : 0);
       }))
OLV_FN(Round, TN1Function, 1, 0, TYPED(Integer) CALC(SetAsInteger(RoundToInt32(A(*this).AsReal()));))
OLV_FN(Trunc, TN1Function, 1, 0, TYPED(Integer) CALC(SetAsInteger(TruncToInt32(A(*this).AsReal()));))
OLV_FN(RealDiv, TN1Function, 2, 1, CALC({
         long double v;
         try { v = fDiv(A(*this).AsReal(), B(*this).AsReal()); }
         catch (const std::exception&) { v = C(*this) ? C(*this)->AsReal() : 0; }
         SetNumber(*this, v);
       }))
OLV_FN(IntDiv, TN1Function, 2, 1, TYPED(Integer) CALC({
         std::int32_t v;
         try { v = static_cast<std::int32_t>(iDiv(A(*this).AsInteger(), B(*this).AsInteger())); }
         catch (const std::exception&) { v = C(*this) ? C(*this)->AsInteger() : 0; }
         SetAsInteger(v);
       }))
OLV_FN(Mod, TN1Function, 2, 0, CALC({
         if (DataType == TExpDataType::Integer) {
           const std::int64_t a = A(*this).AsInteger(), b = B(*this).AsInteger();
           SetAsInteger(b == 0 ? static_cast<std::int32_t>(a) : static_cast<std::int32_t>(a % b));
         } else {
           const long double a = A(*this).AsReal(), b = B(*this).AsReal();
           SetAsReal(b == 0 ? a : std::fmod(a, b));
         }
       }))
OLV_FN(rRound, TN1Function, 2, 0,
       CALC(SetNumber(*this, RoundToDigits(B(*this).AsInteger(), A(*this).AsReal()));))
OLV_FN(Not, TFunction, 1, 0, CALC({
         if (DataType == TExpDataType::Boolean) SetAsBoolean(!A(*this).AsBoolean());
         else SetAsInteger(~A(*this).AsInteger());
       }))
OLV_FN(Odd, TFunction, 1, 0, TYPED(Boolean) CALC(SetAsBoolean((A(*this).AsInteger() & 1) != 0);))
namespace {
// The variable list of the compile that creates a node, as for variable references.
TVarList* CompileVarList() {
  const TCompileScope* scope = TCompileScope::Current();
  return scope && scope->VarList ? scope->VarList : GlobalTranslator().VarList();
}
}  // namespace

OLV_FN(VarExist, TFunction, 1, 0, TVarList* vars_ = CompileVarList();
       void CloneStateTo(TExpression& c) const override { static_cast<TExp_VarExist&>(c).vars_ = vars_; }
       TYPED(Boolean) CALC({
         TVarList* list = vars_;
         plat::RecursiveMutexLock lock(VariablesLock());
         SetAsBoolean(list && list->FindVar(A(*this).AsString()) != nullptr);
       }))
OLV_FN(Like, TFunction, 2, 1, TYPED(Boolean) CALC(SetAsBoolean(MatchWildcard(
                                  A(*this).AsString(), B(*this).AsString(), C(*this) ? C(*this)->AsBoolean() : true));))

// LikeAny(Text, Pattern... [, CaseSensitive]): patterns evaluated in order until one matches.
class TExp_LikeAny : public TListFunction {
  OLV_CLASS(TExp_LikeAny, TListFunction)
 public:
  int MinParamCount() const override { return 2; }
  int OptParamCount() const override { return kManyParams; }
  bool DecideDataType() override {
    DataType = TExpDataType::Boolean;
    return true;
  }
  void Calculate(std::uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    const int n = ParamCount();
    GetParam(0)->Calculate(stamp);
    const std::string text = GetParam(0)->AsString();
    int last = n;
    bool caseSensitive = true;
    if (n > 2 && GetParam(n - 1)->DataType == TExpDataType::Boolean) {
      GetParam(n - 1)->Calculate(stamp);
      caseSensitive = GetParam(n - 1)->AsBoolean();
      last = n - 1;
    }
    bool match = false;
    for (int i = 1; i < last && !match; ++i) {
      GetParam(i)->Calculate(stamp);
      match = MatchWildcard(text, GetParam(i)->AsString(), caseSensitive);
    }
    SetAsBoolean(match);
  }
};

// On a tie the result is B.
OLV_FN(Min, TFunction, 2, 0, CALC(TakeValueKeepingType(*this, CompareValues(A(*this), B(*this)) < 0 ? A(*this) : B(*this));))
OLV_FN(Max, TFunction, 2, 0, CALC(TakeValueKeepingType(*this, CompareValues(A(*this), B(*this)) > 0 ? A(*this) : B(*this));))

// Iif(Cond, Then [, Else]): only the chosen branch is evaluated.
class TExp_Iif : public TFunction {
  OLV_CLASS(TExp_Iif, TFunction)
 public:
  int MinParamCount() const override { return 2; }
  int OptParamCount() const override { return 1; }
  bool DecideDataType() override {
    DataType = TExpDataType::Auto;
    return true;
  }
  void Calculate(std::uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    GetParam(0)->Calculate(stamp);
    TExpression* branch = GetParam(0)->AsBoolean() ? GetParam(1) : GetParam(2);
    if (!branch) return;
    branch->Calculate(stamp);
    CopyResult(*branch);
  }
};

namespace {
constexpr std::string_view kNoMatch = "函数没有匹配的返回值";
}

// Case(C1, R1, C2, R2, ... [, Default]).
class TExp_Case : public TListFunction {
  OLV_CLASS(TExp_Case, TListFunction)
 public:
  int MinParamCount() const override { return 2; }
  int OptParamCount() const override { return kManyParams; }
  bool DecideDataType() override {
    if (ParamCount() < First() + 2) return false;
    DataType = GetParam(First() + 1)->DataType;
    return true;
  }
  void Calculate(std::uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    const int n = ParamCount();
    const int first = First();
    std::string selector;
    if (first) {
      GetParam(0)->Calculate(stamp);
      selector = GetParam(0)->AsString();
    }
    const int pairs = (n - first) / 2;
    TExpression* chosen = (n - first) % 2 ? GetParam(n - 1) : nullptr;
    for (int i = 0; i < pairs; ++i) {
      TExpression* c = GetParam(first + 2 * i);
      c->Calculate(stamp);
      if (first ? c->AsString() == selector : c->AsBoolean()) {
        chosen = GetParam(first + 2 * i + 1);
        break;
      }
    }
    if (!chosen) throw Exception(std::string(kNoMatch));
    chosen->Calculate(stamp);
    CopyResult(*chosen);
  }

 protected:
  virtual int First() const { return 0; }
};

class TExp_Decode : public TExp_Case {
  OLV_CLASS(TExp_Decode, TExp_Case)
 public:
  int MinParamCount() const override { return 3; }

 protected:
  int First() const override { return 1; }
};

// Accumulator(X [, Init [, Reset]]).
class TExp_Accumulator : public TFunction {
  OLV_CLASS(TExp_Accumulator, TFunction)
 public:
  int OptParamCount() const override { return 2; }
  void Calculate(std::uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    TExpression* x = GetParam(0);
    x->Calculate(stamp);
    if (DataType == TExpDataType::Auto) DataType = x->DataType;
    bool reset = false;
    if (TExpression* r = GetParam(2)) {
      r->Calculate(stamp);
      reset = r->AsBoolean();
    }
    const bool real = DataType == TExpDataType::Real;
    if (!started_ || reset) {
      long double init = 0;
      if (TExpression* i = GetParam(1)) {
        i->Calculate(stamp);
        init = i->AsReal();
      }
      if (real) SetAsReal(init); else SetAsInteger(RoundToInt32(init));
      started_ = true;
    }
    if (real) SetAsReal(AsReal() + x->AsReal());
    else SetAsInteger(WrapAdd(AsInteger(), x->AsInteger()));
  }

 protected:
  void CloneStateTo(TExpression& c) const override { static_cast<TExp_Accumulator&>(c).started_ = started_; }

 private:
  bool started_ = false;
};

// PriorValue(A): the value A had before this round.
class TExp_PriorValue : public TFunction {
  OLV_CLASS(TExp_PriorValue, TFunction)
 public:
  void Calculate(std::uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    TExpression* a = GetParam(0);
    const TExpDataType t = DataType;
    AssignValue(*a);
    if (t != TExpDataType::Auto) DataType = t;
    a->Calculate(stamp);
  }
};

class TExp_Zero : public TListFunction {
  OLV_CLASS(TExp_Zero, TListFunction)
 public:
  int MinParamCount() const override { return 0; }
  int OptParamCount() const override { return kAnyParams; }
  bool DecideDataType() override {
    DataType = TExpDataType::Integer;
    return true;
  }
  void DoCalculate() override { SetAsInteger(0); }
};

class TExp_Void : public TExp_Zero {
  OLV_CLASS(TExp_Void, TExp_Zero)
 public:
  bool DecideDataType() override {
    DataType = TExpDataType::String;
    return true;
  }
  void DoCalculate() override { Value.Text.clear(); }
};

class TExp_Do : public TExp_Zero {
  OLV_CLASS(TExp_Do, TExp_Zero)
 public:
  bool DecideDataType() override {
    DataType = TExpDataType::Boolean;
    return true;
  }
  void DoCalculate() override { SetAsBoolean(true); }
};

// UnDefFunc(Name...): removes user names from the registry.
class TExp_UnDefFunc : public TExp_Void {
  OLV_CLASS(TExp_UnDefFunc, TExp_Void)
 public:
  void DoCalculate() override {
    for (int i = 0; i < ParamCount(); ++i) GlobalTranslator().FunctionList().UnregisterFunction(GetParam(i)->AsString());
    Value.Text.clear();
  }
};

// VarDef(Name, Expr): Expr itself becomes the variable.
class TExp_VarDef : public TFunction {
  OLV_CLASS(TExp_VarDef, TFunction)
  TVarList* vars_ = CompileVarList();

 protected:
  void CloneStateTo(TExpression& c) const override { static_cast<TExp_VarDef&>(c).vars_ = vars_; }

 public:
  int MinParamCount() const override { return 2; }
  bool DecideDataType() override {
    if (!GetParam(1)) return false;
    DataType = GetParam(1)->DataType;
    return true;
  }
  void Calculate(std::uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    TExpression* name = GetParam(0);
    name->Calculate(stamp);
    const std::string n = name->AsString();
    TVarList* list = vars_;
    if (GetParam(1) && list) {
      std::unique_ptr<TExpression> expr = SetParam(1, nullptr);
      if (!name->IsConstant()) SetParam(1, expr->CloneExp());
      expr->Calculate(stamp);
      plat::RecursiveMutexLock lock(VariablesLock());
      list->SetVar(n, std::move(expr));
    }
    plat::RecursiveMutexLock lock(VariablesLock());
    if (auto v = list ? list->FindVar(n) : nullptr) AssignValue(*v);
  }
};

// Loop(Init, Body, Until).
class TExp_Loop : public TStrFunction {
  OLV_CLASS(TExp_Loop, TStrFunction)
 public:
  int MinParamCount() const override { return 3; }
  void Calculate(std::uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    GetParam(0)->Calculate(stamp);
    TExpression* body = GetParam(1);
    TExpression* until = GetParam(2);
    std::uint32_t s = until->Stamp + 1;
    until->Calculate(s);
    while (!until->AsBoolean()) {
      ++s;
      body->Calculate(s);
      until->Calculate(s);
    }
  }
};

namespace {
// Drive numbers mean nothing here: 0 and every other number are the file system of the current
// folder. The value is stored as 32 bits, as callers expect.
long double DiskBytes(bool total) {
  struct statvfs st {};
  if (statvfs(".", &st) != 0) return -1;
  return static_cast<long double>(total ? st.f_blocks : st.f_bavail) * st.f_frsize;
}
std::int32_t Wrap32(long double v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}
}  // namespace

OLV_FN(DiskFree, TFunction, 1, 0, CALC(SetNumber(*this, Wrap32(DiskBytes(false)));))
OLV_FN(DiskSize, TFunction, 1, 0, CALC(SetNumber(*this, Wrap32(DiskBytes(true)));))
OLV_FN(Mem, TI0Function, 0, 0, CALC({
         const struct mallinfo2 mi = mallinfo2();
         SetAsInteger(Wrap32(static_cast<long double>(mi.fordblks)));
       }))
OLV_FN(RMBFormat, TStrFunction, 2, 0, CALC({
         const TExpression& a = A(*this);
         Value.Text = IsTextType(a.DataType) ? FormatMoneyStr(a.AsString(), B(*this).AsString())
                                             : FormatMoney(B(*this).AsString(), static_cast<double>(a.AsReal()));
       }))
OLV_FN(Input, TStrFunction, 2, 1, CALC({
         auto r = InputBox(A(*this).AsString(), B(*this).AsString(), C(*this) ? C(*this)->AsString() : std::string());
         Value.Text = r ? *r : std::string();
       }))
OLV_FN(Display, TStrFunction, 0, 1, CALC({
         const std::string a = GetParam(0) ? GetParam(0)->AsString() : std::string();
         if (!a.empty()) ShowInfo(a);
         Value.Text = a;
       }))
OLV_FN(Sure, TFunction, 1, 0, TYPED(Boolean) CALC(SetAsBoolean(ConfirmQuestion(A(*this).AsString()));))
OLV_FN(TickCount, TI0Function, 0, 0, CALC({
         const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch()).count();
         SetAsInteger(static_cast<std::int32_t>(static_cast<std::uint32_t>(ms)));
       }))
OLV_FN(RegValue, TStrFunction, 2, 1, CALC({
         if (C(*this))
           Value.Text = WriteRegValue(A(*this).AsString(), B(*this).AsString(), C(*this)->AsString()) ? "Yes" : "No";
         else
           Value.Text = ReadRegValue(A(*this).AsString(), B(*this).AsString());
       }))
OLV_FN(Exec, TFunction, 2, 1, CALC(SetResultCode(*this, Opener().Open(A(*this).AsString(), B(*this).AsString(),
                                                                     C(*this) ? C(*this)->AsInteger() : 1));))
OLV_FN(Open, TFunction, 1, 0, CALC(SetResultCode(*this, Opener().Open(A(*this).AsString(), {}, 0));))
OLV_FN(Wait, TFunction, 2, 1, TYPED(Boolean) CALC({
         std::vector<std::string> words = SplitCommandLine(A(*this).AsString() + " " + B(*this).AsString());
         if (words.empty()) { SetAsBoolean(false); return; }
         plat::SpawnOptions o;
         o.program = words[0];
         o.args.assign(words.begin() + 1, words.end());
         o.showOutput = !C(*this) || C(*this)->AsInteger() != 0;
         SetAsBoolean(plat::Process::runAndWait(o) != plat::kExitStartFailed);
       }))
OLV_FN(Hint, TStrFunction, 1, 2, CALC({
         const std::string a = A(*this).AsString();
         TProgressHook hook;
         {
           plat::MutexLock lock(gHookMutex);
           hook = gProgress;
           if (!hook) gHint = a;
         }
         if (hook) hook(a, GetParam(1) ? GetParam(1)->AsInteger() : -1, C(*this) ? C(*this)->AsInteger() : 0);
         Value.Text = a;
       }))

OLV_FN(ToShortCut, TFunction, 1, 0, TYPED(Integer) CALC(SetAsInteger(TextToShortCut(A(*this).AsString()));))
OLV_FN(ExpandEDS, TStrFunction, 1, 1,
       CALC(Value.Text = ExpandPathMacros(A(*this).AsString(), GetParam(1) ? GetParam(1)->AsBoolean() : true);))
OLV_FN(ExpressDir, TStrFunction, 1, 0, CALC({
         const int index = PathMacroIndex(A(*this).AsString());
         Value.Text = index < 0 ? std::string() : PathMacroValue(index);
       }))

#define CORE_CLASSES                                                                              \
  &TExp_ToInt::StaticClass(), &TExp_ToReal::StaticClass(), &TExp_ToBool::StaticClass(),           \
      &TExp_ToChar::StaticClass(), &TExp_ToStr::StaticClass(), &TExp_ToTime::StaticClass(),       \
      &TExp_RTrim::StaticClass(), &TExp_LTrim::StaticClass(), &TExp_Trim::StaticClass(),          \
      &TExp_Length::StaticClass(), &TExp_Pos::StaticClass(), &TExp_RPos::StaticClass(),           \
      &TExp_ASC::StaticClass(), &TExp_SubS::StaticClass(), &TExp_SubSValid::StaticClass(),        \
      &TExp_SubStrCount::StaticClass(), &TExp_ChrS::StaticClass(), &TExp_Upper::StaticClass(),    \
      &TExp_Lower::StaticClass(), &TExp_UpLower::StaticClass(), &TExp_Abs::StaticClass(),         \
      &TExp_Sin::StaticClass(), &TExp_Cos::StaticClass(), &TExp_ArcTan::StaticClass(),            \
      &TExp_Ln::StaticClass(), &TExp_Sqr::StaticClass(), &TExp_Sqrt::StaticClass(),               \
      &TExp_Frac::StaticClass(), &TExp_Int::StaticClass(), &TExp_Pi::StaticClass(),               \
      &TExp_Neg::StaticClass(), &TExp_Order::StaticClass(), &TExp_Random::StaticClass(),          \
      &TExp_Round::StaticClass(), &TExp_Trunc::StaticClass(), &TExp_RealDiv::StaticClass(),       \
      &TExp_IntDiv::StaticClass(), &TExp_Mod::StaticClass(), &TExp_rRound::StaticClass(),         \
      &TExp_Not::StaticClass(), &TExp_Odd::StaticClass(), &TExp_VarExist::StaticClass(),          \
      &TExp_Like::StaticClass(), &TExp_LikeAny::StaticClass(), &TExp_Min::StaticClass(),          \
      &TExp_Max::StaticClass(), &TExp_Iif::StaticClass(), &TExp_Case::StaticClass(),              \
      &TExp_Decode::StaticClass(), &TExp_Accumulator::StaticClass(),                              \
      &TExp_PriorValue::StaticClass(), &TExp_Zero::StaticClass(), &TExp_Void::StaticClass(),      \
      &TExp_VarDef::StaticClass(), &TExp_Loop::StaticClass(), &TExp_Do::StaticClass(),            \
      &TExp_DiskFree::StaticClass(), &TExp_DiskSize::StaticClass(), &TExp_Mem::StaticClass(),     \
      &TExp_RMBFormat::StaticClass(), &TExp_Input::StaticClass(), &TExp_Display::StaticClass(),   \
      &TExp_Sure::StaticClass(), &TExp_TickCount::StaticClass(), &TExp_RegValue::StaticClass(),   \
      &TExp_Exec::StaticClass(), &TExp_Wait::StaticClass(), &TExp_Open::StaticClass(),            \
      &TExp_Hint::StaticClass(), &TExp_ToShortCut::StaticClass(),                               \
      &TExp_UnDefFunc::StaticClass(), &TExp_ExpandEDS::StaticClass(), &TExp_ExpressDir::StaticClass()

void RegisterCoreFunctions(TFunctionList& functions) { functions.RegisterClasses({CORE_CLASSES}); }

void RegisterCoreStreamClasses() { RegisterObjClasses({CORE_CLASSES}); }

}  // namespace olv
