// Macro lists: references, "~~", computed names, expressions, parents, cycles, per-run lists and
// the macro functions of the expression language.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/expr/ExpTranslator.h"
#include "foundation/objects/ObjStream.h"
#include "foundation/expr/OlvMacro.h"
#include "foundation/streams/Stream.h"

using namespace olv;

namespace {

std::string EvalText(const std::string& text) {
  auto node = CompileExpression(text);
  node->Calculate(kAlwaysStamp);
  return node->AsString();
}

// A list of its own under the global list; the global list is left as it was found.
class Macros : public ::testing::Test {
 protected:
  Macros() : list(&GlobalMacros()) {
    GlobalTranslator();
    InstallMacroExpander();  // another test may have replaced it
  }
  ~Macros() override {
    for (const auto& n : globalsSet) GlobalMacros().SetMacro(n, {});
  }
  void SetGlobal(const std::string& n, const std::string& v) {
    GlobalMacros().SetMacro(n, v);
    globalsSet.push_back(n);
  }
  TMacros list;
  std::vector<std::string> globalsSet;
};

struct ExpandCase {
  const char* text;
  const char* expected;
};

TEST_F(Macros, ExpandsReferencesAsTheTableSays) {
  list.SetMacro("A", "1");
  list.SetMacro("N", "1");
  list.SetMacro("A1", "x");
  list.SetMacro("R", "~B~");
  list.SetMacro("B", "2");
  const ExpandCase cases[] = {
      {"x~A~y", "x1y"},
      {"x~a~y", "x1y"},          // names ignore case
      {"x~~y", "x~y"},
      {"x~B~y~A~", "x2y1"},
      {"x~UNDEFINED~y", "xy"},
      {"lone ~ sign", "lone ~ sign"},
      {"~R~", "2"},              // a value holding a reference
      {"~(A~N~)~", "x"},         // computed name
      {"~?1+2~", "3"},
      {"~?Length('abc')~", "3"},
      {"~?Length('a~b')~", "无效操作符 (Length[错]('a)b')~"},  // the first end sign closes it
      {"no refs", "no refs"},
      {"~~~~", "~~"},
  };
  for (const auto& c : cases) EXPECT_EQ(list.Expanded(c.text), c.expected) << c.text;
}

TEST_F(Macros, ExpressionErrorGivesTheCompilerMessage) {
  const std::string v = list.Expanded("~?1+~");
  const TTranslateResult r = GlobalTranslator().Translate("1+");
  ASSERT_FALSE(r.Node);
  EXPECT_EQ(v, r.GetErrorInfo());
  EXPECT_NE(v.find(" (1+"), std::string::npos) << v;
}

TEST_F(Macros, NullReplaceOffKeepsUnknownReferences) {
  list.NullReplace = false;
  list.SetMacro("A", "1");
  EXPECT_EQ(list.Expanded("x~B~y~A~"), "x~B~y1");
}

TEST_F(Macros, ExpandReportsWhetherASignPairWasFound) {
  std::string t = "plain";
  EXPECT_FALSE(list.ExpandMacros(t));
  t = "~NOPE~";
  EXPECT_TRUE(list.ExpandMacros(t));
  EXPECT_EQ(t, "");
  t = "a~b";
  EXPECT_FALSE(list.ExpandMacros(t));
}

TEST_F(Macros, ParentGlobalAndDotNames) {
  SetGlobal("GV", "global");
  list.SetMacro("L", "local");
  TMacros child(&list);
  EXPECT_EQ(child.GetMacro(".L"), "local");
  EXPECT_EQ(child.GetMacro("L"), "local");         // falls back to the parent
  EXPECT_EQ(child.GetMacro("GV"), "global");       // through the parent's parent
  EXPECT_EQ(child.GetMacro("\\GV"), "global");
  child.ParentEnable = false;
  EXPECT_EQ(child.GetMacro("L"), "");
  EXPECT_EQ(child.GetMacro(".L"), "local");        // "." reaches the parent whatever the switch

  TMacros orphan(nullptr);
  orphan.SetMacro(".A", "dot");                    // no parent: stored with its dot
  EXPECT_EQ(orphan.GetMacro(".A"), "dot");
  EXPECT_EQ(orphan.MacroCount(), 1u);

  child.SetMacro(".FROMCHILD", "up");
  EXPECT_EQ(list.GetMacro("FROMCHILD"), "up");
  child.SetMacro("\\GFROMCHILD", "g");
  globalsSet.push_back("GFROMCHILD");
  EXPECT_EQ(GlobalMacros().GetMacro("GFROMCHILD"), "g");
}

TEST_F(Macros, SetMacrosWithFewerValuesRemovesTheRest) {
  list.SetMacro("C", "old");
  list.SetMacros({"A", "B", "C"}, {"1", "2"});
  EXPECT_EQ(list.GetMacro("A"), "1");
  EXPECT_EQ(list.GetMacro("B"), "2");
  EXPECT_EQ(list.MacroCount(), 2u);
  list.ClearMacros({"A", "B"});
  EXPECT_EQ(list.MacroCount(), 0u);
  list.SetMacro("", "ignored");
  EXPECT_EQ(list.MacroCount(), 0u);
}

TEST_F(Macros, SelfReferenceStopsWithAnEmptyValue) {
  list.SetMacro("SELF", "x~SELF~");
  list.SetMacro("P", "~Q~");
  list.SetMacro("Q", "~P~");
  list.SetMacro("E", "~?Calc('~E~')~");
  const std::string self = list.Expanded("[~SELF~]");
  EXPECT_EQ(self.front(), '[');
  EXPECT_EQ(self.back(), ']');
  EXPECT_LE(self.size(), 2u + kMaxMacroDepth);     // a bounded run of x, then nothing
  EXPECT_EQ(list.Expanded("[~P~]"), "[]");
  EXPECT_NO_THROW(list.Expanded("~E~"));
  // A computed name that computes itself.
  list.SetMacro("C", "(~C~)");
  EXPECT_NO_THROW(list.Expanded("~(~C~)~"));
}

TEST_F(Macros, DoublingValuesStopAtTheTextLimit) {
  for (int i = 0; i < 40; ++i) {
    const std::string next = "~D" + std::to_string(i + 1) + "~";
    list.SetMacro("D" + std::to_string(i), next + next);
  }
  list.SetMacro("D40", "xxxxxxxxxxxxxxxx");
  EXPECT_THROW(list.Expanded("~D0~"), Exception);
}

TEST_F(Macros, ExpansionOfALargeTextKeepsEverythingAroundReferences) {
  list.SetMacro("V", "value");
  std::string text, expected;
  for (int i = 0; i < 1000; ++i) {
    text += "abc~V~~~";
    expected += "abcvalue~";
  }
  EXPECT_EQ(list.Expanded(text), expected);
}

TEST_F(Macros, RunListsDoNotSeeEachOthersValues) {
  SetGlobal("SHARED", "s");
  auto run1 = NewRunMacros();
  auto run2 = NewRunMacros();
  run1->SetMacros({"DUMP"}, {"one.dmp"});
  run2->SetMacros({"DUMP"}, {"two.dmp"});
  EXPECT_EQ(run1->Expanded("~DUMP~ ~SHARED~"), "one.dmp s");
  EXPECT_EQ(run2->Expanded("~DUMP~ ~SHARED~"), "two.dmp s");
  EXPECT_EQ(GlobalMacros().GetMacro("DUMP"), "");
  run1->ClearMacros({"DUMP"});
  EXPECT_EQ(run2->GetMacro("DUMP"), "two.dmp");
}

TEST_F(Macros, TwoThreadsExpandTheirOwnMacrosAtOnce) {
  auto work = [](const std::string& tag, bool& ok) {
    auto run = NewRunMacros();
    TMacroScope scope(*run);
    ok = true;
    for (int i = 0; i < 2000 && ok; ++i) {
      const std::string v = tag + std::to_string(i);
      run->SetMacros({"P", "Q"}, {v, "~P~/" + tag});
      ok = run->Expanded("~Q~ ~?2*3~") == v + "/" + tag + " 6";
      ok = ok && EvalText("ExpandMacros('<~~P~~>')") == "<" + v + ">";
      // DefinMacro inside a run defines in the run's list.
      auto r = CompileExpression("DefinMacro('D', '" + v + "')");
      r->Calculate(kAlwaysStamp);
      ok = ok && run->GetMacro("D") == v && GlobalMacros().GetMacro("D").empty();
      run->ClearMacros({"P", "Q", "D"});
    }
  };
  bool ok1 = false, ok2 = false;
  std::thread t1(work, "a", std::ref(ok1));
  std::thread t2(work, "b", std::ref(ok2));
  t1.join();
  t2.join();
  EXPECT_TRUE(ok1);
  EXPECT_TRUE(ok2);
}

TEST_F(Macros, MacroFunctionsOfTheLanguage) {
  TMacroScope scope(list);
  EXPECT_EQ(EvalText("DefinMacro('M1', 'v1')"), "v1");
  EXPECT_EQ(list.GetMacro("M1"), "v1");
  EXPECT_EQ(EvalText("MacroText('M1')"), "v1");
  EXPECT_EQ(EvalText("ExpandMacros('<~~M1~~>')"), "<v1>");
  auto calc = CompileExpression("Calc('1+2')");
  calc->Calculate(kAlwaysStamp);
  EXPECT_EQ(calc->DataType, TExpDataType::Integer);
  EXPECT_EQ(calc->AsInteger(), 3);
  EXPECT_EQ(EvalText("Calculate('''a''+''b''')"), "ab");
  // Texts compiled through CompileExpression see macros first.
  EXPECT_EQ(EvalText("~M1~"), "v1");
}

TEST_F(Macros, MacroTextTakesAHandleNeverAnAddress) {
  TMacros other(nullptr);
  other.SetMacro("K", "from other");
  const std::int32_t h = RegisterMacroHandle(other);
  EXPECT_EQ(EvalText("MacroText('K', " + std::to_string(h) + ")"), "from other");
  EXPECT_EQ(EvalText("MacroText('_MacroList', " + std::to_string(h) + ")"), "K=from other");
  UnregisterMacroHandle(h);
  EXPECT_EQ(EvalText("MacroText('K', " + std::to_string(h) + ")"), "");
  // An arbitrary number is no list at all.
  EXPECT_EQ(EvalText("MacroText('K', 123456789)"), "");
}

TEST_F(Macros, MacroListNamesTheParentsToo) {
  list.SetMacro("X", "1");
  TMacros child(&list);
  child.SetMacro("Y", "2");
  const std::int32_t h = RegisterMacroHandle(child);
  const std::string text = EvalText("MacroText('_MacroList', " + std::to_string(h) + ")");
  UnregisterMacroHandle(h);
  EXPECT_EQ(text.rfind("Y=2\r\nX=1", 0), 0u) << text;
}

}  // namespace

namespace {

TEST_F(Macros, LookupsFollowEveryChangeOfTheLines) {
  // Each change comes after a lookup, so that a stale index would answer.
  OlvStringList other;
  other.Add("A=assigned");
  struct Case {
    const char* change;
    std::function<void(TMacros&)> apply;
    const char* value;
  };
  const Case cases[] = {
      {"none", [](TMacros&) {}, "first"},
      {"put", [](TMacros& m) { m.List->Put(1, "b=first"); }, "second"},
      {"delete", [](TMacros& m) { m.List->Delete(1); }, "second"},
      {"insert", [](TMacros& m) { m.List->InsertObject(0, "A=inserted", nullptr); }, "inserted"},
      {"insert a line without value", [](TMacros& m) { m.List->InsertObject(0, "a", nullptr); }, ""},
      {"move", [](TMacros& m) { m.List->Move(2, 0); }, "second"},
      {"clear", [](TMacros& m) { m.List->Clear(); }, ""},
      {"set text", [](TMacros& m) { m.List->SetText("X=1\r\nA=text"); }, "text"},
      {"add after", [](TMacros& m) { m.List->Add("A=later"); }, "first"},
      {"set value", [](TMacros& m) { m.SetMacro("a", "changed"); }, "changed"},
      {"remove the first", [](TMacros& m) { m.SetMacro("A", ""); }, "second"},
      {"assign strings", [&](TMacros& m) { m.List->AssignStrings(other); }, "assigned"},
      {"assign", [&](TMacros& m) { m.List->Assign(other); }, "assigned"},
      {"another list", [](TMacros& m) {
         m.List = std::make_unique<OlvStringList>();
         m.List->Add("A=new list");
       }, "new list"},
  };
  for (const Case& c : cases) {
    TMacros m(nullptr);
    m.List->SetText("X=0\r\na=first\r\nA=second");
    ASSERT_EQ(m.GetMacro("A"), "first") << "the first line of a name wins, whatever its case";
    c.apply(m);
    EXPECT_EQ(m.Expanded("~A~"), c.value) << c.change;
  }
}

TEST_F(Macros, StreamRoundTripKeepsLinesAndChangedSettings) {
  RegisterMacroStreamClasses();
  TMacros source(nullptr);
  source.SetMacro("DUMP", "a.dmp");
  source.SetMacro("LOG", "a.log");
  source.StartSign = '[';
  source.EndSign = ']';
  source.NullReplace = false;
  TMemoryStream stream;
  WriteObjectToStream(stream, &source);
  stream.SetPosition(0);
  auto read = ReadObjectFromStream(stream);
  auto* back = dynamic_cast<TMacros*>(read.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Text(), "DUMP=a.dmp\r\nLOG=a.log");
  EXPECT_EQ(back->StartSign, '[');
  EXPECT_EQ(back->EndSign, ']');
  EXPECT_EQ(back->ExpSign, '?');
  EXPECT_FALSE(back->NullReplace);
  EXPECT_TRUE(back->ParentEnable);
  EXPECT_EQ(back->Parent, &GlobalMacros());
  EXPECT_EQ(back->Expanded("x[DUMP]y[NONE]"), "xa.dmpy[NONE]");
}

}  // namespace
