#pragma once
// A node of a compiled expression tree (module OlvExp). Every node - constant, variable, operator,
// function call - is a TExpression: a typed value, up to three sub-expressions and an optional
// format expression; it computes its value from its sub-expressions when asked (Calculate).
//
// Values: Integer is 32-bit and wraps around on overflow (on purpose, as stored expressions expect);
// Real is long double; DateTime a day number from 1899-12-30. Conversions between the types are the
// As.../SetAs... pairs; a node never changes its DataType when a value is assigned.
//
// Evaluation rounds: Calculate(stamp) computes a node at most once per stamp (kAlwaysStamp always
// recomputes), so a sub-tree reached twice in one round is computed once. Evaluating a tree of
// numbers allocates nothing.
//
// Ownership: a node owns its sub-expressions and its format expression (std::unique_ptr). The
// root of a tree belongs to whoever compiled it. Threads: a tree is used by one thread at a time.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/objects/OlvClass.h"
#include "foundation/base/Exception.h"

namespace olv {

enum class TExpDataType : std::uint8_t {
  Integer = 0,
  Real = 1,
  Boolean = 2,
  Char = 3,
  String = 4,
  DateTime = 5,
  Auto = 6,  // no value type: the node takes its first sub-expression's type when evaluated
};

// The value of a node: a text, a 32-bit part (Integer, Boolean, Char) and a floating part (Real,
// DateTime).
struct TExpValueRec {
  std::string Text;
  std::int32_t Int = 0;
  long double Float = 0;
};

// Stamp that always recomputes.
inline constexpr std::uint32_t kAlwaysStamp = 0xFFFFFFFFu;
inline constexpr std::uint32_t kInitialStamp = 0x7FFFFFFFu;

// 32-bit conversions with defined results (the original's wrap-around, no undefined behaviour):
// Round rounds to nearest with ties to even, Trunc towards zero; a result beyond 64 bits or NaN
// gives 0, anything else is taken modulo 2^32.
std::int32_t RoundToInt32(long double v);
std::int32_t TruncToInt32(long double v);
inline std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t WrapSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
inline std::int32_t WrapMul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
inline std::int32_t WrapNeg(std::int32_t a) {
  return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(a));
}
// An integer text (sign, decimal, "$" or "0x" hexadecimal) as a 32-bit value: decimal within
// the 32-bit signed range, hexadecimal up to 8 digits (so $FFFFFFFF is -1). False otherwise.
bool TryStrToInt32(std::string_view text, std::int32_t& value);
// The same, raising EConvertError when the text is no 32-bit integer.
std::int32_t StrToInt32(std::string_view text);

class TExpression : public TBaseObject {
  OLV_CLASS(TExpression, TBaseObject)

 public:
  static constexpr int kMaxParams = 3;

  TExpression() = default;
  ~TExpression() override;

  TExpDataType DataType = TExpDataType::Integer;
  TExpValueRec Value;
  std::uint32_t Stamp = kInitialStamp;

  // --- virtual operations of every node
  // Computes the node's own value from its evaluated sub-expressions (a constant keeps it).
  virtual void DoCalculate() {}
  // Fixes DataType at compile time; false is a type mismatch. Base: sub-expression 0's type, or
  // Real without one.
  virtual bool DecideDataType();
  // Number of sub-expression slots up to the last one set.
  virtual int ParamCount() const;
  virtual TExpression* GetParam(int index) const;
  // Stores a sub-expression for 0..2 and hands back the one it replaces (the caller decides its
  // fate); other indexes give the node straight back.
  virtual std::unique_ptr<TExpression> SetParam(int index, std::unique_ptr<TExpression> node);
  // The compiler's way to attach an argument: takes the node and returns true, or refuses it
  // (null, or a type the node does not accept) and leaves it with the caller.
  virtual bool AddParam(int index, std::unique_ptr<TExpression>& node);
  // True when every sub-expression that is set is constant; the compiler folds such nodes.
  virtual bool IsConstant() const;
  // A new node of the same class with the same stamp, clones of the sub-expressions up to the
  // first empty slot and this node's result.
  virtual std::unique_ptr<TExpression> CloneExp() const;
  std::unique_ptr<TBaseObject> Clone() const override { return CloneExp(); }
  virtual void Calculate(std::uint32_t stamp);

  [[noreturn]] void RaiseCalcError(std::string_view message) const;

  // Persistent fields: "DataType", "Value" (the text of a String, the 32-bit part of Integer,
  // Boolean and Char, the floating part of Real and DateTime), "FormatExp", "SubExp0".."SubExp2".
  void EnumProps(PropMode mode, TPropEnumProc& proc) override;
  void AfterRead(TObjReader& reader) override;

  // --- values, converted from / to DataType
  std::int32_t AsInteger() const;
  long double AsReal() const;
  bool AsBoolean() const;
  char AsChar() const;
  double AsDateTime() const;
  std::string AsString() const;
  void SetAsInteger(std::int32_t v);
  void SetAsReal(long double v);
  void SetAsBoolean(bool b);
  void SetAsChar(char c);
  void SetAsDateTime(double d);
  void SetAsString(std::string_view s);

  // The text of a String node without a format, by reference (no copy); null otherwise.
  const std::string* PlainText() const {
    return DataType == TExpDataType::String && !formatExp_ ? &Value.Text : nullptr;
  }

  // The format of the text form: FormatExp's text, else the default of the type. Text forms
  // needed while a format is computed use their default formats: a format of a format (which,
  // through variables, may be the format itself) is never evaluated.
  static constexpr int kMaxFormatDepth = 1;
  std::string FormatStr() const;
  TExpression* FormatExp() const { return formatExp_.get(); }
  void SetFormatExp(std::unique_ptr<TExpression> node) { formatExp_ = std::move(node); }

  // DataType and value of source (the text only for a String).
  void AssignValue(const TExpression& source);
  // AssignValue, and a clone of source's format when this node has none.
  void CopyResult(const TExpression& source);

  // Creates a node of the given class (null when it is no expression class).
  static std::unique_ptr<TExpression> CreateOfClass(const TClass& cls);

 protected:
  // Calculates sub-expressions 0.. up to the first empty slot.
  void CalculateParams(std::uint32_t stamp);
  // The stamp test of Calculate: false when this round already computed the node.
  bool EnterRound(std::uint32_t stamp) {
    if (stamp == Stamp && stamp != kAlwaysStamp) return false;
    if (Stamp != stamp) Stamp = stamp;
    return true;
  }
  // Copies class-specific state into a clone (the base copies nothing).
  virtual void CloneStateTo(TExpression&) const {}

 private:
  std::unique_ptr<TExpression> formatExp_;
  std::array<std::unique_ptr<TExpression>, kMaxParams> params_;
};

// Creates a constant of the text: Char for one character, String otherwise.
std::unique_ptr<TExpression> MakeTextConstant(std::string_view text);
// A String constant whatever the length (names are always texts).
std::unique_ptr<TExpression> MakeStringConstant(std::string_view text);
std::unique_ptr<TExpression> MakeIntConstant(std::int32_t v);
std::unique_ptr<TExpression> MakeRealConstant(long double v);
std::unique_ptr<TExpression> MakeBoolConstant(bool v);

std::string_view DataTypeName(TExpDataType type);

// Registers the node classes of the language for the object stream.
void RegisterExpStreamClasses();

}  // namespace olv
