// Damaged, truncated and hostile streams: each raises an error that says what is wrong, never
// crashes, never reads past the end.
#include <gtest/gtest.h>

#include "foundation/objects/ObjStream.h"
#include "tests/support/StreamBytes.h"
#include "tests/support/TestObjects.h"

using namespace olv;
using namespace olvtest;

namespace {

class ObjStreamDamage : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestClasses(); }

  static std::string ErrorOf(const std::string& bytes) {
    TMemoryStream s(bytes);
    try {
      ReadObjectFromStream(s);
    } catch (const Exception& e) {
      return e.what();
    }
    return "(no error)";
  }
};

std::string ValidStream() {
  TAllKinds a;
  a.str = "s";
  a.hidden = "h";
  a.obj = std::make_unique<TChildObj>();
  a.obj->name = "n";
  a.list->Add(std::make_unique<TChildObj>());
  a.olvList->AddObject("line", new TChildObj);
  a.strings = std::make_unique<TStringList>();
  a.strings->Add("x");
  a.i32 = 1 << 20;
  a.ext = 1.5L;
  a.date = 2.0;
  a.rec.a = 1;
  a.b = true;
  a.en = 1;
  return ObjectToBytes(&a);
}

TEST_F(ObjStreamDamage, EveryTruncatedPrefixRaises) {
  const std::string full = ValidStream();
  ASSERT_EQ(ErrorOf(full), "(no error)");
  for (size_t n = 0; n < full.size(); ++n) {
    TMemoryStream s(full.substr(0, n));
    EXPECT_THROW(ReadObjectFromStream(s), Exception) << "prefix of " << n << " bytes";
  }
}

TEST_F(ObjStreamDamage, HostileInputsSayWhatIsWrong) {
  const std::string head = Bytes().raw("TPF0").rec("TChildObj", "");
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;  // a part of the error text
  };
  const Case cases[] = {
      {"signature", "TPF1\x00", "Invalid stream format"},
      {"short signature", "TP", "Invalid stream format"},
      {"unregistered class", Bytes().raw("TPF0").rec("TNotRegistered", "").end().end(),
       "TNotRegistered"},
      {"string length past the end", head + Bytes().name("Name").b(12).le(0x7FFFFFFF, 4).raw("abc").str(),
       "ends inside a text"},
      {"negative string length", head + Bytes().name("Name").b(12).le(0xFFFFFFFF, 4).str(),
       "negative length"},
      {"name length past the end", head + Bytes().b(255).le(1u << 30, 4).str(), "ends inside a name"},
      {"negative name length", head + Bytes().b(255).le(0x80000000u, 4).str(), "negative length"},
      {"binary length past the end", head + Bytes().name("Gone").b(10).le(1000, 4).str(),
       "ends inside a skipped value"},
      {"unknown tag", head + Bytes().name("Gone").b(0x30).end().end().str(), "unknown value tag 48"},
      {"string where an integer belongs", head + Bytes().name("Value").str("1").end().end().str(),
       "Invalid property value"},
      {"integer where a string belongs", head + Bytes().name("Name").int8(1).end().end().str(),
       "Invalid property value"},
      {"a record for a simple field", head + Bytes().end().rec("TChildObj", "Name").end().end().end().str(),
       "holds a simple value"},
      {"a simple value for an object field",
       Bytes().raw("TPF0").rec("TNode", "").name("Next").int8(1).end().end().str(), "holds an object"},
      {"a list field holding another class",
       Bytes().raw("TPF0").rec("TSmall", "").end().rec("TChildObj", "Items").end().end().end().str(),
       "instead of a list container"},
      {"an object field holding the wrong class",
       Bytes().raw("TPF0").rec("TNode", "").end().rec("TChildObj", "Next").end().end().end().str(),
       "cannot hold an object of class"},
      {"an item without its line",
       Bytes().raw("TPF0").rec("TAllKinds", "").end()
           .rec("TListContainer", "OlvList").name("ListType").str("OlvStringList")
           .name("ListCount").int8(5).name("Strings").b(1).str("only").end().end()
           .rec("TChildObj", "Object_3").end().end().end().end().str(),
       "has no line"},
      {"binary kind with another tag", Bytes().raw("TPF0").rec("TAllKinds", "").name("S8").int8(1).end().end().str(),
       "Invalid property value"},
  };
  for (const auto& c : cases) {
    const std::string err = ErrorOf(c.bytes);
    EXPECT_NE(err.find(c.message), std::string::npos) << c.what << ": " << err;
  }
}

TEST_F(ObjStreamDamage, UnregisteredClassRaisesItsOwnError) {
  TMemoryStream s(Bytes().raw("TPF0").rec("TNotRegistered", "").end().end().str());
  EXPECT_THROW(ReadObjectFromStream(s), EClassNotFound);
}

TEST_F(ObjStreamDamage, NestingIsCapped) {
  // Records nested far deeper than any real file: refused with a clear error, not a stack overflow.
  Bytes deep;
  deep.raw("TPF0");
  const int levels = 100000;
  for (int i = 0; i < levels; ++i) deep.rec("TNode", "Next").end();
  const std::string err = ErrorOf(deep.str());
  EXPECT_NE(err.find("nest deeper"), std::string::npos) << err;
  // Values nested inside a skipped field likewise.
  Bytes lists;
  lists.raw("TPF0").rec("TChildObj", "").name("Gone");
  for (int i = 0; i < levels; ++i) lists.b(1);
  EXPECT_NE(ErrorOf(lists.str()).find("nest deeper"), std::string::npos);
  // A chain within the cap reads.
  TNode root;
  TNode* at = &root;
  for (int i = 0; i < kMaxObjectDepth - 2; ++i) {
    at->next = std::make_unique<TNode>();
    at = at->next.get();
  }
  EXPECT_EQ(ErrorOf(ObjectToBytes(&root)), "(no error)");
}

TEST_F(ObjStreamDamage, WiderBinaryValueFillsTheFieldAndSkipsTheRest) {
  const std::string bytes = Bytes().raw("TPF0").rec("TAllKinds", "")
                                .name("S16").b(10).le(4, 4).raw("\x01\x02\x03\x04")
                                .name("S32").b(10).le(1, 4).raw("\x07")
                                .name("I32").int8(3).end().end();
  TMemoryStream s(bytes);
  auto obj = ReadObjectFromStream(s);
  auto* a = static_cast<TAllKinds*>(obj.get());
  EXPECT_EQ(a->set16, 0x0201);
  EXPECT_EQ(a->set32, 7u);
  EXPECT_EQ(a->i32, 3);
}

TEST_F(ObjStreamDamage, HugeListCountAllocatesNothingUpFront) {
  const std::string bytes = Bytes().raw("TPF0").rec("TSmall", "").end()
                                .rec("TListContainer", "Items").name("ListType").str("List")
                                .name("ListCount").int32(0x7FFFFFFF).name("Strings").b(1).end().end()
                                .rec("TChildObj", "Object_2000000000").end().end()
                                .end().end();
  TMemoryStream s(bytes);
  auto obj = ReadObjectFromStream(s);
  EXPECT_EQ(static_cast<TSmall*>(obj.get())->items->Count(), 1);
}

}  // namespace
