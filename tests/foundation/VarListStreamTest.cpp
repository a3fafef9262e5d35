// Variable lists travel in the object stream as stored string lists of their variables.
#include <gtest/gtest.h>

#include "foundation/objects/ObjStream.h"
#include "foundation/expr/OlvExp.h"
#include "foundation/streams/Stream.h"

using namespace olv;

namespace {

std::unique_ptr<TVarList> Filled() {
  GlobalTranslator();  // registers the stream classes
  auto list = std::make_unique<TVarList>();
  list->SetVar("count", MakeIntConstant(42));
  list->SetVar("Name", MakeStringConstant("orcl"));
  list->SetVar("rate", MakeRealConstant(2.5L));
  list->SetVar("flag", MakeBoolConstant(true));
  return list;
}

void ExpectSameVariables(const TVarList& got) {
  EXPECT_EQ(got.Names(), (std::vector<std::string>{"COUNT", "NAME", "RATE", "FLAG"}));
  ASSERT_NE(got.FindVar("Count"), nullptr);
  EXPECT_EQ(got.FindVar("Count")->AsInteger(), 42);
  EXPECT_EQ(got.FindVar("name")->AsString(), "orcl");
  EXPECT_EQ(got.FindVar("RATE")->AsReal(), 2.5L);
  EXPECT_TRUE(got.FindVar("flag")->AsBoolean());
}

TEST(VarListStream, RoundTripKeepsNamesOrderAndValues) {
  auto list = Filled();
  TMemoryStream stream;
  WriteObjectToStream(stream, list.get());
  stream.SetPosition(0);
  std::unique_ptr<TBaseObject> read = ReadObjectFromStream(stream);
  auto* vars = dynamic_cast<TVarList*>(read.get());
  ASSERT_NE(vars, nullptr);
  ExpectSameVariables(*vars);
  // The original is unchanged by having been written.
  ExpectSameVariables(*list);
}

TEST(VarListStream, CloneAndCopyGiveIndependentVariables) {
  auto list = Filled();
  std::unique_ptr<TBaseObject> clone = list->Clone();
  auto* cloned = dynamic_cast<TVarList*>(clone.get());
  ASSERT_NE(cloned, nullptr);
  ExpectSameVariables(*cloned);

  TVarList copy;
  copy.SetVar("stale", MakeIntConstant(1));
  list->CopyPropsTo(copy, "");
  ExpectSameVariables(copy);
  EXPECT_EQ(copy.FindVar("stale"), nullptr);

  list->SetVar("count", MakeIntConstant(7));
  EXPECT_EQ(cloned->FindVar("count")->AsInteger(), 42);
  EXPECT_EQ(copy.FindVar("count")->AsInteger(), 42);
}

TEST(VarListStream, AnEmptyListStaysEmpty) {
  GlobalTranslator();
  TVarList empty;
  std::unique_ptr<TBaseObject> clone = empty.Clone();
  auto* vars = dynamic_cast<TVarList*>(clone.get());
  ASSERT_NE(vars, nullptr);
  EXPECT_EQ(vars->Count(), 0);
}

}  // namespace
