#include "foundation/expr/Expression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ExpTestSupport.h"
#include "foundation/expr/ExpOperators.h"
#include "foundation/text/Format.h"
#include "foundation/objects/ObjStream.h"
#include "foundation/base/SysErrors.h"

using namespace olv;

namespace {

std::unique_ptr<TExpression> Const(TExpDataType type) {
  auto e = std::make_unique<TExpression>();
  e->DataType = type;
  return e;
}

// ------------------------------------------------------------------------------------------
// 32-bit integers: the original wraps around; here without undefined behaviour

TEST(ExpInteger, FloatToIntConversionsAreDefined) {
  const struct {
    long double v;
    int32_t round, trunc;
  } cases[] = {
      {2.5L, 2, 2},       {3.5L, 4, 3},  {-2.5L, -2, -2}, {-3.7L, -4, -3}, {0.49L, 0, 0},
      {2147483647.0L, 2147483647, 2147483647},
      {2147483648.0L, INT32_MIN, INT32_MIN},  // beyond 32 bits: low 32 bits
      {5e9L, 705032704, 705032704},
      {-5e9L, -705032704, -705032704},
      {1e30L, 0, 0},  // beyond 64 bits
      {std::numeric_limits<long double>::infinity(), 0, 0},
      {std::numeric_limits<long double>::quiet_NaN(), 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<double>(c.v));
    EXPECT_EQ(RoundToInt32(c.v), c.round);
    EXPECT_EQ(TruncToInt32(c.v), c.trunc);
  }
}

TEST(ExpInteger, TextsToInt32) {
  const struct {
    const char* text;
    bool ok;
    int32_t v;
  } cases[] = {
      {"0", true, 0},
      {"-2147483648", true, INT32_MIN},
      {"2147483647", true, INT32_MAX},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"$FFFFFFFF", true, -1},
      {"0x7FFFFFFF", true, INT32_MAX},
      {"$100000000", false, 0},
      {"-$10", true, -16},
      {"-0x10", true, -16},
      {"99999999999999999999999", false, 0},
      {"12a", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t v = 0;
    EXPECT_EQ(TryStrToInt32(c.text, v), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.v);
    }
  }
  EXPECT_THROW(StrToInt32("2147483648"), EConvertError);
}

// ------------------------------------------------------------------------------------------
// Reading and assigning across types

TEST(ExpValue, ReadingConvertsFromTheNodesType) {
  auto r = Const(TExpDataType::Real);
  r->Value.Float = 2.5L;
  EXPECT_EQ(r->AsInteger(), 2);
  EXPECT_TRUE(r->AsBoolean());
  EXPECT_EQ(r->AsString(), "2.5");

  auto s = Const(TExpDataType::String);
  s->Value.Text = "abc";
  EXPECT_EQ(s->AsInteger(), 0);  // no integer: swallowed
  EXPECT_FALSE(s->AsBoolean());
  EXPECT_EQ(s->AsChar(), 'a');
  s->Value.Text = "yes";
  EXPECT_TRUE(s->AsBoolean());
  s->Value.Text = "12.5kg";
  EXPECT_EQ(s->AsReal(), 12.5L);
  s->Value.Text = "";
  EXPECT_EQ(s->AsChar(), '\0');

  auto c = Const(TExpDataType::Char);
  c->Value.Int = 'y';
  EXPECT_TRUE(c->AsBoolean());
  EXPECT_EQ(c->AsInteger(), 'y');
  EXPECT_EQ(c->AsString(), "y");

  auto b = Const(TExpDataType::Boolean);
  b->Value.Int = 1;
  EXPECT_EQ(b->AsString(), "Yes");
  EXPECT_EQ(b->AsChar(), 'Y');
  EXPECT_EQ(b->AsInteger(), 1);

  auto i = Const(TExpDataType::Integer);
  i->Value.Int = 0x141;
  EXPECT_EQ(i->AsChar(), 'A');  // low byte
  EXPECT_FALSE(Const(TExpDataType::Integer)->AsBoolean());

  auto d = Const(TExpDataType::DateTime);
  d->Value.Float = 38048.25;  // 2004-03-02 06:00
  EXPECT_EQ(d->AsString(), "2004.03.02 06:00:00");
  EXPECT_EQ(d->AsInteger(), 38048);
}

TEST(ExpValue, AssigningKeepsTheNodesType) {
  auto b = Const(TExpDataType::Boolean);
  b->SetAsString("Y");
  EXPECT_TRUE(b->AsBoolean());
  b->SetAsString("yes");
  EXPECT_TRUE(b->AsBoolean());
  b->SetAsString("y1");
  EXPECT_FALSE(b->AsBoolean());
  b->SetAsDateTime(5.0);
  EXPECT_FALSE(b->AsBoolean());
  EXPECT_EQ(b->DataType, TExpDataType::Boolean);

  auto i = Const(TExpDataType::Integer);
  i->SetAsReal(2.5L);
  EXPECT_EQ(i->AsInteger(), 2);
  i->SetAsString("-0x10");
  EXPECT_EQ(i->AsInteger(), -16);
  EXPECT_THROW(i->SetAsString("abc"), EConvertError);  // assigning passes errors on
  EXPECT_THROW(i->SetAsString("4294967296"), EConvertError);

  auto s = Const(TExpDataType::String);
  s->SetAsBoolean(false);
  EXPECT_EQ(s->AsString(), "No");
  s->SetAsReal(0.1L);
  EXPECT_EQ(s->AsString(), "0.1");
  s->SetAsInteger(-7);
  EXPECT_EQ(s->AsString(), "-7");

  auto c = Const(TExpDataType::Char);
  c->SetAsInteger(0x142);
  EXPECT_EQ(c->AsChar(), 'B');
  c->SetAsBoolean(true);
  EXPECT_EQ(c->AsChar(), 'Y');
}

TEST(ExpValue, FormatsAndTheSafeFormat) {
  auto i = MakeIntConstant(5);
  i->SetFormatExp(MakeStringConstant("%.3d"));
  EXPECT_EQ(i->AsString(), "005");

  // A format that does not fit the value: the engine's message and the format, no exception.
  auto bad = MakeIntConstant(5);
  bad->SetFormatExp(MakeStringConstant("%s"));
  std::string message;
  try {
    Format("%s", {int32_t{5}});
  } catch (const std::exception& e) {
    message = e.what();
  }
  ASSERT_FALSE(message.empty());
  EXPECT_EQ(bad->AsString(), message + "(%s)");

  // An empty format text falls back to the type's default.
  auto r = MakeRealConstant(2.5L);
  r->SetFormatExp(MakeStringConstant(""));
  EXPECT_EQ(r->AsString(), "2.5");
}

// ------------------------------------------------------------------------------------------
// Stamps, cloning

class CountingNode : public TExpression {
  OLV_CLASS(CountingNode, TExpression)
 public:
  void DoCalculate() override { Value.Int = ++*Calls(); }
  static int* Calls() {
    static int n = 0;
    return &n;
  }
};

TEST(ExpNode, AStampComputesOnceAndMinusOneAlways) {
  *CountingNode::Calls() = 0;
  CountingNode n;
  n.Calculate(7);
  n.Calculate(7);
  EXPECT_EQ(*CountingNode::Calls(), 1);
  n.Calculate(kAlwaysStamp);
  n.Calculate(kAlwaysStamp);
  EXPECT_EQ(*CountingNode::Calls(), 3);
  n.Calculate(8);
  EXPECT_EQ(*CountingNode::Calls(), 4);
}

TEST(ExpNode, ASharedSubtreeIsComputedOncePerRound) {
  *CountingNode::Calls() = 0;
  auto add = std::make_unique<TExp_Add>();
  std::unique_ptr<TExpression> a = std::make_unique<CountingNode>();
  CountingNode* raw = static_cast<CountingNode*>(a.get());
  std::unique_ptr<TExpression> b = MakeIntConstant(1);
  ASSERT_TRUE(add->AddParam(0, a));
  ASSERT_TRUE(add->AddParam(1, b));
  add->DataType = TExpDataType::Integer;
  add->Calculate(3);
  raw->Calculate(3);  // reached again in the same round
  EXPECT_EQ(*CountingNode::Calls(), 1);
  EXPECT_EQ(add->AsInteger(), 2);
}

TEST(ExpNode, CloneCopiesClassSubtreeResultAndFormat) {
  exptest::Sandbox box;
  auto r = box.Compile("x + 2 : '%.4d'");
  ASSERT_TRUE(r.Node) << r.GetErrorInfo();
  box.vars.SetVar("x", MakeIntConstant(5));
  r.Node->Calculate(1);
  auto c = r.Node->CloneExp();
  EXPECT_EQ(&c->ClassType(), &TExp_Add::StaticClass());
  EXPECT_EQ(c->AsString(), "0007");
  ASSERT_NE(c->GetParam(0), nullptr);
  EXPECT_NE(c->GetParam(0), r.Node->GetParam(0));
  box.vars.SetVar("x", MakeIntConstant(6));
  c->Calculate(2);
  EXPECT_EQ(c->AsString(), "0008");
  EXPECT_EQ(r.Node->AsString(), "0007");  // the original is untouched
}

TEST(ExpNode, TreesGoThroughTheObjectStream) {
  exptest::Sandbox box;
  RegisterExpStreamClasses();
  box.vars.SetVar("x", MakeIntConstant(4));
  auto r = box.Compile("'[ ' + (x + 2 : '%.4d') + ' | ' + (2.5 * x) + ' | ' + ('a' $ 'cab')");
  ASSERT_TRUE(r.Node) << r.GetErrorInfo();
  TMemoryStream stream;
  WriteObjectToStream(stream, r.Node.get());
  stream.SetPosition(0);
  auto obj = ReadObjectFromStream(stream);
  auto* back = dynamic_cast<TExpression*>(obj.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(&back->ClassType(), &r.Node->ClassType());
  // Read back, the variable resolves in the root list.
  GlobalVarList().SetVar("x", MakeIntConstant(4));
  r.Node->Calculate(1);
  back->Calculate(1);
  GlobalVarList().SetVar("x", nullptr);
  EXPECT_EQ(r.Node->AsString(), "[ 0006 | 10 | Yes");
  EXPECT_EQ(back->AsString(), r.Node->AsString());
}

TEST(ExpNode, AStreamedNodeWithAnUnknownTypeReadsAsInteger) {
  RegisterExpStreamClasses();
  auto node = MakeIntConstant(5);
  TMemoryStream stream;
  WriteObjectToStream(stream, node.get());
  std::string bytes(stream.View());
  const auto at = bytes.find("DataType");
  ASSERT_NE(at, std::string::npos);
  // The tag after the name is a one-byte integer: make the type 200.
  bytes[at + 8 + 1] = static_cast<char>(200);
  TMemoryStream damaged(bytes);
  auto obj = ReadObjectFromStream(damaged);
  auto* back = dynamic_cast<TExpression*>(obj.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->DataType, TExpDataType::Integer);
  EXPECT_EQ(back->AsInteger(), 5);
}

TEST(ExpNode, CalcErrorNamesTheClass) {
  TExp_Add add;
  try {
    add.RaiseCalcError("boom");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "表达式(TExp_Add)计算错误：boom");
  }
}

// ------------------------------------------------------------------------------------------
// Operators

TEST(ExpOperators, PowerRulesAndCap) {
  EXPECT_EQ(ExpPower(2, 3), 8.0L);
  EXPECT_EQ(ExpPower(-2, 3), -8.0L);
  EXPECT_EQ(ExpPower(-2, 2), 4.0L);
  EXPECT_EQ(ExpPower(10, 5000), kPowerCap);
  EXPECT_EQ(ExpPower(-10, 5001), -kPowerCap);
  // Too small to hold is 0, not the overflow value.
  EXPECT_EQ(ExpPower(10, -5000), 0.0L);
  EXPECT_EQ(ExpPower(0.001L, 10000), 0.0L);
  EXPECT_EQ(ExpPower(0, 2), 0.0L);
  EXPECT_EQ(ExpPower(0, 0), 1.0L);
  EXPECT_EQ(ExpPower(0, -1), kPowerCap);
}

TEST(ExpOperators, MathRefusesTextOperandsAndAddDecidesItsType) {
  TExp_Mul mul;
  std::unique_ptr<TExpression> s = MakeTextConstant("ab");
  EXPECT_FALSE(mul.AddParam(0, s));
  EXPECT_NE(s, nullptr);  // a refused node stays with the caller
  std::unique_ptr<TExpression> null;
  EXPECT_FALSE(mul.AddParam(0, null));

  const struct {
    TExpDataType a, b, result;
  } adds[] = {
      {TExpDataType::Integer, TExpDataType::Real, TExpDataType::Real},
      {TExpDataType::Integer, TExpDataType::String, TExpDataType::String},
      {TExpDataType::DateTime, TExpDataType::Integer, TExpDataType::DateTime},
      {TExpDataType::DateTime, TExpDataType::DateTime, TExpDataType::String},
      {TExpDataType::Char, TExpDataType::Char, TExpDataType::String},
      {TExpDataType::Char, TExpDataType::Integer, TExpDataType::Char},
      {TExpDataType::Boolean, TExpDataType::Real, TExpDataType::Boolean},
      {TExpDataType::Real, TExpDataType::Integer, TExpDataType::Real},
  };
  for (const auto& c : adds) {
    TExp_Add add;
    std::unique_ptr<TExpression> a = Const(c.a), b = Const(c.b);
    ASSERT_TRUE(add.AddParam(0, a));
    ASSERT_TRUE(add.AddParam(1, b));
    ASSERT_TRUE(add.DecideDataType());
    EXPECT_EQ(add.DataType, c.result) << DataTypeName(c.a) << " + " << DataTypeName(c.b);
  }
}

TEST(ExpOperators, AndOrShortCutForBooleans) {
  *CountingNode::Calls() = 0;
  TExp_And a;
  std::unique_ptr<TExpression> f = MakeBoolConstant(false), counted = std::make_unique<CountingNode>();
  counted->DataType = TExpDataType::Boolean;
  a.AddParam(0, f);
  a.AddParam(1, counted);
  a.DecideDataType();
  a.Calculate(1);
  EXPECT_FALSE(a.AsBoolean());
  EXPECT_EQ(*CountingNode::Calls(), 0);

  TExp_Or o;
  std::unique_ptr<TExpression> t = MakeBoolConstant(true), counted2 = std::make_unique<CountingNode>();
  o.AddParam(0, t);
  o.AddParam(1, counted2);
  o.DecideDataType();
  o.Calculate(1);
  EXPECT_TRUE(o.AsBoolean());
  EXPECT_EQ(*CountingNode::Calls(), 0);
}

}  // namespace
