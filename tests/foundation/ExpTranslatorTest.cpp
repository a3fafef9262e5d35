#include "foundation/expr/ExpTranslator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ExpTestSupport.h"
#include "foundation/files/LogWriter.h"
#include "foundation/text/TextServices.h"

using namespace olv;

namespace {

struct ValueCase {
  const char* text;
  TExpDataType type;
  const char* value;  // text form
};

class ExpCompile : public testing::Test {
 protected:
  void ExpectValues(std::initializer_list<ValueCase> cases) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.text);
      auto node = box.Eval(c.text);
      EXPECT_EQ(DataTypeName(node->DataType), DataTypeName(c.type));
      EXPECT_EQ(node->AsString(), c.value);
    }
  }
  exptest::Sandbox box;
};

TEST_F(ExpCompile, PrecedenceAndAssociativity) {
  ExpectValues({
      {"1+2*3", TExpDataType::Integer, "7"},
      {"(1+2)*3", TExpDataType::Integer, "9"},
      {"8-3-2", TExpDataType::Integer, "3"},
      {"2^3^2", TExpDataType::Real, "64"},
      {"2*3^2", TExpDataType::Real, "18"},
      {"100/10/5", TExpDataType::Integer, "2"},
      {"1+2=3", TExpDataType::Boolean, "Yes"},
      {"1=1 & 2=3", TExpDataType::Boolean, "No"},
      {"1=2 | 2=2", TExpDataType::Boolean, "Yes"},
      {"1=1 & 1=2 | 3=3", TExpDataType::Boolean, "Yes"},  // AND binds tighter than OR
      {"2>1 AND 1>2", TExpDataType::Boolean, "No"},
      {"2>1 or 1>2", TExpDataType::Boolean, "Yes"},
      {"3*-5", TExpDataType::Integer, "-15"},
      {"-5", TExpDataType::Integer, "-5"},
      {"2 - -3", TExpDataType::Integer, "5"},
      {"(((7)))", TExpDataType::Integer, "7"},
  });
}

TEST_F(ExpCompile, NumbersAndTexts) {
  ExpectValues({
      {"1e3", TExpDataType::Real, "1000"},
      {"1E3", TExpDataType::Real, "1000"},
      {"1e-2", TExpDataType::Real, "0.01"},
      {"$1E", TExpDataType::Integer, "30"},
      {"0x1E", TExpDataType::Integer, "30"},
      {"$FFFFFFFF", TExpDataType::Integer, "-1"},
      {"1.5", TExpDataType::Real, "1.5"},
      {"'a'", TExpDataType::Char, "a"},
      {"'ab'", TExpDataType::String, "ab"},
      {"\"it's\"", TExpDataType::String, "it's"},
      {"'it''s'", TExpDataType::String, "it's"},
      {"#65#66", TExpDataType::String, "AB"},
      {"'a'#10'b'", TExpDataType::String, "a\nb"},
      {"^M", TExpDataType::Char, "\r"},
      {"''", TExpDataType::String, ""},
  });
}

TEST_F(ExpCompile, MixedTypesAndWrapAround) {
  ExpectValues({
      {"1 + 2.5", TExpDataType::Real, "3.5"},
      {"1 + 'xy'", TExpDataType::String, "1xy"},
      {"1 + 'x'", TExpDataType::Integer, "121"},  // a one-character literal is a Char: its code
      {"'x' + 1", TExpDataType::Char, "y"},
      {"'a' + 'b'", TExpDataType::String, "ab"},
      {"Yes + No", TExpDataType::Boolean, "Yes"},
      {"7 / 2", TExpDataType::Integer, "3"},
      {"7.0 / 2", TExpDataType::Real, "3.5"},
      {"-7 / 2", TExpDataType::Integer, "-3"},
      {"6 & 3", TExpDataType::Integer, "2"},
      {"6 | 3", TExpDataType::Integer, "7"},
      {"2147483647 + 1", TExpDataType::Integer, "-2147483648"},
      {"-2147483648 - 1", TExpDataType::Integer, "2147483647"},
      {"65536 * 65536", TExpDataType::Integer, "0"},
      {"-2147483648 / -1", TExpDataType::Integer, "-2147483648"},
      {"'b' $ 'abc'", TExpDataType::Boolean, "Yes"},
      {"'' $ 'abc'", TExpDataType::Boolean, "No"},
      {"'abc' < 'abd'", TExpDataType::Boolean, "Yes"},
      {"'B' > 'a'", TExpDataType::Boolean, "No"},  // bytes, case-sensitive
      {"2.5 >= 2.5", TExpDataType::Boolean, "Yes"},
      {"3 <> 3", TExpDataType::Boolean, "No"},
      {"2.5 : '%.2f'", TExpDataType::Real, "2.50"},
      {"5 : '%.3d'", TExpDataType::Integer, "005"},
  });
}

TEST_F(ExpCompile, TextsDoubledWithoutEndRaiseInsteadOfTakingAllMemory) {
  std::string text = "s:='0123456789abcdef'";
  for (int i = 0; i < 30; ++i) text += " = (s:=s+s)";
  auto r = box.Compile(text);
  ASSERT_TRUE(r.Node) << r.GetErrorInfo();
  EXPECT_THROW(r.Node->Calculate(1), Exception);
}

TEST_F(ExpCompile, DivisionByZeroGivesZero) {
  ExpectValues({
      {"1 / 0", TExpDataType::Integer, "0"},
      {"1.0 / 0", TExpDataType::Real, "0"},
      {"1.5 / 1e-20", TExpDataType::Real, "0"},
      {"0 ^ 2", TExpDataType::Real, "0"},
  });
}

TEST_F(ExpCompile, RealsCompareWithinTheTolerance) {
  // The literals as the compiler reads them, added in extended precision.
  const bool close =
      std::fabs((StrToFloatPrefix("0.1") + StrToFloatPrefix("0.2")) - StrToFloatPrefix("0.3")) <= 1E-19L;
  EXPECT_EQ(box.Eval("0.1 + 0.2 = 0.3")->AsBoolean(), close);
  EXPECT_TRUE(box.Eval("0.5 + 0.25 = 0.75")->AsBoolean());
  EXPECT_FALSE(box.Eval("1.0 = 1.0000001")->AsBoolean());
}

TEST_F(ExpCompile, BlanksAndComments) {
  ExpectValues({
      {"  1 +\t2 ", TExpDataType::Integer, "3"},
      {"1 + // to the line end\n 2", TExpDataType::Integer, "3"},
      {"1 {a comment} + 2", TExpDataType::Integer, "3"},
      {"{outer {inner} '}'} 5", TExpDataType::Integer, "5"},
      {"{$X not a directive} 4", TExpDataType::Integer, "4"},
  });
}

TEST_F(ExpCompile, DirectivesAreReplacedByTheirValue) {
  auto r = box.Compile("{$I 1+1}*3");
  ASSERT_TRUE(r.Node);
  EXPECT_EQ(r.Text, "2*3");
  r.Node->Calculate(1);
  EXPECT_EQ(r.Node->AsInteger(), 6);

  EXPECT_EQ(box.translator.ExpandDirectives("'{$I 1}' + {$i 'x'}"), "'{$I 1}' + x");
  // A directive that does not compile becomes the error information.
  EXPECT_EQ(box.translator.ExpandDirectives("{$I 1+}"), "需要操作数 ({$I 1+[错]})");
  // The information names the directive only, so failing directives cannot multiply the text.
  EXPECT_EQ(box.translator.ExpandDirectives("7 {$I (} {$I )}"),
            "7 括号不匹配 ({$I [错](}) 无效操作数 ({$I [错])})");
}

TEST_F(ExpCompile, FoldsConstantsButNeverCalls) {
  auto r = box.Compile("1+2*3");
  ASSERT_TRUE(r.Node);
  EXPECT_EQ(&r.Node->ClassType(), &TExpression::StaticClass());
  EXPECT_EQ(r.Node->AsInteger(), 7);  // already computed

  r = box.Compile("x + 2*3");
  ASSERT_TRUE(r.Node);
  EXPECT_EQ(&r.Node->ClassType(), &TExp_Add::StaticClass());
  EXPECT_EQ(&r.Node->GetParam(1)->ClassType(), &TExpression::StaticClass());
  EXPECT_EQ(r.Node->GetParam(1)->AsInteger(), 6);

  r = box.Compile("Length('abc')");
  ASSERT_TRUE(r.Node);
  EXPECT_EQ(&r.Node->ClassType(), &exptest::TTestLength::StaticClass());
}

TEST_F(ExpCompile, KeywordOperatorsNeedAWordBoundary) {
  auto r = box.Compile("abc AND def");
  ASSERT_TRUE(r.Node);
  EXPECT_EQ(&r.Node->ClassType(), &TExp_And::StaticClass());
  r = box.Compile("abc and def");
  ASSERT_TRUE(r.Node);
  EXPECT_EQ(&r.Node->ClassType(), &TExp_And::StaticClass());
  r = box.Compile("ANDY");
  ASSERT_TRUE(r.Node);
  EXPECT_EQ(&r.Node->ClassType(), &TExp_VarRef::StaticClass());
  r = box.Compile("x ORx");
  EXPECT_EQ(r.ErrorCode, eeBadOperator);
  EXPECT_EQ(r.Pos, 3u);
}

struct ErrorCase {
  const char* text;
  int code;
  size_t pos;
};

TEST_F(ExpCompile, ErrorsHaveCodeAndPosition) {
  const ErrorCase cases[] = {
      {"1+", eeOperandExpected, 3},
      {"1+ ", eeOperandExpected, 4},
      {"   ", eeOperandExpected, 4},
      {"(1+2", eeParenMismatch, 1},
      {"((1)", eeParenMismatch, 1},
      {"1+2)", eeBadOperator, 4},
      {"()", eeOperandExpected, 2},
      {"Length()", eeTooFewArguments, 9},
      {"Length(1,2)", eeParenExpected, 10},
      {"Length(1 2)", eeBadArgument, 10},
      {"Length(,1)", eeBadOperand, 8},
      {"Foo(1)", eeBadFunctionName, 1},
      {"1 2", eeBadOperator, 3},
      {"-x", eeParenExpected, 1},
      {"!x", eeParenExpected, 1},
      {"-Foo(1)", eeBadFunctionName, 1},
      {"1 - Yes", eeTypeMismatch, 3},
      {"'a' * 2", eeTypeMismatch, 5},
      {"1 + ('a' * 2)", eeTypeMismatch, 10},
      {"'abc", eeQuoteMismatch, 1},
      {"'ab''c", eeQuoteMismatch, 5},
      {"1 + \"x", eeQuoteMismatch, 5},
      {"'ab' + 'c", eeQuoteMismatch, 8},
      {"2147483648", eeBadOperand, 1},
      {"1 + 99999999999", eeBadOperand, 5},
      {"@", eeBadOperand, 1},
      {"1 + )", eeBadOperand, 5},
      {"1 ? 2", eeBadOperator, 3},
      {"CustFuncParam(1,2)", eeParenExpected, 17},
      {"Argc(1)", eeParenExpected, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto r = box.Compile(c.text);
    EXPECT_EQ(r.Node, nullptr);
    EXPECT_EQ(r.ErrorCode, c.code) << r.GetErrorInfo();
    EXPECT_EQ(r.Pos, c.pos) << r.GetErrorInfo();
  }
}

TEST_F(ExpCompile, EmptyTextIsNoNodeAndNoError) {
  auto r = box.Compile("");
  EXPECT_EQ(r.Node, nullptr);
  EXPECT_EQ(r.ErrorCode, eeNone);
}

TEST_F(ExpCompile, ErrorTextsAndInformation) {
  const char* texts[] = {"编译完成", "变量没定义", "无效函数名", "引号不匹配", "括号不匹配", "无效操作数",
                         "无效操作符", "无效参数", "类型不匹配", "需要操作数", "需要括号", "参数不够"};
  for (int i = 0; i <= 11; ++i) EXPECT_EQ(TExpTranslator::ErrorText(i), texts[i]);
  auto r = box.Compile("1+");
  EXPECT_EQ(r.GetErrorInfo(), "需要操作数 (1+[错])");
  r = box.Compile("1 2");
  EXPECT_EQ(r.GetErrorInfo(), "无效操作符 (1 [错]2)");
}

TEST_F(ExpCompile, TooDeepTextsAreRefusedNotCrashed) {
  std::string deep(5000, '(');
  deep += "1";
  deep += std::string(5000, ')');
  EXPECT_EQ(box.Compile(deep).ErrorCode, eeBadOperand);

  std::string chain = "x";
  for (int i = 0; i < 3000; ++i) chain += "+x";
  EXPECT_EQ(box.Compile(chain).ErrorCode, eeBadOperand);

  std::string calls;
  for (int i = 0; i < 3000; ++i) calls += "Length(";
  calls += "1";
  calls += std::string(3000, ')');
  EXPECT_EQ(box.Compile(calls).ErrorCode, eeBadOperand);

  std::string fine = "1";
  for (int i = 0; i < 500; ++i) fine += "+1";
  EXPECT_EQ(box.Eval(fine)->AsInteger(), 501);
}

// ------------------------------------------------------------------------------------------
// Variables

TEST_F(ExpCompile, RootVariablesAndUnknownNames) {
  EXPECT_TRUE(box.Eval("Yes")->AsBoolean());
  EXPECT_FALSE(box.Eval("no")->AsBoolean());
  auto screen = box.Eval("Screen");
  EXPECT_EQ(screen->DataType, TExpDataType::Integer);
  EXPECT_EQ(screen->AsInteger(), kScreenHandle);
  auto unknown = box.Eval("Undefined.Name");
  EXPECT_EQ(unknown->DataType, TExpDataType::String);
  EXPECT_EQ(unknown->AsString(), "Undefined.Name");
}

TEST_F(ExpCompile, AssignmentDefinesAndUpdatesVariables) {
  EXPECT_EQ(box.Eval("x:=5")->AsInteger(), 5);
  EXPECT_EQ(box.Eval("x")->AsInteger(), 5);
  EXPECT_EQ(box.Eval("x:=x+1")->AsInteger(), 6);
  EXPECT_EQ(box.Eval("X * 2")->AsInteger(), 12);
  EXPECT_EQ(box.Eval("s:='ab' + 'c'")->AsString(), "abc");
  EXPECT_EQ(box.Eval("s")->AsString(), "abc");
  // Variables of a compile live in its list, not in the root.
  EXPECT_EQ(GlobalVarList().FindVar("x"), nullptr);
  ASSERT_NE(box.vars.FindVar("x"), nullptr);
  // A variable may be re-typed by assignment.
  box.Eval("x:='now text'");
  EXPECT_EQ(box.Eval("x")->AsString(), "now text");
}

TEST_F(ExpCompile, VariableReferencesSeeLaterValues) {
  auto r = box.Compile("v * 2");
  ASSERT_TRUE(r.Node);
  box.vars.SetVar("v", MakeIntConstant(4));
  r.Node->Calculate(1);
  EXPECT_EQ(r.Node->AsInteger(), 8);
  box.vars.SetVar("v", MakeIntConstant(5));
  r.Node->Calculate(1);  // same round: kept
  EXPECT_EQ(r.Node->AsInteger(), 8);
  r.Node->Calculate(2);
  EXPECT_EQ(r.Node->AsInteger(), 10);
}

TEST(ExpVarList, PrefixesParentsAndRemoval) {
  TVarList parent;
  TVarList child(&parent, false);
  parent.SetVar("a", MakeIntConstant(1));
  child.SetVar("b", MakeIntConstant(2));
  EXPECT_EQ(child.FindVar(".A")->AsInteger(), 1);
  EXPECT_EQ(child.FindVar("a"), nullptr);  // parent not enabled
  child.ParentEnable = true;
  EXPECT_EQ(child.FindVar("a")->AsInteger(), 1);
  EXPECT_EQ(child.FindVar("\\yes")->AsBoolean(), true);  // the root list
  child.SetVar(".c", MakeIntConstant(3));
  EXPECT_EQ(parent.FindVar("C")->AsInteger(), 3);
  EXPECT_EQ(parent.Names(), (std::vector<std::string>{"A", "C"}));
  parent.SetVar("a", nullptr);
  EXPECT_EQ(parent.FindVar("a"), nullptr);
  EXPECT_EQ(parent.Count(), 1);
}

TEST(ExpVarList, AVariableHeldByAReaderSurvivesReplacement) {
  TVarList list;
  list.SetVar("v", MakeIntConstant(1));
  auto held = list.FindVar("v");
  list.SetVar("v", MakeIntConstant(2));
  EXPECT_EQ(held->AsInteger(), 1);
  EXPECT_EQ(list.FindVar("v")->AsInteger(), 2);
}

TEST(ExpVarList, DestroyingTheCurrentListFallsBackToItsParent) {
  TVarList root;
  TExpTranslator translator(&root);
  {
    TVarList child(&root, true);
    translator.SetVarList(&child);
    EXPECT_EQ(translator.VarList(), &child);
  }
  EXPECT_EQ(translator.VarList(), &root);
}

// ------------------------------------------------------------------------------------------
// Function registry and user-defined functions

TEST(ExpFunctionList, DuplicateBuiltInIsLoggedAndTheFirstKept) {
  std::vector<std::string> lines;
  TExpLogHook saved = SetExpLogHook([&](const std::string& l) { lines.push_back(l); });
  TFunctionList list;
  EXPECT_TRUE(list.RegisterFunction("Sin", exptest::TTestLength::StaticClass()));
  EXPECT_FALSE(list.RegisterFunction("sin", exptest::TTestIif::StaticClass()));
  SetExpLogHook(saved);
  EXPECT_EQ(lines, std::vector<std::string>{"函数重名(sin)"});
  auto fn = list.CreateFunction("SIN");
  ASSERT_TRUE(fn);
  EXPECT_EQ(&fn->ClassType(), &exptest::TTestLength::StaticClass());
  EXPECT_EQ(list.Names(), std::vector<std::string>{"SIN"});
  list.UnregisterFunction("sIN");
  EXPECT_FALSE(list.CreateFunction("Sin"));
}

TEST(ExpFunctionList, DuplicatesGoToTheProgramsLogWithoutHeader) {
  const std::string log = testing::TempDir() + "expr_registry.LOG";
  std::remove(log.c_str());
  SetLogFileName(log);
  TFunctionList list;
  list.RegisterFunction("Twice", exptest::TTestLength::StaticClass());
  list.RegisterFunction("TWICE", exptest::TTestLength::StaticClass());
  SetLogFileName("");
  std::ifstream in(log, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "函数重名(TWICE)\r\n");
  std::remove(log.c_str());
}

TEST(ExpFunctionList, ClassNamesGiveTheRegisteredNames) {
  EXPECT_EQ(TFunctionList::RegisteredName(TExp_VarRef::StaticClass()), "VarRef");
  EXPECT_EQ(TFunctionList::RegisteredName(TCustomFunction::StaticClass()), "CustomFunction");
  EXPECT_EQ(TFunctionList::RegisteredName(exptest::TTestIif::StaticClass()), "TestIif");
  // Only function classes are registered.
  TFunctionList list;
  EXPECT_FALSE(list.RegisterFunction("Plain", TExpression::StaticClass()));
}

TEST_F(ExpCompile, UserDefinedFunctions) {
  auto def = box.Eval("CustomFunction('Twice', 1, 0, CustFuncParam(1)*2)");
  EXPECT_EQ(def->DataType, TExpDataType::Boolean);
  EXPECT_TRUE(def->AsBoolean());
  EXPECT_EQ(box.Eval("Twice(4)")->AsInteger(), 8);
  EXPECT_EQ(box.Eval("twice(4) + Twice(1)")->AsInteger(), 10);
  EXPECT_EQ(box.Compile("Twice()").ErrorCode, eeTooFewArguments);
  EXPECT_EQ(box.Compile("Twice(1,2)").ErrorCode, eeParenExpected);

  // Redefinition replaces it; calls compiled before pick up the new body.
  auto call = box.Compile("Twice(5)");
  ASSERT_TRUE(call.Node);
  call.Node->Calculate(1);
  EXPECT_EQ(call.Node->AsInteger(), 10);
  box.Eval("CustomFunction('Twice', 1, 0, CustFuncParam(1)*3)");
  call.Node->Calculate(2);
  EXPECT_EQ(call.Node->AsInteger(), 15);

  // A user-defined function may replace a built-in one of the registry.
  box.Eval("CustomFunction('Length', 1, 0, 42)");
  EXPECT_EQ(box.Eval("Length('abc')")->AsInteger(), 42);
}

TEST_F(ExpCompile, UserDefinedArgumentsAndRecursion) {
  box.Eval("CustomFunction('Count', 0, 3, Argc())");
  EXPECT_EQ(box.Eval("Count()")->AsInteger(), 0);
  EXPECT_EQ(box.Eval("Count(7, 8)")->AsInteger(), 2);

  box.Eval(
      "CustomFunction('Fact', 1, 0, Iif(CustFuncParam(1) <= 1, 1, "
      "CustFuncParam(1) * Fact(CustFuncParam(1) - 1)))");
  EXPECT_EQ(box.Eval("Fact(5)")->AsInteger(), 120);
  // Stamp -1 recomputes everything: the recursion still ends.
  auto r = box.Compile("Fact(6)");
  ASSERT_TRUE(r.Node);
  r.Node->Calculate(kAlwaysStamp);
  EXPECT_EQ(r.Node->AsInteger(), 720);

  // Without a way out the depth guard raises instead of exhausting the stack.
  box.Eval("CustomFunction('Forever', 0, 0, Forever())");
  auto f = box.Compile("Forever()");
  ASSERT_TRUE(f.Node);
  EXPECT_THROW(f.Node->Calculate(1), Exception);
  EXPECT_EQ(CurrentCustomCall(), nullptr);  // restored after the exception
  // Branching recursion is bounded by the number of calls, not only by the depth.
  box.Eval("CustomFunction('Both', 0, 0, Both() + Both())");
  auto both = box.Compile("Both()");
  ASSERT_TRUE(both.Node);
  EXPECT_THROW(both.Node->Calculate(1), Exception);
  EXPECT_EQ(box.Eval("Fact(4)")->AsInteger(), 24);  // the count starts again

  // Outside any call the parameters are neutral.
  EXPECT_EQ(box.Eval("Argc()")->AsReal(), 0);
}

TEST(ExpGlobal, CompileExpressionAlwaysGivesANode) {
  auto n = CompileExpression("1+2");
  n->Calculate(kAlwaysStamp);
  EXPECT_EQ(n->AsInteger(), 3);
  n = CompileExpression("1+");
  EXPECT_EQ(n->DataType, TExpDataType::String);
  EXPECT_EQ(n->AsString(), "需要操作数 (1+[错])");
  n = CompileExpression("");
  EXPECT_EQ(n->AsString(), "");
  n = CompileExpression("1");
  EXPECT_EQ(n->AsInteger(), 1);

  SetExpMacroExpander([](std::string& t) {
    if (t == "~A~") t = "'x'";
  });
  n = CompileExpression("~A~");
  SetExpMacroExpander(nullptr);
  n->Calculate(kAlwaysStamp);
  EXPECT_EQ(n->AsString(), "x");
}

// Timer threads and the main thread compile with the one translator and change its registry
// at the same time: every compile must see its own text, position and error.
TEST(ExpGlobal, ConcurrentCompilesKeepTheirOwnState) {
  TExpTranslator& t = GlobalTranslator();
  std::atomic<bool> wrong{false};
  std::vector<std::thread> threads;
  for (int k = 0; k < 4; ++k) {
    threads.emplace_back([&, k] {
      for (int i = 0; i < 300; ++i) {
        if ((i + k) % 3 == 0) {
          auto r = t.Translate("1 +" + std::string(k, ' '));
          if (r.ErrorCode != eeOperandExpected || r.Pos != size_t(4 + k)) wrong = true;
        } else {
          auto r = t.Translate(std::to_string(i) + " * " + std::to_string(k) + " + CF_T" +
                               std::to_string(k) + "(1)");
          if (r.Node) {
            r.Node->Calculate(kAlwaysStamp);
          }
        }
      }
    });
  }
  std::thread registrar([&] {
    for (int i = 0; i < 200; ++i) {
      const std::string name = "CF_T" + std::to_string(i % 4);
      auto r = t.Translate("CustomFunction('" + name + "', 1, 0, CustFuncParam(1) + 1)");
      if (!r.Node) wrong = true;
      t.FunctionList().UnregisterFunction(name);
    }
  });
  for (auto& th : threads) th.join();
  registrar.join();
  EXPECT_FALSE(wrong);
}

}  // namespace
