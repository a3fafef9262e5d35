// Fields read and written as variants, and the complex values of a record (heap strings,
// variants, blobs): created, shared by reference, copied and freed with the record, and the
// in-place edit of a stored record with cancel and post; each over every kind of store.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/DBObject.h"
#include "dataaccess/MemData.h"
#include "dataaccess/RecordBuffer.h"
#include "tests/dataaccess/OwnFormatStore.h"

namespace da {
namespace {

class VariantAccess : public ::testing::TestWithParam<testing::StoreKind> {
 protected:
  void SetUp() override {
    data.AutoInitFields = false;
    data.AddField("S", dtString, 5);
    data.AddField("I8", dtInt8);
    data.AddField("I16", dtInt16);
    data.AddField("I32", dtInt32);
    data.AddField("F", dtFloat).Scale = 2;
    data.AddField("D", dtDate);
    data.AddField("B", dtBoolean);
    data.AddField("I64", dtInt64);
    data.AddField("U32", dtUInt32);
    data.AddField("BY", dtBytes, 2);
    data.AddField("VB", dtVarBytes, 3);
    data.AddField("XB", dtExtVarBytes, 3);
    data.AddField("W", dtWideString, 3);
    data.AddField("XS", dtExtString);
    data.AddField("XW", dtExtWideString);
    data.AddField("V", dtVariant);
    data.AddField("M", dtMemo);
    data.AddField("U16", dtUInt16);
    data.AddField("C", dtCurrency);
    data.InitFields();
    data.Open();
    rec.reset(data.AllocRecBuf());
    data.InitRecord(rec.get());
    data.CreateComplexFields(rec.get(), true);
  }
  void TearDown() override { data.FreeComplexFields(rec.get(), true); }

  Variant Get(const char* name) { return data.GetFieldAsVariant(data.FieldByName(name).FieldNo, rec.get()); }
  void Put(const char* name, const Variant& v) { data.PutFieldAsVariant(data.FieldByName(name).FieldNo, rec.get(), v); }

  std::unique_ptr<TMemData> store = testing::MakeStore(GetParam());
  TMemData& data = *store;
  std::unique_ptr<std::uint8_t[]> rec;
};

INSTANTIATE_TEST_SUITE_P(Stores, VariantAccess, testing::kAllStores, testing::StoreName);

TEST_P(VariantAccess, AcceptedValuesAreStoredAndReadBack) {
  struct Case {
    const char* field;
    Variant in;
    Variant out;
  };
  const Case cases[] = {
      {"S", Variant("abcdefgh"), Variant("abcde")},
      {"S", Variant(42), Variant("42")},
      {"S", Variant("h\xC3\xA9llo"), Variant("h\xC3\xA9ll")},  // never half a character
      {"I8", Variant(300), Variant(44)},
      {"I16", Variant::Smallint(-7), Variant(-7)},
      {"I32", Variant("12"), Variant(12)},
      {"I32", Variant(12.6), Variant(13)},
      {"F", Variant(1.239), Variant(1.24)},
      {"F", Variant("2.5"), Variant(2.5)},
      {"F", Variant(7), Variant(7.0)},
      {"D", Variant("2004.11.20"), Variant::Date(38311)},
      {"B", Variant(true), Variant(true)},
      {"I64", Variant(std::int64_t{1} << 40), Variant(std::int64_t{1} << 40)},
      // A 32-bit unsigned value comes back as a 64-bit integer: no wrap to a negative number.
      {"U32", Variant::LongWord(4000000000u), Variant(std::int64_t{4000000000LL})},
      {"BY", Variant(std::vector<std::uint8_t>{1, 2}), Variant(std::vector<std::uint8_t>{1, 2})},
      {"VB", Variant(std::vector<std::uint8_t>{7, 8, 9}), Variant(std::vector<std::uint8_t>{7, 8, 9})},
      {"XB", Variant(std::vector<std::uint8_t>{5}), Variant(std::vector<std::uint8_t>{5})},
      {"W", Variant(u"wxyz"), Variant(u"wxy")},
      {"XS", Variant(3.5), Variant("3.5")},
      {"XW", Variant("wide"), Variant(u"wide")},
      {"V", Variant::Smallint(3), Variant::Smallint(3)},
      {"M", Variant("memo text"), Variant("memo text")},
      {"U16", Variant::Word(65535), Variant(65535)},
      {"C", Variant::Currency(1.5), Variant(1.5)},
  };
  for (const auto& c : cases) {
    Put(c.field, c.in);
    EXPECT_EQ(Get(c.field), c.out) << c.field << " " << c.in.AsString();
  }
}

TEST_P(VariantAccess, RefusedValuesLeaveTheFieldUnchanged) {
  struct Case {
    const char* field;
    Variant in;
    bool conversion;  // EConvertError rather than "Cannot convert type."
  };
  const Case cases[] = {
      {"I32", Variant("x12"), true},
      {"B", Variant::Date(1), false},
      {"B", Variant(1), false},
      {"I16", Variant(1.5), false},
      {"I64", Variant(5), false},
      {"U32", Variant(5), false},
      {"D", Variant(true), false},
      {"F", Variant(true), false},
      {"F", Variant("abc"), true},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> before(rec.get(), rec.get() + data.RecordSize());
    try {
      Put(c.field, c.in);
      ADD_FAILURE() << c.field;
    } catch (const EConvertError&) {
      EXPECT_TRUE(c.conversion) << c.field;
    } catch (const Exception& e) {
      EXPECT_FALSE(c.conversion) << c.field;
      EXPECT_STREQ(e.what(), "Cannot convert type.");
    }
    EXPECT_EQ(std::vector<std::uint8_t>(rec.get(), rec.get() + data.RecordSize()), before) << c.field;
  }
  EXPECT_THROW(Put("BY", Variant(std::vector<std::uint8_t>{1, 2, 3})), EAssertionFailed);
  EXPECT_THROW(Put("VB", Variant(std::vector<std::uint8_t>{1, 2, 3, 4})), EAssertionFailed);
}

TEST_P(VariantAccess, NullAndEmptyMakeAnyFieldNull) {
  for (int no = 1; no <= data.GetFieldCount(); ++no) {
    const TFieldDesc& f = data.FieldAt(no);
    for (const Variant& v : {Variant(true), Variant::LongWord(1), Variant(std::int64_t{1}), Variant(1),
                             Variant(std::vector<std::uint8_t>{1, 2})}) {
      try {
        Put(f.Name.c_str(), v);
        break;
      } catch (const Exception&) {
      }
    }
    EXPECT_FALSE(data.GetNull(no, rec.get())) << f.Name;
    data.PutFieldAsVariant(no, rec.get(), no % 2 ? Variant::Null() : Variant());
    EXPECT_TRUE(data.GetNull(no, rec.get())) << f.Name;
    EXPECT_TRUE(data.GetFieldAsVariant(no, rec.get()).IsNull()) << f.Name;
  }
}

TEST_P(VariantAccess, CopiedRecordsOwnTheirReferences) {
  Put("XS", Variant("shared"));
  Put("V", Variant("variant"));
  std::unique_ptr<std::uint8_t[]> copy(data.AllocRecBuf());
  std::memcpy(copy.get(), rec.get(), data.RecordSize());
  data.AddRefComplexFields(copy.get());
  data.FreeComplexFields(copy.get(), true);
  EXPECT_EQ(Get("XS"), Variant("shared"));
  EXPECT_EQ(Get("V"), Variant("variant"));

  // A deep copy gets its own heap values and variant contents.
  std::memcpy(copy.get(), rec.get(), data.RecordSize());
  data.CreateComplexFields(copy.get(), false);
  data.CopyComplexFields(rec.get(), copy.get(), false);
  data.PutFieldAsVariant(data.FieldByName("XS").FieldNo, copy.get(), Variant("changed"));
  data.PutFieldAsVariant(data.FieldByName("V").FieldNo, copy.get(), Variant(2));
  EXPECT_EQ(Get("XS"), Variant("shared"));
  EXPECT_EQ(Get("V"), Variant("variant"));
  EXPECT_THROW(data.CopyComplexFields(rec.get(), copy.get(), true), EAssertionFailed);
  data.FreeComplexFields(copy.get(), false);
}

TEST_P(VariantAccess, FreeingAfterTheHeapWasClearedLeavesChunksAlone) {
  Put("XS", Variant("gone with the heap"));
  data.StringHeap().Clear();
  data.FreeComplexFields(rec.get(), false);  // must not touch the freed page (checked under ASan)
  EXPECT_EQ(ReadPointer(rec.get() + data.FieldByName("XS").Offset), nullptr);
}

class RecordEdit : public ::testing::TestWithParam<testing::StoreKind> {};
INSTANTIATE_TEST_SUITE_P(Stores, RecordEdit, testing::kAllStores, testing::StoreName);

TEST_P(RecordEdit, CancelRestoresVariantsAndBlobs) {
  std::unique_ptr<TMemData> store = testing::MakeStore(GetParam());
  TMemData& data = *store;
  data.AutoInitFields = false;
  data.AddField("V", dtVariant);
  data.AddField("B", dtBlob);
  data.AddField("XS", dtExtString);
  data.InitFields();
  data.Open();
  std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
  data.InitRecord(rec.get());
  data.CreateComplexFields(rec.get(), true);
  data.PutFieldAsVariant(1, rec.get(), Variant("old"));
  data.PutFieldAsVariant(2, rec.get(), Variant("old blob"));
  data.PutFieldAsVariant(3, rec.get(), Variant("old text"));
  data.AppendRecord(rec.get());

  // The edit buffer shares the stored record's values until EditRecord gives the store copies.
  std::unique_ptr<std::uint8_t[]> edit(data.AllocRecBuf());
  data.GetRecord(edit.get());
  data.EditRecord(edit.get());
  data.PutFieldAsVariant(1, edit.get(), Variant("new"));
  data.PutFieldAsVariant(3, edit.get(), Variant("new text"));
  TBlob* blob = data.GetBlob(2, edit.get());
  blob->EnableCache();
  data.WriteBlob(2, edit.get(), 0, 3, "NEW");
  data.CancelRecord(edit.get());

  data.GetRecord(rec.get());
  EXPECT_EQ(data.GetFieldAsVariant(1, rec.get()), Variant("old"));
  EXPECT_THROW(data.GetFieldAsVariant(2, rec.get()), Exception);  // a dtBlob has no variant form
  EXPECT_EQ(data.GetBlob(2, rec.get())->GetAsString(), "old blob");
  EXPECT_EQ(data.GetFieldAsVariant(3, rec.get()), Variant("old text"));

  // Post keeps the edit and drops the replaced version's values.
  data.GetRecord(edit.get());
  data.EditRecord(edit.get());
  data.PutFieldAsVariant(1, edit.get(), Variant("posted"));
  data.PutFieldAsVariant(3, edit.get(), Variant("posted text"));
  data.WriteBlob(2, edit.get(), 0, 3, "NEW");
  data.PostRecord(edit.get());
  data.GetRecord(rec.get());
  EXPECT_EQ(data.GetFieldAsVariant(1, rec.get()), Variant("posted"));
  EXPECT_EQ(data.GetFieldAsVariant(3, rec.get()), Variant("posted text"));
  EXPECT_EQ(data.GetBlob(2, rec.get())->GetAsString(), "NEW blob");
  EXPECT_EQ(data.GetBlob(2, rec.get())->Rollback(), nullptr);
}

}  // namespace
}  // namespace da
