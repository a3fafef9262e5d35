// Every field kind and list kind through the stream and back; skipping what a class does not
// report; names matched without regard to case; GBK texts of the original's files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "foundation/objects/ObjStream.h"
#include "tests/support/StreamBytes.h"
#include "tests/support/TestObjects.h"

using namespace olv;
using namespace olvtest;

namespace {

class ObjStreamRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestClasses(); }

  template <class T>
  static std::unique_ptr<T> Read(const std::string& bytes) {
    TMemoryStream s(bytes);
    auto obj = ReadObjectFromStream(s);
    auto* t = dynamic_cast<T*>(obj.get());
    EXPECT_NE(t, nullptr);
    obj.release();
    return std::unique_ptr<T>(t);
  }
};

std::unique_ptr<TChildObj> Child(const std::string& name, int value = 0) {
  auto c = std::make_unique<TChildObj>();
  c->name = name;
  c->value = value;
  return c;
}

const std::string& NameOf(TBaseObject* o) { return static_cast<TChildObj*>(o)->name; }

void Fill(TAllKinds& a) {
  a.str = "text with 中文";
  a.hidden = "secret pw";
  a.pchar = "pchar";
  a.shortStr = "short";
  a.obj = Child("inner", 7);
  a.list->Add(Child("l0"));
  a.list->Add(Child("l1", -5));
  a.stack = std::make_unique<TStack>();
  a.stack->Push(Child("s0"));
  a.olvList->AddObject("a=1", Child("oa").release());
  a.olvList->AddObject("b=2", nullptr);
  a.olvList->AddObject("c=3", Child("oc").release());
  a.strList = std::make_unique<TStringList>(true);
  a.strList->AddObject("x", Child("sx").release());
  a.strings = std::make_unique<TStringList>();
  a.strings->Add("one");
  a.strings->Add(std::string(300, 'L'));
  a.fixedStrings = std::make_unique<OlvStringList>();
  a.fixedStrings->Add("fixed");
  a.en = 3;
  a.i32 = -123456789;
  a.i8 = -7;
  a.i16 = -30000;
  a.li = 2147483647;
  a.u8 = 250;
  a.u16 = 65535;
  a.u32 = 4000000000u;
  a.b = true;
  a.byteBool = 1;
  a.wordBool = 1;
  a.longBool = 1;
  a.ch = 'Z';
  a.real = 2.25;
  a.single = 2.5f;
  a.dbl = 1.0 / 3.0;
  a.ext = 1.0L / 3.0L;
  a.comp = -9000000000LL;
  a.curr = 123456789;  // 12345.6789
  a.i64 = 0x123456789ABCDEFLL;
  a.date = 45000.25;
  a.set8 = 0x81;
  a.set16 = 0x8001;
  a.set32 = 0x80000001u;
  a.set64 = 0x8000000000000001ULL;
  a.set128[15] = 0xAA;
  a.set256[31] = 0xBB;
  a.rec.a = 42;
  std::memcpy(a.rec.tag, "rec!!", 6);
}

TEST_F(ObjStreamRoundTrip, EveryKindComesBackAsWritten) {
  TAllKinds a;
  Fill(a);
  auto c = Read<TAllKinds>(ObjectToBytes(&a));
  EXPECT_EQ(c->str, a.str);
  EXPECT_EQ(c->hidden, a.hidden);
  EXPECT_EQ(c->pchar, a.pchar);
  EXPECT_EQ(c->shortStr, a.shortStr);
  ASSERT_NE(c->obj, nullptr);
  EXPECT_EQ(c->obj->name, "inner");
  EXPECT_EQ(c->obj->value, 7);
  ASSERT_EQ(c->list->Count(), 2);
  EXPECT_EQ(NameOf(c->list->Items(1)), "l1");
  EXPECT_EQ(static_cast<TChildObj*>(c->list->Items(1))->value, -5);
  ASSERT_NE(c->stack, nullptr);
  ASSERT_EQ(c->stack->Count(), 1);
  EXPECT_EQ(NameOf(c->stack->Items(0)), "s0");
  ASSERT_EQ(c->olvList->Count(), 3);
  EXPECT_EQ(c->olvList->Strings(1), "b=2");
  EXPECT_EQ(NameOf(c->olvList->Objects(0)), "oa");
  EXPECT_EQ(c->olvList->Objects(1), nullptr);
  EXPECT_EQ(NameOf(c->olvList->Objects(2)), "oc");
  ASSERT_NE(c->strList, nullptr);
  EXPECT_EQ(NameOf(c->strList->Objects(0)), "sx");
  ASSERT_NE(c->strings, nullptr);
  ASSERT_EQ(c->strings->Count(), 2);
  EXPECT_EQ(c->strings->Strings(1), std::string(300, 'L'));
  ASSERT_NE(c->fixedStrings, nullptr);
  EXPECT_EQ(c->fixedStrings->Strings(0), "fixed");
  EXPECT_EQ(c->en, 3);
  EXPECT_EQ(c->i32, a.i32);
  EXPECT_EQ(c->i8, a.i8);
  EXPECT_EQ(c->i16, a.i16);
  EXPECT_EQ(c->li, a.li);
  EXPECT_EQ(c->u8, a.u8);
  EXPECT_EQ(c->u16, a.u16);
  EXPECT_EQ(c->u32, a.u32);
  EXPECT_TRUE(c->b);
  // The Boolean kinds of wider width store true as all bits set.
  EXPECT_EQ(c->byteBool, 0xFF);
  EXPECT_EQ(c->wordBool, 0xFFFF);
  EXPECT_EQ(c->longBool, 0xFFFFFFFFu);
  EXPECT_EQ(c->ch, 'Z');
  EXPECT_EQ(c->real, a.real);
  EXPECT_EQ(c->single, a.single);
  EXPECT_EQ(c->dbl, a.dbl);
  EXPECT_EQ(static_cast<double>(c->ext), static_cast<double>(a.ext));
  EXPECT_EQ(c->comp, a.comp);
  EXPECT_EQ(c->curr, a.curr);
  EXPECT_EQ(c->i64, a.i64);
  EXPECT_EQ(c->date, a.date);
  EXPECT_EQ(c->set8, a.set8);
  EXPECT_EQ(c->set16, a.set16);
  EXPECT_EQ(c->set32, a.set32);
  EXPECT_EQ(c->set64, a.set64);
  EXPECT_EQ(c->set128, a.set128);
  EXPECT_EQ(c->set256, a.set256);
  EXPECT_EQ(c->rec.a, 42);
  EXPECT_STREQ(c->rec.tag, "rec!!");
  // And the copy writes the same bytes again (the hidden string aside, which is scrambled anew).
  c->hidden.clear();
  TAllKinds a2;
  Fill(a2);
  a2.hidden.clear();
  EXPECT_EQ(ObjectToBytes(c.get()), ObjectToBytes(&a2));
}

TEST_F(ObjStreamRoundTrip, HiddenStringIsStoredScrambled) {
  TAllKinds a;
  a.hidden = "Tiger";
  const std::string bytes = ObjectToBytes(&a);
  EXPECT_EQ(bytes.find("Tiger"), std::string::npos);
  EXPECT_EQ(Read<TAllKinds>(bytes)->hidden, "Tiger");
  // A hidden string stored plainly reads back as it is.
  const std::string plain = Bytes().raw("TPF0").rec("TAllKinds", "").name("Hidden").str("plain").end().end();
  EXPECT_EQ(Read<TAllKinds>(plain)->hidden, "plain");
}

TEST_F(ObjStreamRoundTrip, StoredStringListKindTravelsWithItsObjects) {
  THolder h;
  h.stored = std::make_unique<TStoredStrList>();
  h.stored->List->AddObject("k=v", Child("kv").release());
  const std::string bytes = ObjectToBytes(&h);
  EXPECT_NE(bytes.find("StoredStrList"), std::string::npos);
  auto c = Read<THolder>(bytes);
  ASSERT_NE(c->stored, nullptr);
  ASSERT_EQ(c->stored->List->Count(), 1);
  EXPECT_EQ(c->stored->List->Strings(0), "k=v");
  EXPECT_EQ(NameOf(c->stored->List->Objects(0)), "kv");
}

TEST_F(ObjStreamRoundTrip, FieldNamesMatchWithoutRegardToCase) {
  const std::string bytes =
      Bytes().raw("TPF0").rec("tchildobj", "").name("NAME").str("upper").name("vAlUe").int8(9).end().end();
  auto c = Read<TChildObj>(bytes);
  EXPECT_EQ(c->name, "upper");
  EXPECT_EQ(c->value, 9);
}

// A value or record that no field reports is skipped whole, whatever its tag, and the fields
// after it are still read.
TEST_F(ObjStreamRoundTrip, UnknownFieldsAndRecordsAreSkipped) {
  struct Case {
    const char* what;
    std::string value;
  };
  const Case cases[] = {
      {"list", Bytes().b(1).int8(1).str("x").b(1).b(8).end().end()},
      {"int8", Bytes().int8(5)},
      {"int16", Bytes().int16(500)},
      {"int32", Bytes().int32(70000)},
      {"extended", Bytes().b(5).le(0, 8).le(0x3FFF, 2)},
      {"short string", Bytes().str("abc")},
      {"ident", Bytes().b(7).b(3).raw("abc")},
      {"false/true/nil/null", Bytes().b(8)},
      {"binary", Bytes().b(10).le(3, 4).raw("abc")},
      {"set", Bytes().b(11).name("a").name("bc").b(0)},
      {"long string", Bytes().b(12).le(300, 4).raw(std::string(300, 's'))},
      {"collection", Bytes().b(14).int8(1).b(1).name("P").int8(2).end().b(1).end().end()},
      {"single", Bytes().b(15).le(0, 4)},
      {"date", Bytes().b(17).le(0, 8)},
      {"int64", Bytes().b(19).le(1, 8)},
      {"wide string", Bytes().b(18).le(2, 4).raw(std::string("a\0b\0", 4))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = Bytes()
                                  .raw("TPF0")
                                  .rec("TChildObj", "")
                                  .name("Gone")
                                  .raw(c.value)
                                  .name("Name")
                                  .str("kept")
                                  .end()
                                  // a record for a field the class does not report, with a nested one
                                  .rec("TNoSuchClass", "OldField")
                                  .name("A")
                                  .int8(1)
                                  .end()
                                  .rec("TOther", "Deeper")
                                  .name("B")
                                  .str("b")
                                  .end()
                                  .end()
                                  .end()
                                  .end();
    TMemoryStream s(bytes + "trailing");
    auto obj = ReadObjectFromStream(s);
    auto* child = dynamic_cast<TChildObj*>(obj.get());
    ASSERT_NE(child, nullptr) << c.what;
    EXPECT_EQ(child->name, "kept") << c.what;
    EXPECT_EQ(s.Position(), static_cast<int64_t>(bytes.size())) << c.what;
  }
}

TEST_F(ObjStreamRoundTrip, AbsentFieldsKeepWhatTheConstructorGave) {
  TNode n;
  n.limit = 0;  // not written
  auto c = Read<TNode>(ObjectToBytes(&n));
  EXPECT_EQ(c->limit, 5);
  EXPECT_EQ(CloneAs(n)->limit, 5);
}

TEST_F(ObjStreamRoundTrip, UnknownEnumNameLeavesTheField) {
  const std::string bytes = Bytes().raw("TPF0").rec("TSmall", "").name("Mode").str("Turbo").end().end();
  EXPECT_EQ(Read<TSmall>(bytes)->mode, 0);
}

TEST_F(ObjStreamRoundTrip, GbkTextsOfTheOriginalsFilesLoad) {
  const std::string gbk = "\xB2\xCE\xCA\xFD\xB1\xED";  // the three characters below, in GBK
  const std::string bytes = Bytes().raw("TPF0").rec("TAllKinds", "").name("Str").str(gbk)
                                .name("Strings").b(1).str("StringList").str(gbk).end().end().end();
  auto c = Read<TAllKinds>(bytes);
  EXPECT_EQ(c->str, "参数表");
  ASSERT_NE(c->strings, nullptr);
  EXPECT_EQ(c->strings->Strings(0), "参数表");
}

// A list stored under another kind than the field's type is moved into the field's type.
TEST_F(ObjStreamRoundTrip, StringListKindFitsTheFieldType) {
  const std::string bytes = Bytes().raw("TPF0").rec("TAllKinds", "").name("Fixed")
                                .b(1).str("one").end().end()  // kind fixed: no kind name
                                .rec("TListContainer", "OlvList")
                                .name("ListType").str("StringList")
                                .name("ListCount").int8(1)
                                .name("Strings").b(1).str("line").end()
                                .end()
                                .rec("TChildObj", "Object_0").end().end()
                                .end()
                                .end();
  auto c = Read<TAllKinds>(bytes);
  ASSERT_EQ(c->olvList->Count(), 1);
  EXPECT_EQ(c->olvList->Strings(0), "line");
  EXPECT_NE(c->olvList->Objects(0), nullptr);
  EXPECT_EQ(c->fixedStrings->Strings(0), "one");
}

TEST_F(ObjStreamRoundTrip, LongListReadsBackInOrder) {
  TSmall s;
  for (int i = 0; i < 5000; ++i) s.items->Add(Child(std::to_string(i)));
  auto c = Read<TSmall>(ObjectToBytes(&s));
  ASSERT_EQ(c->items->Count(), 5000);
  for (int i : {0, 9, 10, 4999}) EXPECT_EQ(NameOf(c->items->Items(i)), std::to_string(i));
}

TEST_F(ObjStreamRoundTrip, UnsupportedKindsSayWhat) {
  TWithVariant v;
  try {
    ObjectToBytes(&v);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("not supported"), std::string::npos) << e.what();
  }
  TWithComponent c;
  EXPECT_THROW(ObjectToBytes(&c), Exception);
}

}  // namespace

namespace {
// A container whose kind makes no list ("UserDefine", "Unknown"), or a string field of such a
// kind, leaves the field as the constructor set it rather than null.
TEST_F(ObjStreamRoundTrip, ListOfAKindWithoutListKeepsTheConstructorsList) {
  for (const char* kind : {"UserDefine", "Unknown"}) {
    const std::string bytes = Bytes().raw("TPF0").rec("TAllKinds", "")
                                  .name("Strings").b(1).str(kind).str("dropped").end()
                                  .end()
                                  .rec("TListContainer", "OlvList").name("ListType").str(kind)
                                  .name("ListCount").int8(1).end()
                                  .rec("TChildObj", "Object_0").end().end()
                                  .end()
                                  .end();
    auto c = Read<TAllKinds>(bytes);
    ASSERT_NE(c->olvList, nullptr) << kind;
    EXPECT_EQ(c->olvList->Count(), 0) << kind;
    EXPECT_EQ(c->strings, nullptr) << kind;
  }
}
}  // namespace
