// Record layout and typed field access of the record store: sizes and offsets of every data
// type, unique column names, typed put and get in the dataset's formats (dates, trimming, empty
// strings, line ends, rounding), NULL rules, child fields of object columns and the errors; the
// stores' own cases over every kind of store.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/DBObject.h"
#include "dataaccess/MemData.h"
#include "dataaccess/RecordBuffer.h"
#include "tests/dataaccess/OwnFormatStore.h"

namespace da {
namespace {

using testing::StoreKind;

// Over every kind of store.
class RecordLayout : public testing::StoreTest {};
class FieldAccess : public testing::StoreTest {};
class ObjectFields : public testing::StoreTest {};
INSTANTIATE_TEST_SUITE_P(Stores, RecordLayout, testing::kAllStores, testing::StoreName);
INSTANTIATE_TEST_SUITE_P(Stores, FieldAccess, testing::kAllStores, testing::StoreName);
INSTANTIATE_TEST_SUITE_P(Stores, ObjectFields, testing::kAllStores, testing::StoreName);

// A store whose columns are "described" on opening, as a server store does.
class DescribedStore : public TMemData {
 public:
  std::vector<std::string> Columns;
  bool ConvertEOL = false;

 protected:
  void InternalInitFields() override {
    for (const auto& c : Columns) AddField(c, dtInt32);
  }
  bool GetConvertEOL() const override { return ConvertEOL; }
};

struct Buf {
  explicit Buf(TData& d) : p(d.AllocRecBuf()) { d.InitRecord(p.get()); }
  std::uint8_t* get() { return p.get(); }
  std::unique_ptr<std::uint8_t[]> p;
};

TEST_P(RecordLayout, EveryTypeHasItsSizeAndFieldsFollowEachOther) {
  struct TypeSize {
    TDataType type;
    std::uint16_t length;
    std::uint16_t size;
  };
  const std::uint16_t ptr = sizeof(void*);
  const TypeSize table[] = {
      {dtUnknown, 3, 3},   {dtString, 10, 11},   {dtInt8, 0, 1},      {dtInt16, 0, 2},      {dtInt32, 0, 4},
      {dtFloat, 0, 8},     {dtDate, 0, 8},       {dtTime, 0, 8},      {dtDateTime, 0, 8},   {dtUInt16, 0, 2},
      {dtBoolean, 0, 2},   {dtInt64, 0, 8},      {dtCurrency, 0, 8},  {dtBlob, 0, ptr},     {dtMemo, 0, ptr},
      {dtObject, 0, ptr},  {dtReference, 0, ptr}, {dtArray, 0, ptr},  {dtTable, 0, ptr},    {dtVariant, 0, ptr},
      {dtExtString, 0, ptr}, {dtBytes, 6, 6},    {dtVarBytes, 6, 8},  {dtExtVarBytes, 0, ptr}, {dtUInt32, 0, 4},
      {dtWideString, 5, 12}, {dtExtWideString, 0, ptr},
  };
  data.AutoInitFields = false;
  std::uint32_t offset = 0;
  for (const auto& t : table) {
    ASSERT_EQ(TData::FieldSizeOf(t.type, t.length), t.size) << t.type;
    data.AddField(std::string("F").append(std::to_string(t.type)), t.type, t.length);
    EXPECT_EQ(data.FieldAt(data.GetFieldCount()).Size, data.FieldSize(t.type, t.length)) << t.type;
  }
  data.InitFields();
  ASSERT_EQ(data.GetFieldCount(), 27);
  for (int i = 1; i <= 27; ++i) {
    EXPECT_EQ(data.FieldAt(i).Offset, offset) << i;
    EXPECT_EQ(data.FieldAt(i).FieldNo, i);
    offset += data.FieldAt(i).Size;
  }
  EXPECT_EQ(data.DataSize(), offset);
  EXPECT_EQ(data.RecordSize(), offset + 27 * testing::IndicatorBytes(GetParam()));  // the NULL indicators
  EXPECT_TRUE(data.HasComplexFields());

  std::unique_ptr<TMemData> plainStore = testing::MakeStore(GetParam());
  TMemData& plain = *plainStore;
  plain.AutoInitFields = false;
  plain.AddField("A", dtInt32);
  plain.AddField("B", dtObject);  // object values are a driver's, not complex here
  plain.InitFields();
  EXPECT_FALSE(plain.HasComplexFields());
}

TEST(DescribedColumns, DuplicateColumnNamesBecomeUnique) {
  struct Case {
    std::vector<std::string> columns;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {{"ID", "id", "Id"}, {"ID", "id_1", "Id_2"}},
      // A generated name that a column already has is passed over.
      {{"ID", "ID", "ID_1"}, {"ID", "ID_2", "ID_1"}},
      {{"ID_1", "ID", "ID"}, {"ID_1", "ID", "ID_2"}},
      {{"A", "B", "a"}, {"A", "B", "a_1"}},
      {std::vector<std::string>(11, "X"), {"X", "X_1", "X_2", "X_3", "X_4", "X_5", "X_6", "X_7", "X_8", "X_9", "X_10"}},
  };
  for (const auto& c : cases) {
    DescribedStore store;
    store.Columns = c.columns;
    store.InitFields();
    std::vector<std::string> names, actual;
    for (int i = 1; i <= store.GetFieldCount(); ++i) {
      names.push_back(store.FieldAt(i).Name);
      actual.push_back(store.FieldAt(i).ActualName);
    }
    EXPECT_EQ(names, c.names);
    EXPECT_EQ(actual, c.columns);  // the column name itself is kept
  }
}

TEST_P(FieldAccess, TypedValuesRoundTrip) {
  data.AutoInitFields = false;
  data.AddField("I8", dtInt8);
  data.AddField("I16", dtInt16);
  data.AddField("I32", dtInt32);
  data.AddField("U16", dtUInt16);
  data.AddField("I64", dtInt64);
  data.AddField("BOOL", dtBoolean);
  data.AddField("U32", dtUInt32);
  data.AddField("BYTES", dtBytes, 4);
  data.AddField("VB", dtVarBytes, 4);
  data.AddField("S", dtString, 6);
  data.AddField("W", dtWideString, 3);
  data.AddField("XS", dtExtString);
  data.AddField("XW", dtExtWideString);
  data.AddField("XB", dtExtVarBytes);
  data.InitFields();
  Buf rec(data);
  data.CreateComplexFields(rec.get(), true);

  std::int8_t i8 = -5;
  std::int16_t i16 = -300;
  std::int32_t i32 = -70000;
  std::uint16_t u16 = 65000;
  std::int64_t i64 = -(1LL << 40);
  std::int16_t b = -1;
  std::uint32_t u32 = 0xFFFFFFF0u;
  const std::uint8_t bytes[4] = {1, 0, 2, 255};
  const std::uint8_t vb[] = {3, 0, 7, 8, 9};
  data.PutFieldByNo(1, rec.get(), &i8);
  data.PutFieldByNo(2, rec.get(), &i16);
  data.PutFieldByNo(3, rec.get(), &i32);
  data.PutFieldByNo(4, rec.get(), &u16);
  data.PutFieldByNo(5, rec.get(), &i64);
  data.PutFieldByNo(6, rec.get(), &b);
  data.PutFieldByNo(7, rec.get(), &u32);
  data.PutFieldByNo(8, rec.get(), bytes);
  data.PutFieldByNo(9, rec.get(), vb);
  data.PutFieldByNo(10, rec.get(), "abcdefgh");  // cut to the Length
  data.PutFieldByNo(11, rec.get(), u"wxyz");
  data.PutFieldByNo(12, rec.get(), "heap text");
  data.PutFieldByNo(13, rec.get(), u"wide heap");
  data.PutFieldByNo(14, rec.get(), vb);

  bool blank = true;
  std::uint8_t out[64];
  auto get = [&](int no) {
    std::memset(out, 0xCC, sizeof out);
    data.GetFieldByNo(no, rec.get(), blank, out, sizeof out);
    EXPECT_FALSE(blank) << no;
  };
  get(1);
  EXPECT_EQ(ReadValue<std::int8_t>(out), i8);
  get(2);
  EXPECT_EQ(ReadValue<std::int16_t>(out), i16);
  get(3);
  EXPECT_EQ(ReadValue<std::int32_t>(out), i32);
  get(4);
  EXPECT_EQ(ReadValue<std::uint16_t>(out), u16);
  get(5);
  EXPECT_EQ(ReadValue<std::int64_t>(out), i64);
  get(6);
  EXPECT_EQ(ReadValue<std::int16_t>(out), -1);
  get(7);
  EXPECT_EQ(ReadValue<std::uint64_t>(out), 0xFFFFFFF0u);  // 8 bytes: zero high half
  get(8);
  EXPECT_EQ(std::memcmp(out, bytes, 4), 0);
  get(9);
  EXPECT_EQ(std::memcmp(out, vb, 5), 0);
  get(10);
  EXPECT_STREQ(reinterpret_cast<char*>(out), "abcdef");
  get(11);
  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(out)), u"wxy");
  get(12);
  EXPECT_STREQ(reinterpret_cast<char*>(out), "heap text");
  get(13);
  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(out)), u"wide heap");
  get(14);
  EXPECT_EQ(std::memcmp(out, vb, 5), 0);

  data.FreeComplexFields(rec.get(), true);
}

TEST_P(FieldAccess, DatesAndTimesUseTheTimeStampForms) {
  data.AutoInitFields = false;
  data.AddField("D", dtDate);
  data.AddField("T", dtTime);
  data.AddField("DT", dtDateTime);
  data.InitFields();
  Buf rec(data);
  const double day = EncodeDayNumber(2024, 3, 5);  // 45356

  // dtDate: 32-bit days since 0001-01-01 (that day is 1); stored as the day number at midnight.
  // The in-memory store keeps the day number itself; every store answers it as a variant.
  const bool dayNumbers = GetParam() == StoreKind::Memory;
  auto stored = [&](int no) {
    if (dayNumbers) {
      EXPECT_EQ(ReadValue<double>(rec.get() + data.FieldAt(no).Offset), data.GetFieldAsVariant(no, rec.get()).AsDate());
    }
    return data.GetFieldAsVariant(no, rec.get()).AsDate();
  };
  std::int32_t stampDay = static_cast<std::int32_t>(day) + 693594;
  data.PutFieldByNo(1, rec.get(), &stampDay);
  EXPECT_EQ(stored(1), day);
  // dtTime: milliseconds since midnight; a pure time (day 0).
  std::int32_t ms = (7 * 3600 + 8 * 60 + 9) * 1000 + 500;
  data.PutFieldByNo(2, rec.get(), &ms);
  EXPECT_NEAR(stored(2), ms / 86400000.0, 1e-12);
  // dtDateTime: time-stamp milliseconds as a double.
  double stamp = (day + 693594) * 86400000.0 + ms;
  data.PutFieldByNo(3, rec.get(), &stamp);
  EXPECT_NEAR(stored(3), day + ms / 86400000.0, 1e-9);

  bool blank;
  std::int32_t i32 = 0;
  double d = 0;
  data.GetFieldByNo(1, rec.get(), blank, &i32);
  EXPECT_EQ(i32, stampDay);
  data.GetFieldByNo(2, rec.get(), blank, &i32);
  EXPECT_EQ(i32, ms);
  data.GetFieldByNo(3, rec.get(), blank, &d);
  EXPECT_EQ(d, stamp);

  // Before 1899-12-30 the fraction is still the time of day: -1.25 is 1899-12-29 06:00.
  data.PutFieldAsVariant(3, rec.get(), Variant::Date(-1.25));
  data.GetFieldByNo(3, rec.get(), blank, &d);
  EXPECT_EQ(d, (693594.0 - 1) * 86400000.0 + 6 * 3600000.0);
  data.PutFieldByNo(3, rec.get(), &d);
  EXPECT_EQ(stored(3), -1.25);
  EXPECT_EQ(DateTimeToText(Variant::Date(day).AsDate()), "2024.3.5");
}

TEST_P(FieldAccess, FixedCharTrimmingAndEmptyStrings) {
  data.AutoInitFields = false;
  data.AddField("C", dtString, 4).Fixed = true;
  data.AddField("W", dtWideString, 4).Fixed = true;
  data.InitFields();
  Buf rec(data);
  char out[8];
  char16_t wout[8];
  bool blank;

  data.PutFieldByNo(1, rec.get(), "ab  ");
  data.PutFieldByNo(2, rec.get(), u"ab  ");
  data.GetFieldByNo(1, rec.get(), blank, out);
  EXPECT_STREQ(out, "ab  ");
  data.TrimFixedChar = true;
  data.GetFieldByNo(1, rec.get(), blank, out);
  EXPECT_STREQ(out, "ab");
  data.GetFieldByNo(2, rec.get(), blank, wout);
  EXPECT_EQ(std::u16string(wout), u"ab");
  EXPECT_EQ(data.GetFieldAsVariant(1, rec.get()).AsString(), "ab");
  data.PutFieldByNo(1, rec.get(), "    ");
  data.GetFieldByNo(1, rec.get(), blank, out);
  EXPECT_STREQ(out, " ");  // the first character is never cleared

  data.PutFieldByNo(1, rec.get(), "");
  data.PutFieldByNo(2, rec.get(), u"");
  EXPECT_TRUE(data.GetNull(1, rec.get()));
  EXPECT_TRUE(data.GetNull(2, rec.get()));
  data.KeepEmptyStrings = true;
  data.PutFieldByNo(1, rec.get(), "");
  data.PutFieldByNo(2, rec.get(), u"");
  EXPECT_FALSE(data.GetNull(1, rec.get()));
  EXPECT_FALSE(data.GetNull(2, rec.get()));
}

TEST(DescribedColumns, LineEndsExpandWithinTheCapacityGiven) {
  DescribedStore data;
  data.AutoInitFields = false;
  data.ConvertEOL = true;
  data.AddField("S", dtString, 4);
  data.AddField("X", dtExtString);
  data.InitFields();
  Buf rec(data);
  data.CreateComplexFields(rec.get(), true);
  bool blank;
  char out[16];

  data.PutFieldByNo(1, rec.get(), "a\nb");
  data.GetFieldByNo(1, rec.get(), blank, out, sizeof out);
  EXPECT_STREQ(out, "a\r\nb");
  data.PutFieldByNo(1, rec.get(), "a\r\nb");
  data.GetFieldByNo(1, rec.get(), blank, out, sizeof out);
  EXPECT_STREQ(out, "a\r\nb");

  // Four line feeds grow to eight bytes; a buffer of the field's size gets what fits, whole pairs.
  data.PutFieldByNo(1, rec.get(), "\n\n\n\n");
  char small[5 + 3];
  std::memset(small, 'Z', sizeof small);
  data.GetFieldByNo(1, rec.get(), blank, small);  // capacity: the field's size, 5
  EXPECT_STREQ(small, "\r\n\r\n");
  EXPECT_EQ(small[5], 'Z');
  data.GetFieldByNo(1, rec.get(), blank, out, sizeof out);
  EXPECT_STREQ(out, "\r\n\r\n\r\n\r\n");

  data.PutFieldByNo(2, rec.get(), "x\ny");
  data.GetFieldByNo(2, rec.get(), blank, out, sizeof out);
  EXPECT_STREQ(out, "x\r\ny");
  data.FreeComplexFields(rec.get(), true);
}

TEST_P(FieldAccess, FloatsAreRoundedToTheirScale) {
  data.AutoInitFields = false;
  data.AddField("F2", dtFloat).Scale = 2;
  data.AddField("F0", dtFloat);
  data.InitFields();
  Buf rec(data);
  const double values[] = {1.005, 2.675, -3.14159, 123456789.126, 1e-9};
  for (double v : values) {
    data.PutFieldByNo(1, rec.get(), &v);
    data.PutFieldByNo(2, rec.get(), &v);
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", v);
    EXPECT_EQ(ReadValue<double>(rec.get() + data.FieldAt(1).Offset), std::strtod(text, nullptr)) << v;
    EXPECT_EQ(ReadValue<double>(rec.get() + data.FieldAt(2).Offset), v);
  }
}

TEST_P(FieldAccess, NullFieldsReadOnlyTheirReferences) {
  data.AutoInitFields = false;
  data.AddField("B", dtBlob);
  data.AddField("I", dtInt32);
  data.InitFields();
  Buf rec(data);
  data.CreateComplexFields(rec.get(), true);
  bool blank = false;
  void* ref = nullptr;
  data.GetFieldByNo(1, rec.get(), blank, &ref);
  EXPECT_TRUE(blank);
  EXPECT_EQ(ref, data.GetBlob(1, rec.get()));
  EXPECT_NE(ref, nullptr);
  std::int32_t untouched = 4711;
  data.GetFieldByNo(2, rec.get(), blank, &untouched);
  EXPECT_TRUE(blank);
  EXPECT_EQ(untouched, 4711);

  // Writing makes the blob field non-NULL; truncating to nothing makes it NULL again and clears.
  data.WriteBlob(1, rec.get(), 0, 3, "abc");
  EXPECT_FALSE(data.GetNull(1, rec.get()));
  EXPECT_EQ(data.GetBlobSize(1, rec.get()), 3u);
  data.TruncateBlob(1, rec.get(), 0);
  EXPECT_TRUE(data.GetNull(1, rec.get()));
  data.WriteBlob(1, rec.get(), 0, 3, "abc");
  data.SetNull(1, rec.get(), true);
  EXPECT_EQ(data.GetBlobSize(1, rec.get()), 0u);

  try {
    data.GetBlob(2, rec.get());
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Field is not BLOB.");
  }
  try {
    data.FieldByName("NOPE");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Field NOPE not found.");
  }
  EXPECT_THROW(data.GetNull(3, rec.get()), EAssertionFailed);
  EXPECT_THROW(data.FieldAt(0), EAssertionFailed);
  data.FreeComplexFields(rec.get(), true);
}

TEST_P(FieldAccess, BaseBookmarksCompareByRecordNumber) {
  TRecBookmark a, b;
  a.Order = 3;
  b.Order = 5;
  const TData& base = data;
  EXPECT_EQ(base.TData::CompareBookmarks(nullptr, nullptr), 0);
  EXPECT_EQ(base.TData::CompareBookmarks(&a, nullptr), -1);
  EXPECT_EQ(base.TData::CompareBookmarks(nullptr, &a), 1);
  EXPECT_EQ(base.TData::CompareBookmarks(&a, &b), -1);
  EXPECT_EQ(base.TData::CompareBookmarks(&b, &a), 1);
  EXPECT_FALSE(base.TData::BookmarkValid(nullptr));
}

// An object value answering from a map of attribute paths to texts.
class TextObject : public TDBObject {
 public:
  std::vector<std::pair<std::string, std::string>> Values;
  void GetAttributeValue(std::string_view path, void* destination, bool& isBlank) override {
    for (const auto& [k, v] : Values)
      if (k == path) {
        isBlank = false;
        if (destination) std::strcpy(static_cast<char*>(destination), v.c_str());
        return;
      }
    isBlank = true;
  }
  void SetAttributeValue(std::string_view path, const void* source) override {
    for (auto& [k, v] : Values)
      if (k == path) {
        v = source ? static_cast<const char*>(source) : "";
        return;
      }
    Values.emplace_back(std::string(path), source ? static_cast<const char*>(source) : "");
  }
};

TEST_P(ObjectFields, ChildrenFollowTheirObjectDepthFirst) {
  auto* addr = new TObjectType("ADDR_T", dtObject);
  addr->AddAttribute("CITY", dtString).Length = 20;
  auto* lines = new TObjectType("LINES_T", dtArray);
  lines->Size = 150;
  lines->AddAttribute("ELEMENT", dtString).Length = 10;
  addr->AddAttribute("LINES", dtArray).SetObjectType(lines);
  lines->Release();

  data.AutoInitFields = false;
  data.AddField("ID", dtInt32);
  TFieldDesc& o = data.AddField("O", dtObject);
  o.SetObjectType(addr);
  data.InitObjectFields(addr, &o);
  addr->Release();
  data.InitFields();

  // ID, O, O.CITY, O.LINES, then 100 elements (not 150).
  ASSERT_EQ(data.GetFieldCount(), 4 + 100);
  EXPECT_EQ(data.FieldAt(3).Name, "CITY");
  EXPECT_EQ(data.FieldAt(3).ActualName, "O.CITY");
  EXPECT_EQ(data.FieldAt(4).ActualName, "O.LINES");
  EXPECT_EQ(data.FieldAt(5).Name, "[0]");
  EXPECT_EQ(data.FieldAt(5).ActualName, "O.LINES[0]");
  EXPECT_EQ(data.FieldAt(104).Name, "[99]");
  EXPECT_EQ(data.FieldAt(3).Size, 0);
  EXPECT_EQ(data.FindField("o.lines[1]"), &data.FieldAt(6));
  EXPECT_EQ(data.RecordSize(), 4u + sizeof(void*) + 104 * testing::IndicatorBytes(GetParam()));

  // Child values come from the object in the record; no object means NULL.
  Buf rec(data);
  bool blank = false;
  char out[32];
  data.GetFieldByNo(3, rec.get(), blank, out);
  EXPECT_TRUE(blank);
  auto* obj = new TextObject();
  WritePointer(rec.get() + data.FieldAt(2).Offset, obj);
  data.PutFieldByNo(3, rec.get(), "Oslo");
  data.PutFieldByNo(6, rec.get(), "line 1");
  data.GetFieldByNo(3, rec.get(), blank, out);
  EXPECT_FALSE(blank);
  EXPECT_STREQ(out, "Oslo");
  ASSERT_EQ(obj->Values.size(), 2u);
  EXPECT_EQ(obj->Values[1].first, "LINES[1]");
  EXPECT_EQ(data.GetFieldAsVariant(3, rec.get()).AsString(), "Oslo");
  EXPECT_TRUE(data.GetFieldAsVariant(5, rec.get()).IsNull());

  // A filter reaches the child field by its path.
  data.Open();
  data.AppendRecord(rec.get());
  data.SetFilterText("O.CITY = 'Oslo'");
  EXPECT_EQ(data.GetRecordCount(), 1);
  data.SetFilterText("o.city = 'Bergen'");
  EXPECT_EQ(data.GetRecordCount(), 0);
  data.Close();
  obj->Release();
}

// A store whose opening can be made to fail, counting its lifecycle calls.
class LifecycleStore : public TMemData {
 public:
  bool FailOpen = false;
  int Prepares = 0, UnPrepares = 0, Opens = 0, Closes = 0;

 protected:
  void InternalPrepare() override { ++Prepares; }
  void InternalUnPrepare() override { ++UnPrepares; }
  void InternalOpen() override {
    ++Opens;
    if (FailOpen) throw Exception("open failed");
    InitFields();
  }
  void InternalClose() override { ++Closes; }
  void InternalInitFields() override { AddField("A", dtInt32); }
};

TEST(StoreLifecycle, OpenCloseAndPrepare) {
  LifecycleStore store;
  store.SetFilterText("A = 1");
  store.Open();
  EXPECT_TRUE(store.Active());
  EXPECT_EQ(store.GetFieldCount(), 1);
  EXPECT_TRUE(store.IsFiltered());
  store.Close();
  EXPECT_FALSE(store.Active());
  EXPECT_EQ(store.GetFieldCount(), 0);  // described anew on the next opening
  EXPECT_FALSE(store.IsFiltered());
  EXPECT_EQ(store.Closes, 1);

  store.SetFilterText("A = ");
  EXPECT_THROW(store.Open(), Exception);  // the filter is parsed on opening
  EXPECT_FALSE(store.Active());
  store.SetFilterText("");
  store.FailOpen = true;
  EXPECT_THROW(store.Open(), Exception);
  EXPECT_FALSE(store.Active());
  store.FailOpen = false;

  store.Prepare();
  store.Open();
  store.Close();
  EXPECT_EQ(store.GetFieldCount(), 1);  // a prepared store keeps its descriptors
  store.UnPrepare();
  store.UnPrepare();
  EXPECT_EQ(store.UnPrepares, 1);
  EXPECT_EQ(store.GetFieldCount(), 0);
}

TEST(RecordBuffer, LineBreakHelpers) {
  struct Case {
    const char* source;
    std::size_t capacity;
    const char* expanded;
  };
  const Case cases[] = {
      {"a\nb", 16, "a\r\nb"}, {"a\r\nb", 16, "a\r\nb"}, {"\n\n", 16, "\r\n\r\n"}, {"\n\n", 4, "\r\n"},
      {"ab\n", 3, "ab"},      {"h\xC3\xA9", 3, "h"},     {"", 1, ""},
  };
  for (const auto& c : cases) {
    char out[32];
    std::size_t n = ExpandLineBreaks(c.source, std::strlen(c.source), out, c.capacity);
    EXPECT_STREQ(out, c.expanded) << c.source;
    EXPECT_EQ(n, std::strlen(c.expanded));
  }
  char out[16];
  EXPECT_EQ(CollapseLineBreaks("a\r\nb\r\n", 6, out), 4u);
  EXPECT_STREQ(out, "a\nb\n");
  char t[] = "ab \0 ";
  StrTrim(t, 5);
  EXPECT_STREQ(t, "ab");
}

}  // namespace
}  // namespace da
