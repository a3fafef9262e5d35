// The core function library, evaluated through the program's translator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/expr/ExpCoreFunctions.h"
#include "foundation/expr/ExpTranslator.h"
#include "platform/Dialogs.h"

using namespace olv;

namespace {

std::unique_ptr<TExpression> Compile(const std::string& text) {
  TTranslateResult r = GlobalTranslator().Translate(text);
  if (!r.Node) ADD_FAILURE() << text << ": " << r.GetErrorInfo();
  return r.Node ? std::move(r.Node) : MakeIntConstant(0);
}

std::unique_ptr<TExpression> Eval(const std::string& text) {
  auto n = Compile(text);
  n->Calculate(kAlwaysStamp);
  return n;
}

struct TextCase {
  const char* text;
  const char* expected;
  TExpDataType type;
};

TEST(CoreFunctions, ValuesAndTypesFromTheTable) {
  using T = TExpDataType;
  const TextCase cases[] = {
      {"SubS('abcdef', 2, 3)", "bcd", T::String},
      {"SubS('a;b;c', ';', 1)", "b", T::String},
      {"SubS('abc', 5, 2)", "", T::String},
      {"SubStrCount('a;b;c', ';')", "3", T::Integer},
      {"RealDiv(1, 0, -1)", "-1", T::Integer},
      {"RealDiv(1.0, 4)", "0.25", T::Real},
      {"RealDiv(1.0, 0)", "0", T::Real},
      {"IntDiv(7, 2)", "3", T::Integer},
      {"IntDiv(7, 0, 9)", "9", T::Integer},
      {"Mod(7, 0)", "7", T::Integer},
      {"Mod(-7, 3)", "-1", T::Integer},
      {"Min(2, 2.5)", "2", T::Integer},
      {"Max('a', 'b')", "b", T::Char},
      {"Max('abc', 'abd')", "abd", T::String},
      {"Case(1>2, 'x', 2>1, 'y')", "y", T::Char},
      {"Case(1>2, 'x', 'z')", "z", T::Char},
      {"Decode(2, 1, 'one', 2, 'two', 'other')", "two", T::String},
      {"Decode(5, 1, 'one', 2, 'two', 'other')", "other", T::String},
      {"LikeAny('abc', 'x*', 'a*')", "Yes", T::Boolean},
      {"LikeAny('ABC', 'x*', 'a*')", "No", T::Boolean},
      {"LikeAny('ABC', 'x*', 'a*', No)", "Yes", T::Boolean},
      {"Like('ABC', 'a?c', No)", "Yes", T::Boolean},
      {"Like('ABC', 'a?c')", "No", T::Boolean},
      {"Iif(1>2, 'a', 'bb')", "bb", T::String},
      {"Trim('  a b  ')", "a b", T::String},
      {"LTrim('  a ')", "a ", T::String},
      {"RTrim('  a ')", "  a", T::String},
      {"Length('abc')", "3", T::Integer},
      {"Pos('c', 'abcabc')", "3", T::Integer},
      {"Pos('x', 'abc')", "0", T::Integer},
      {"RPos('c', 'abcabc')", "6", T::Integer},
      {"ASC('A')", "65", T::Integer},
      {"ASC('')", "0", T::Integer},
      {"ChrS('ab', 3)", "aaa", T::String},
      {"Upper('abc')", "ABC", T::String},
      {"Lower('ABC')", "abc", T::String},
      {"Abs(-5)", "5", T::Integer},
      {"Neg(5)", "-5", T::Integer},
      {"Round(2.5)", "2", T::Integer},
      {"Round(3.5)", "4", T::Integer},
      {"Trunc(-2.7)", "-2", T::Integer},
      {"Sqr(3)", "9", T::Real},
      {"Int(-2.7)", "-2", T::Real},
      {"Not(Yes)", "No", T::Boolean},
      {"Not(0)", "-1", T::Integer},
      {"Odd(3)", "Yes", T::Boolean},
      {"ToInt('42')", "42", T::Integer},
      {"ToStr(42)", "42", T::String},
      {"Zero(1, 2, 3, 4, 5)", "0", T::Integer},
      {"Void(1, 2, 3, 4, 5)", "", T::String},
      {"Do(1, 2, 3, 4)", "Yes", T::Boolean},
      {"VarExist('Yes')", "Yes", T::Boolean},
      {"ToShortCut('Ctrl+S')", "16467", T::Integer},
      {"ToShortCut('shift+f5')", "8308", T::Integer},
      {"ToShortCut('Hyper+Q')", "0", T::Integer},
      {"ExpressDir('NoSuchFolderName')", "", T::String},
      {"VarExist('NoSuchVariableHere')", "No", T::Boolean},
  };
  for (const auto& c : cases) {
    auto n = Eval(c.text);
    EXPECT_EQ(n->AsString(), c.expected) << c.text;
    EXPECT_EQ(n->DataType, c.type) << c.text;
  }
}

TEST(CoreFunctions, CaseWithoutMatchOrDefaultRaises) {
  auto n = Compile("Case(1>2, 'x')");
  try {
    n->Calculate(kAlwaysStamp);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "函数没有匹配的返回值");
  }
}

TEST(CoreFunctions, ArgumentCountsAndTypesAreChecked) {
  EXPECT_EQ(GlobalTranslator().Translate("SubS('a', 1)").ErrorCode, eeTooFewArguments);
  EXPECT_EQ(GlobalTranslator().Translate("Sin('a')").ErrorCode, eeTypeMismatch);
  EXPECT_EQ(GlobalTranslator().Translate("Round('a')").ErrorCode, eeTypeMismatch);
  EXPECT_TRUE(GlobalTranslator().Translate("Pi()").Node);
}

TEST(CoreFunctions, AccumulatorSumsOncePerRound) {
  auto n = Compile("Accumulator(1)");
  std::vector<int> seen;
  for (std::uint32_t s : {1u, 2u, 3u}) {
    n->Calculate(s);
    seen.push_back(n->AsInteger());
  }
  n->Calculate(3);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(n->AsInteger(), 3);
  auto r = Compile("Accumulator(2, 10, Yes)");
  r->Calculate(1);
  r->Calculate(2);
  EXPECT_EQ(r->AsInteger(), 12);  // reset to Init every round
}

TEST(CoreFunctions, OrderCountsRounds) {
  auto n = Compile("Order(0)");
  for (std::uint32_t s = 1; s <= 3; ++s) n->Calculate(s);
  EXPECT_EQ(n->AsInteger(), 3);
}

TEST(CoreFunctions, LoopRunsBodyUntilDone) {
  auto zero = Eval("Loop(VarAssign('LoopN', 0), VarAssign('LoopN', LoopN + 1), Yes)");
  EXPECT_EQ(Eval("LoopN")->AsInteger(), 0);
  Eval("Loop(VarAssign('LoopN', 0), VarAssign('LoopN', LoopN + 1), LoopN >= 5)");
  EXPECT_EQ(Eval("LoopN")->AsInteger(), 5);
}

TEST(CoreFunctions, VariablesAssignAndRead) {
  EXPECT_EQ(Eval("VarAssign('CoreX', 5)")->AsInteger(), 5);
  EXPECT_EQ(Eval("VarRef('CoreX')")->AsInteger(), 5);
  EXPECT_EQ(Eval("VarRef('CoreUndefinedY')")->AsString(), "CoreUndefinedY");
}

TEST(CoreFunctions, HintPassesItsArgumentsToTheProgressHook) {
  std::vector<std::string> calls;
  SetProgressHook([&](const std::string& t, std::int32_t p, std::int32_t m) {
    calls.push_back(t + "/" + std::to_string(p) + "/" + std::to_string(m));
  });
  Eval("Hint('a')");
  Eval("Hint('b', 2)");
  Eval("Hint('c', 3, 9)");
  SetProgressHook(nullptr);
  EXPECT_EQ(calls, (std::vector<std::string>{"a/-1/0", "b/2/0", "c/3/9"}));
  EXPECT_EQ(Eval("Hint('plain')")->AsString(), "plain");
  EXPECT_EQ(ApplicationHint(), "plain");
}

class FakeOpener : public TDesktopOpener {
 public:
  int Open(const std::string& target, const std::string& params, int show) override {
    seen.push_back(target + "|" + params + "|" + std::to_string(show));
    return 0;
  }
  std::vector<std::string> seen;
};

TEST(CoreFunctions, ExecAndOpenGoThroughTheDesktopOpener) {
  FakeOpener fake;
  TDesktopOpener* old = SetDesktopOpener(&fake);
  EXPECT_EQ(Eval("Exec('report.txt', '-x')")->AsString(), "0");
  Eval("Exec(1, '-y', 3)");
  Eval("Open('http://example.invalid/')");
  SetDesktopOpener(old);
  EXPECT_EQ(fake.seen, (std::vector<std::string>{"report.txt|-x|1", "1|-y|3", "http://example.invalid/||0"}));
}

TEST(CoreFunctions, WaitStartsAProgramWithoutAShell) {
  EXPECT_TRUE(Eval("Wait('/bin/true', '', 0)")->AsBoolean());
  EXPECT_FALSE(Eval("Wait('/nonexistent/program', 'a b', 0)")->AsBoolean());
  // A shell would run the second command; without one it is just arguments of echo.
  EXPECT_TRUE(Eval("Wait('/bin/echo', 'x; false', 0)")->AsBoolean());
}

TEST(CoreFunctions, SplitCommandLineGroupsQuotedWords) {
  EXPECT_EQ(SplitCommandLine(R"(  "C:/my prog" a  "b c"d "" )"),
            (std::vector<std::string>{"C:/my prog", "a", "b cd", ""}));
}

TEST(CoreFunctions, InputAndSureAskTheDialogs) {
  plat::ScriptedDialogs dialogs;
  plat::SetDialogs(&dialogs);
  dialogs.QueueInput(std::string("typed"));
  EXPECT_EQ(Eval("Input('Cap', 'Prompt', 'start')")->AsString(), "typed");
  EXPECT_EQ(Eval("Input('Cap', 'Prompt')")->AsString(), "");  // cancelled
  EXPECT_FALSE(Eval("Sure('Really?')")->AsBoolean());         // cancelled
  const auto log = dialogs.Log();
  plat::SetDialogs(nullptr);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0].caption, "Cap");
  EXPECT_EQ(log[0].value, "start");
}

TEST(CoreFunctions, MachineQueriesGiveNumbers) {
  EXPECT_EQ(Eval("TickCount()")->DataType, TExpDataType::Integer);
  EXPECT_EQ(Eval("Mem()")->DataType, TExpDataType::Integer);
  EXPECT_NE(Eval("DiskSize(0)")->AsInteger(), -1);
  EXPECT_EQ(Eval("Random(1)")->AsInteger(), 0);
}

TEST(CoreFunctions, UnDefFuncRemovesAUserFunction) {
  Eval("CustomFunction('CoreTwice', 1, 0, CustFuncParam(1) * 2)");
  EXPECT_EQ(Eval("CoreTwice(4)")->AsInteger(), 8);
  Eval("UnDefFunc('CoreTwice')");
  EXPECT_EQ(GlobalTranslator().Translate("CoreTwice(4)").ErrorCode, eeBadFunctionName);
}

}  // namespace

namespace {

TEST(CoreFunctions, VarDefMakesTheExpressionTheVariable) {
  EXPECT_EQ(Eval("VarDef('CoreD', 1 + 2)")->AsInteger(), 3);
  EXPECT_EQ(Eval("CoreD * 2")->AsInteger(), 6);
}

TEST(CoreFunctions, PriorValueLagsOneRound) {
  auto n = Compile("PriorValue(Order(0))");
  std::vector<int> seen;
  for (std::uint32_t s = 1; s <= 3; ++s) {
    n->Calculate(s);
    seen.push_back(n->AsInteger());
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
}

TEST(CoreFunctions, IifEvaluatesOnlyTheChosenBranch) {
  Eval("VarAssign('CoreSide', 0)");
  Eval("Iif(Yes, 1, VarAssign('CoreSide', 9))");
  EXPECT_EQ(Eval("CoreSide")->AsInteger(), 0);
  Eval("Case(Yes, 1, VarAssign('CoreSide', 8) > 0, 2)");
  EXPECT_EQ(Eval("CoreSide")->AsInteger(), 0);
}

}  // namespace
