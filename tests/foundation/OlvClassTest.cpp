// Persistent objects: copying between related classes, the field filter, cloning, freeing owned
// fields, and the class registry.
#include <gtest/gtest.h>

#include "foundation/objects/ObjStream.h"
#include "tests/support/TestObjects.h"

using namespace olv;
using namespace olvtest;

namespace {

class OlvClassTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestClasses(); }

  static void FillA(TBaseA& a) {
    a.schName = "nightly";
    a.size = 42;
    a.child = std::make_unique<TChildObj>();
    a.child->name = "c";
    auto item = std::make_unique<TChildObj>();
    item->name = "item";
    a.list->Add(std::move(item));
    a.lines->Add("l1");
  }
};

TEST_F(OlvClassTest, AssignBetweenSiblingsCopiesTheCommonClassOnly) {
  TDerivedB b;
  FillA(b);
  b.extraB = "only b";
  TDerivedC c;
  c.extraC = "kept";
  c.Assign(b);
  EXPECT_EQ(c.schName, "nightly");
  EXPECT_EQ(c.size, 42);
  EXPECT_EQ(c.extraC, "kept");
  // Owned fields are deep copies: changing the source leaves the copy alone.
  ASSERT_NE(c.child, nullptr);
  EXPECT_NE(c.child.get(), b.child.get());
  b.child->name = "changed";
  static_cast<TChildObj*>(b.list->Items(0))->name = "changed";
  EXPECT_EQ(c.child->name, "c");
  ASSERT_EQ(c.list->Count(), 1);
  EXPECT_EQ(static_cast<TChildObj*>(c.list->Items(0))->name, "item");
  ASSERT_EQ(c.lines->Count(), 1);
  EXPECT_EQ(c.lines->Strings(0), "l1");
}

TEST_F(OlvClassTest, AssignWithinOneClassCopiesEveryField) {
  TDerivedB b, copy;
  FillA(b);
  b.extraB = "b";
  copy.Assign(b);
  EXPECT_EQ(ObjectToBytes(&copy), ObjectToBytes(&b));
}

TEST_F(OlvClassTest, FilterSelectsFieldsByName) {
  struct Case {
    const char* filter;
    bool name, size;
  };
  const Case cases[] = {
      {"", true, true},          {"*", true, true},        {"SchName;NoSuchField", true, false},
      {"NoSuchField", false, false}, {"schname", false, false},  // kept by the check, then compared exactly
      {"Size;SchName", true, true},
  };
  for (const auto& c : cases) {
    TDerivedB src;
    FillA(src);
    TDerivedC dst;
    src.CopyPropsTo(dst, c.filter);
    EXPECT_EQ(dst.schName == "nightly", c.name) << c.filter;
    EXPECT_EQ(dst.size == 42, c.size) << c.filter;
  }
}

// The objects on a string-list field's lines are copied with it, so the copy owns its own.
TEST_F(OlvClassTest, CopyingAStringListFieldCopiesTheObjectsOfItsLines) {
  auto b = std::make_unique<TDerivedB>();
  b->lines->AddObject("l1", new TChildObj);
  static_cast<TChildObj*>(b->lines->Objects(0))->name = "on l1";
  b->lines->Add("l2");
  for (bool sameClass : {true, false}) {
    std::unique_ptr<TBaseA> copy = sameClass ? std::unique_ptr<TBaseA>(new TDerivedB)
                                             : std::unique_ptr<TBaseA>(new TDerivedC);
    copy->Assign(*b);
    ASSERT_EQ(copy->lines->Count(), 2);
    auto* obj = dynamic_cast<TChildObj*>(copy->lines->Objects(0));
    ASSERT_NE(obj, nullptr) << sameClass;
    EXPECT_NE(obj, b->lines->Objects(0));
    EXPECT_EQ(obj->name, "on l1");
    EXPECT_EQ(copy->lines->Objects(1), nullptr);
  }
  TDerivedB copy;
  copy.Assign(*b);
  b.reset();  // the copy's object outlives the source's
  EXPECT_EQ(static_cast<TChildObj*>(copy.lines->Objects(0))->name, "on l1");
}

TEST_F(OlvClassTest, CopyBetweenUnrelatedClassesRaises) {
  TChildObj a;
  TNode b;
  EXPECT_THROW(a.CopyPropsTo(b, ""), EPropError);
}

TEST_F(OlvClassTest, CloneCarriesWhatTheStreamCarries) {
  TNode n;
  n.limit = 0;  // has no value: the clone keeps the constructor's 5
  n.next = std::make_unique<TNode>();
  n.next->limit = 9;
  auto c = CloneAs(n);
  EXPECT_EQ(c->ClassType().name, "TNode");
  EXPECT_EQ(c->limit, 5);
  ASSERT_NE(c->next, nullptr);
  EXPECT_EQ(c->next->limit, 9);
}

TEST_F(OlvClassTest, FreeFieldsReleasesOwnedFields) {
  TBaseA a;
  FillA(a);
  a.FreeFields();
  EXPECT_EQ(a.child, nullptr);
  EXPECT_EQ(a.list, nullptr);
  EXPECT_EQ(a.lines, nullptr);
  EXPECT_EQ(a.schName, "nightly");  // not owned
  a.FreeFields();                   // nil fields: nothing to do
}

TEST_F(OlvClassTest, RegistryLastRegistrationWinsAndAliasesResolve) {
  EXPECT_EQ(FindObjClass("tchildobj"), &TChildObj::StaticClass());
  EXPECT_EQ(FindObjClass("TListContainer"), &TListContainer::StaticClass());
  // Another class registered under a taken name replaces it.
  static const TClass impostor{"TChildObj", &TBaseObject::StaticClass(),
                               []() -> std::unique_ptr<TBaseObject> { return std::make_unique<TNode>(); }};
  RegisterObjClass(impostor);
  EXPECT_EQ(CreateObjByClassName("TChildObj")->ClassType().name, "TNode");
  RegisterObjClass(TChildObj::StaticClass());
  // An alias reads as the class, which keeps its own name.
  RegisterObjClassAlias(TNode::StaticClass(), "TOldNode");
  EXPECT_EQ(CreateObjByClassName("TOldNode")->ClassType().name, "TNode");
  EXPECT_EQ(FindObjClass("TNode"), &TNode::StaticClass());
  UnregisterObjClasses({&TNode::StaticClass()});
  EXPECT_EQ(FindObjClass("TOldNode"), nullptr);
  EXPECT_THROW(CreateObjByClassName("TNode"), EClassNotFound);
  RegisterObjClass(TNode::StaticClass());
}

TEST_F(OlvClassTest, ClassChain) {
  EXPECT_TRUE(TDerivedB::StaticClass().InheritsFrom(TBaseA::StaticClass()));
  EXPECT_TRUE(TDerivedB::StaticClass().InheritsFrom(TBaseObject::StaticClass()));
  EXPECT_FALSE(TBaseA::StaticClass().InheritsFrom(TDerivedB::StaticClass()));
  TDerivedB b;
  TBaseObject& base = b;
  EXPECT_EQ(base.GetClassNameStr(), "TDerivedB");
  EXPECT_EQ(kObjectClipboardFormat, "OlvekObject");
}

TEST(WildcardMatch, Table) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  };
  const Case cases[] = {
      {"abc", "abc", true}, {"abc", "abd", false}, {"a?c", "abc", true}, {"*", "", true},
      {"*ab", "abab", true}, {"a*b*c", "aXbYbZc", true}, {"a*b", "ab", true}, {"a*b", "a", false},
      {"Abc", "abc", false},
  };
  for (const auto& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.text), c.match) << c.pattern << " " << c.text;
}

}  // namespace
