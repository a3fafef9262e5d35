// Oracle object types and values against the stand-in's object runtime: the layout a describe
// gives, attributes read and written by path (LOB, file, timestamp and interval attributes through
// their value objects), collections, REFs pinned and flushed, and the REF and nested-table stores
// over them, through the record set's object columns.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/values/OraLob.h"
#include "oracle/values/OraObject.h"
#include "oracle/components/OraObjectStores.h"
#include "oracle/server/OraRecordSet.h"
#include "oracle/values/OraType.h"
#include "tests/support/FakeOciHome.h"
#include "tests/support/WaitUntil.h"

namespace ora {
namespace {

using da::Variant;
using testing::CallsOf;
using testing::MessageOf;
using Lines = std::vector<std::string>;
using testing::Held;

class ObjectTest : public testing::FakeOciTest {
 protected:
  void SetUp() override {
    testing::FakeOciTest::SetUp();
    fake_.set("type:LINES_T", "TABLE OF VARCHAR2(40)");
    fake_.set("type:NUMS_T", "VARRAY(10) OF NUMBER(9)");
    fake_.set("type:ADDRESS_T", "OBJECT(STREET VARCHAR2(30), CITY VARCHAR2(20), LINES LINES_T)");
    fake_.set("type:PERSON_T",
              "OBJECT(NAME VARCHAR2(20), AGE NUMBER(3), BORN DATE, ADDR ADDRESS_T, PHONES LINES_T, BOSS REF PERSON_T)");
    fake_.set("type:BAG_T", "OBJECT(NUMS NUMS_T, N NUMBER)");
    fake_.set("objtable:PEOPLE", "PERSON_T");
    c_.SetUsername("scott");
    c_.SetPassword("tiger");
    c_.SetServer("orcl");
    c_.Connect("");
    ASSERT_EQ(fake_.exec("CREATE TABLE people(name VARCHAR2(20), age NUMBER(3), born DATE, addr ADDRESS_T, "
                         "phones LINES_T, boss REF PERSON_T);"
                         "INSERT INTO people(rowid, name, age, born, addr, phones) VALUES "
                         "(1, 'Ann', 41, '1963-05-02 00:00:00', '{\"CITY\": \"Bergen\"}', '[\"555-1\", \"555-2\"]');"
                         "INSERT INTO people(rowid, name, age, boss) VALUES (2, 'Bob', 30, 'PEOPLE:1');"
                         "CREATE TABLE emp(id NUMBER(9), home ADDRESS_T, person REF PERSON_T, nums NUMS_T);"
                         "INSERT INTO emp VALUES (1, '{\"STREET\": \"Main 1\", \"CITY\": \"Oslo\", "
                         "\"LINES\": [\"a\", \"b\", \"c\"]}', 'PEOPLE:1', '[1, 2, 3]');"
                         "INSERT INTO emp VALUES (2, NULL, NULL, NULL);"
                         "INSERT INTO emp VALUES (3, NULL, 'PEOPLE:99', '[]');"),
              0);
    fake_.logClear();
  }
  void TearDown() override {
    rs_.reset();
    c_.Disconnect();
    testing::FakeOciTest::TearDown();
  }
  // The emp table opened at the row with the id.
  TOCIRecordSet& Emp(int id) {
    rs_.reset(static_cast<TOCIRecordSet*>(c_.CreateRecordSet().release()));
    rs_->SetSQL("select id, home, person, nums from emp order by id");
    rs_->Open();
    rs_->SetToBegin();
    for (int i = 0; i < id; ++i) rs_->GetNextRecord(nullptr);
    return *rs_;
  }
  Variant Field(TOCIRecordSet& rs, const std::string& name) {
    return rs.GetFieldAsVariant(rs.FieldByName(name).FieldNo, rs.CurrentRecordPtr());
  }
  template <class T>
  T* Object(TOCIRecordSet& rs, const std::string& name) {
    bool blank = false;
    void* p = nullptr;
    rs.GetFieldByNo(rs.FieldByName(name).FieldNo, rs.CurrentRecordPtr(), blank, &p, sizeof p);
    return dynamic_cast<T*>(static_cast<TOraObject*>(p));
  }
  Held<TOraType> Type(const std::string& name) { return Held<TOraType>(TOraType::FindOrCreate(c_.GetSvcCtx(), name)); }
  // Texts of the records of a store, field 1, through its record buffers.
  static Lines Records(da::TData& store, int fieldNo = 1) {
    Lines out;
    std::unique_ptr<std::uint8_t[]> record(store.AllocRecBuf());
    store.SetToBegin();
    for (store.GetNextRecord(record.get()); !store.GetEOF(); store.GetNextRecord(record.get())) {
      const Variant v = store.GetFieldAsVariant(fieldNo, record.get());
      out.push_back(v.IsNull() ? "NULL" : v.AsString());
    }
    return out;
  }

  TOCIConnection c_;
  std::unique_ptr<TOCIRecordSet> rs_;
};

// ---- types ----

TEST_F(ObjectTest, AnInstanceIsLaidOutAsTheLibraryLaysItOut) {
  fake_.set("type:T3", "OBJECT(V VARCHAR2(10), N NUMBER, D DATE)");
  auto t = Type("T3");
  ASSERT_EQ(t->GetAttributeCount(), 3);
  struct Expected {
    const char* name;
    da::TDataType type;
    std::uint16_t offset, indicatorOffset, size;
  };
  // The original platform's 4-byte references are pointer-sized here: 0, 8, 30 rather than 0, 4, 26.
  const Expected expected[] = {{"V", da::dtString, 0, 2, 11}, {"N", da::dtFloat, 8, 4, 8}, {"D", da::dtDateTime, 30, 6, 8}};
  for (int i = 0; i < 3; ++i) {
    const da::TAttribute& a = *t->GetAttributes(i);
    EXPECT_EQ(a.Name, expected[i].name);
    EXPECT_EQ(a.DataType, expected[i].type) << a.Name;
    EXPECT_EQ(a.Offset, expected[i].offset) << a.Name;
    EXPECT_EQ(a.IndicatorOffset, expected[i].indicatorOffset) << a.Name;
    EXPECT_EQ(a.Size, expected[i].size) << a.Name;
    EXPECT_EQ(a.AttributeNo, i + 1);
  }
  EXPECT_EQ(t->DataSize, 38);
  EXPECT_EQ(t->IndicatorSize, 8);
  EXPECT_EQ(t->TypeCode, OCI_TYPECODE_OBJECT);
  EXPECT_TRUE(t->Final);
}

TEST_F(ObjectTest, NumbersCharsAndEmbeddedObjectsTakeTheirForms) {
  fake_.set("type:NUMS4_T", "OBJECT(A NUMBER(9,0), B NUMBER(10,0), C NUMBER(5,2), E CHAR(10))");
  auto t = Type("nums4_t");
  EXPECT_EQ(t->GetAttributes(0)->DataType, da::dtInt32);
  EXPECT_EQ(t->GetAttributes(1)->DataType, da::dtFloat);
  EXPECT_EQ(t->GetAttributes(2)->DataType, da::dtFloat);
  EXPECT_EQ(t->GetAttributes(2)->Scale, 2);
  EXPECT_EQ(t->GetAttributes(3)->DataType, da::dtString);
  EXPECT_EQ(t->GetAttributes(3)->Size, 11);
  EXPECT_TRUE(t->GetAttributes(3)->Fixed);

  // A final object is stored inline with its whole indicator structure; collections by reference.
  auto person = Type("PERSON_T");
  const da::TAttribute& addr = person->AttributeByName("ADDR");
  const auto* address = static_cast<TOraType*>(addr.ObjectType());
  EXPECT_EQ(addr.DataType, da::dtObject);
  EXPECT_EQ(addr.Offset % sizeof(void*), 0u);
  EXPECT_EQ(person->AttributeByName("PHONES").Offset, addr.Offset + (address->DataSize + 7) / 8 * 8);
  EXPECT_EQ(person->AttributeByName("PHONES").IndicatorOffset, addr.IndicatorOffset + address->IndicatorSize);
  EXPECT_EQ(person->AttributeByName("PHONES").DataType, da::dtTable);
  EXPECT_EQ(person->AttributeByName("BOSS").DataType, da::dtReference);
  // The REF's type is named with its schema: described once more under that name, it refers to
  // itself, without a reference on itself.
  auto* boss = static_cast<TOraType*>(person->AttributeByName("BOSS").ObjectType());
  EXPECT_EQ(boss->Name, "SCOTT.PERSON_T");
  EXPECT_EQ(boss->AttributeByName("BOSS").ObjectType(), boss);
  EXPECT_EQ(boss->RefCount(), 1) << "held by PERSON_T's attribute alone";
  auto nums = Type("NUMS_T");
  EXPECT_EQ(nums->DataType, da::dtArray);
  EXPECT_EQ(nums->Size, 10);
  EXPECT_EQ(nums->GetAttributes(0)->Name, "ELEMENT");
}

// The cache holds no reference: a type whose last reference is being given up on one thread must
// not be handed to another, which would then use and give up a reference on a destroyed type. One
// thread looks the type up over and over while the other gives up the type it holds; the type's
// long name keeps each lookup long, so that the release often falls inside one.
TEST_F(ObjectTest, ATypeWhoseLastReferenceIsGoingIsNeverHandedOut) {
  const std::string name = "T" + std::string(20000, 'X');
  fake_.set(("type:" + name).c_str(), "OBJECT(N NUMBER)");
  std::atomic<bool> done{false};
  std::atomic<const TOraType*> found{nullptr};
  std::thread other([&] {
    while (!done) {
      TOraType* t = TOraType::FindOrCreate(c_.GetSvcCtx(), name);
      EXPECT_EQ(t->GetAttributeCount(), 1);
      found = t;
      t->Release();
    }
  });
  for (int i = 0; i < 100; ++i) {
    TOraType* t = TOraType::FindOrCreate(c_.GetSvcCtx(), name);
    testsupport::WaitUntil([&] { return found == t; }, testsupport::kPatience, "the other thread to find the type");
    t->Release();
  }
  done = true;
  other.join();
  EXPECT_EQ(TOraType::FindType(c_.GetSvcCtx(), name), nullptr) << "every reference given up";
}

// A type joins the cache before it is described (its own attributes may refer to it), but another
// thread must not be handed it half described. Two threads take and read the same wide type over
// and over; its describe is long, so that the other thread's lookup often falls inside it.
TEST_F(ObjectTest, ATypeStillBeingDescribedIsNotHandedToAnotherThread) {
  std::string attributes;
  for (int i = 0; i < 40; ++i) attributes += (i ? ", A" : "A") + std::to_string(i) + " NUMBER";
  fake_.set("type:WIDE_T", ("OBJECT(" + attributes + ")").c_str());
  std::atomic<int> partial{0};
  auto takeAndRead = [&] {
    for (int i = 0; i < 100; ++i) {
      Held<TOraType> t(TOraType::FindOrCreate(c_.GetSvcCtx(), "WIDE_T"));
      if (t->GetAttributeCount() != 40 || t->DataSize != 40 * 22) ++partial;
    }
  };
  std::thread other(takeAndRead);
  takeAndRead();
  other.join();
  EXPECT_EQ(partial, 0) << "types seen before their describe had finished";
}

TEST_F(ObjectTest, NamesWithASchemaAreDescribedAsWrittenAndFoundInAnyCase) {
  auto plain = Type("address_t");
  auto qualified = Type("SCOTT.ADDRESS_T");
  Lines calls;
  for (const std::string& line : CallsOf(fake_, {"OCITypeByName", "OCIDescribeAny"}))
    if (line.find("ADDRESS_T") != std::string::npos || line.find("address_t") != std::string::npos) calls.push_back(line);
  EXPECT_EQ(calls,
            (Lines{"OCITypeByName schema= name=ADDRESS_T", "OCIDescribeAny name=address_t type=6",
                   "OCITypeByName schema=SCOTT name=ADDRESS_T", "OCIDescribeAny name=\"SCOTT\".\"ADDRESS_T\" type=6"}));
  EXPECT_EQ(TOraType::FindType(c_.GetSvcCtx(), "  Scott.Address_T "), qualified.get());
  EXPECT_EQ(TOraType::FindType(c_.GetSvcCtx(), "ADDRESS_T"), plain.get());
  EXPECT_EQ(TOraType::FindType(nullptr, "ADDRESS_T"), nullptr) << "another service context";
  fake_.logClear();
  EXPECT_EQ(Type("scott.address_t").get(), qualified.get());
  EXPECT_EQ(CallsOf(fake_, {"OCIDescribeAny"}), Lines{}) << "found in the cache";
}

// ---- object columns: attributes by path ----

TEST_F(ObjectTest, ObjectColumnsAreReadByAttributePath) {
  TOCIRecordSet& rs = Emp(1);
  EXPECT_EQ(rs.FieldByName("HOME").DataType, da::dtObject);
  EXPECT_EQ(rs.FieldByName("HOME.CITY").ActualName, "HOME.CITY");
  EXPECT_EQ(rs.FieldByName("PERSON").DataType, da::dtReference);
  EXPECT_EQ(rs.FieldByName("NUMS").DataType, da::dtArray);
  EXPECT_EQ(Field(rs, "HOME.STREET").AsString(), "Main 1");
  EXPECT_EQ(Field(rs, "HOME.CITY").AsString(), "Oslo");
  EXPECT_EQ(Field(rs, "NUMS[1]").AsInteger(), 2);
  EXPECT_TRUE(Field(rs, "NUMS[7]").IsNull()) << "beyond the elements";
  auto* home = Object<TOraObject>(rs, "HOME");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(home->GetAttrAsString("LINES[2]"), "c");
  auto* lines = dynamic_cast<TOraNestTable*>(home->GetAttrAsObject("LINES"));
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(lines->GetSize(), 3);
  EXPECT_EQ(lines->GetElementString(0), "a");

  rs.GetNextRecord(nullptr);  // id 2: everything NULL
  EXPECT_TRUE(Field(rs, "HOME").IsNull() || rs.GetNull(rs.FieldByName("HOME").FieldNo, rs.CurrentRecordPtr()));
  EXPECT_TRUE(Field(rs, "HOME.CITY").IsNull());
  EXPECT_TRUE(rs.GetNull(rs.FieldByName("PERSON").FieldNo, rs.CurrentRecordPtr()));
}

TEST_F(ObjectTest, AttributesAreWrittenByPathAndMarkTheirHoldersNotNull) {
  auto person = Type("PERSON_T");
  Held<TOraObject> p(new TOraObject(person.get()));
  p->AllocObject(c_.GetSvcCtx());
  EXPECT_TRUE(p->GetIsNull());
  EXPECT_TRUE(p->AttrIsNull("ADDR"));
  p->SetAttrAsString("ADDR.CITY", "Oslo");
  EXPECT_FALSE(p->GetIsNull());
  EXPECT_FALSE(p->AttrIsNull("ADDR"));
  EXPECT_TRUE(p->AttrIsNull("ADDR.STREET"));
  EXPECT_EQ(p->GetAttrAsString("ADDR.CITY"), "Oslo");
  p->SetAttrAsInteger("AGE", 7);
  EXPECT_EQ(p->GetAttrAsInteger("AGE"), 7);
  p->SetAttrAsDateTime("BORN", da::EncodeDayNumber(2004, 11, 20));
  EXPECT_EQ(p->GetAttrAsDateTime("BORN"), da::EncodeDayNumber(2004, 11, 20));
  p->SetAttrNull("AGE");
  EXPECT_TRUE(p->AttrIsNull("AGE"));
  // A collection element by path: the collection is marked NOT NULL and extended.
  p->SetAttrAsString("ADDR.LINES[1]", "second");
  EXPECT_EQ(p->GetAttrAsString("ADDR.LINES[1]"), "second");
  EXPECT_TRUE(p->AttrIsNull("ADDR.LINES[0]"));
  EXPECT_FALSE(p->AttrIsNull("ADDR.LINES"));

  EXPECT_EQ(MessageOf([&] { p->GetAttrAsString("ADDR.ZIP"); }), "Attribute ADDR.ZIP not found.");
  EXPECT_EQ(MessageOf([&] { p->GetAttrAsInteger("NAME"); }), "Cannot convert type to Integer");
  EXPECT_EQ(MessageOf([&] { p->GetAttrAsObject("NAME"); }), "Cannot convert type to Object");
}

// The attributes of an object column are read and written as variants through the record set as
// its own columns are: a text, a number and a date (which the object keeps in its own form,
// whatever date form the record set keeps for its DATE columns).
TEST_F(ObjectTest, AnObjectColumnsAttributesAreReadAndWrittenAsVariants) {
  ASSERT_EQ(fake_.exec("CREATE TABLE staff(id NUMBER(9), who PERSON_T);"
                       "INSERT INTO staff VALUES (1, '{\"NAME\": \"Ann\", \"AGE\": 41, "
                       "\"BORN\": \"1963-05-02 10:20:30\"}');"),
            0);
  rs_.reset(static_cast<TOCIRecordSet*>(c_.CreateRecordSet().release()));
  rs_->SetSQL("select id, who from staff");
  rs_->Open();
  rs_->SetToBegin();
  rs_->GetNextRecord(nullptr);
  void* record = const_cast<void*>(rs_->CurrentRecordPtr());  // its object is written in place
  const struct {
    const char* name;
    Variant fetched, written;
  } cases[] = {
      {"WHO.NAME", Variant(std::string("Ann")), Variant(std::string("Bea"))},
      {"WHO.AGE", Variant(41), Variant(42)},
      {"WHO.BORN", Variant::Date(da::EncodeDateTime({1963, 5, 2, 10, 20, 30, 0})),
       Variant::Date(da::EncodeDateTime({2004, 11, 20, 7, 8, 9, 0}))},
  };
  auto expectSame = [](const Variant& read, const Variant& expected) {
    if (expected.VarType() == da::varDate) {
      EXPECT_DOUBLE_EQ(read.AsDate(), expected.AsDate());
    } else {
      EXPECT_EQ(read.AsString(), expected.AsString());
    }
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int no = rs_->FieldByName(c.name).FieldNo;
    expectSame(rs_->GetFieldAsVariant(no, record), c.fetched);
    rs_->PutFieldAsVariant(no, record, c.written);
    expectSame(rs_->GetFieldAsVariant(no, record), c.written);
    rs_->PutFieldAsVariant(no, record, Variant::Null());
    EXPECT_TRUE(rs_->GetFieldAsVariant(no, record).IsNull());
  }
  EXPECT_THROW(rs_->PutFieldAsVariant(rs_->FieldByName("WHO.ADDR").FieldNo, record, Variant(1)), da::Exception);
}

TEST_F(ObjectTest, AVaryingArrayGrowsToTheIndexWritten) {
  auto bag = Type("BAG_T");
  Held<TOraObject> b(new TOraObject(bag.get()));
  b->AllocObject(c_.GetSvcCtx());
  b->SetAttrAsInteger("NUMS[2]", 1);
  auto* nums = dynamic_cast<TOraArray*>(b->GetAttrAsObject("NUMS"));
  ASSERT_NE(nums, nullptr);
  EXPECT_EQ(nums->GetSize(), 3);
  EXPECT_TRUE(b->AttrIsNull("NUMS[5]")) << "beyond the elements";
  EXPECT_FALSE(nums->ElementIsNull(5)) << "a missing element is not NULL";
  EXPECT_EQ(nums->GetElementInteger(5), 0);
  b->SetAttrAsInteger("NUMS[5]", 7);
  EXPECT_EQ(nums->GetSize(), 6);
  EXPECT_TRUE(nums->ElementIsNull(3));
  EXPECT_TRUE(nums->ElementIsNull(4));
  EXPECT_EQ(nums->GetElementInteger(5), 7);
  EXPECT_EQ(MessageOf([&] { nums->GetElementString(5); }), "Cannot convert type to String");
  nums->SetElementInteger(9, 1);
  EXPECT_EQ(MessageOf([&] { nums->AppendElement(); }).rfind("ORA-22165", 0), 0u) << "ten at most";
}

// ---- REFs and the REF store ----

TEST_F(ObjectTest, AReferencedObjectIsReadAndWrittenBackThroughTheRefStore) {
  TOCIRecordSet& rs = Emp(1);
  auto* ref = Object<TOraRef>(rs, "PERSON");
  ASSERT_NE(ref, nullptr);
  TRefData store;
  store.SetRef(ref);
  store.Open();
  ASSERT_EQ(store.FieldAt(1).Name, "REF");
  EXPECT_TRUE(store.FieldAt(1).HiddenObject);
  std::unique_ptr<std::uint8_t[]> record(store.AllocRecBuf());
  store.SetToBegin();
  store.GetNextRecord(record.get());
  ASSERT_FALSE(store.GetEOF());
  auto value = [&](const char* path) { return store.GetFieldAsVariant(store.FieldByName(path).FieldNo, record.get()); };
  EXPECT_EQ(value("NAME").AsString(), "Ann");
  EXPECT_EQ(value("AGE").AsInteger(), 41);
  EXPECT_EQ(value("REF.ADDR.CITY").AsString(), "Bergen");
  EXPECT_EQ(CallsOf(fake_, {"OCIObjectPin"}).size(), 1u);

  // Written through the REF and flushed to its row.
  const std::int32_t age = 42;
  store.PutFieldByNo(store.FieldByName("AGE").FieldNo, record.get(), &age);
  store.PutFieldByNo(store.FieldByName("REF.ADDR.STREET").FieldNo, record.get(), "Fjord 9");
  store.UpdateRecord(record.get());
  EXPECT_EQ(CallsOf(fake_, {"OCIObjectMarkUpdate", "OCIObjectFlush"}), (Lines{"OCIObjectMarkUpdate", "OCIObjectFlush"}));

  store.GetNextRecord(record.get());
  EXPECT_TRUE(store.GetEOF()) << "one record at most";
  store.GetPriorRecord(record.get());
  EXPECT_FALSE(store.GetBOF());
  EXPECT_EQ(value("NAME").AsString(), "Ann");

  auto check = std::unique_ptr<TOCIRecordSet>(static_cast<TOCIRecordSet*>(c_.CreateRecordSet().release()));
  check->SetSQL("select name, age, addr from people where rowid = 1");
  check->Open();
  check->GetNextRecord(nullptr);
  EXPECT_EQ(check->GetFieldAsVariant(2, check->CurrentRecordPtr()).AsInteger(), 42);
  EXPECT_EQ(check->GetFieldAsVariant(check->FieldByName("ADDR.STREET").FieldNo, check->CurrentRecordPtr()).AsString(),
            "Fjord 9");
  EXPECT_EQ(check->GetFieldAsVariant(check->FieldByName("ADDR.CITY").FieldNo, check->CurrentRecordPtr()).AsString(),
            "Bergen");
}

TEST_F(ObjectTest, NullAndDanglingRefsOpenEmpty) {
  TOCIRecordSet& rs = Emp(2);
  TRefData store;
  store.SetRef(Object<TOraRef>(rs, "PERSON"));
  store.Open();
  store.GetNextRecord(nullptr);
  EXPECT_TRUE(store.GetEOF());

  rs.GetNextRecord(nullptr);  // id 3: a REF to a row that is not there
  auto* dangling = Object<TOraRef>(rs, "PERSON");
  EXPECT_FALSE(rs.GetNull(rs.FieldByName("PERSON").FieldNo, rs.CurrentRecordPtr()));
  EXPECT_TRUE(dangling->GetIsNull()) << "a REF that cannot be pinned reads as NULL";
  EXPECT_TRUE(dangling->Invalid());

  TRefData none;
  EXPECT_EQ(MessageOf([&] { none.Prepare(); }), "Reference is not defined");
}

// ---- collections and the nested-table store ----

TEST_F(ObjectTest, ANestedTableStoreFetchesElementsOnDemandAndWritesBack) {
  TOCIRecordSet& rs = Emp(1);
  auto* ref = Object<TOraRef>(rs, "PERSON");
  ASSERT_FALSE(ref->GetIsNull());
  auto* phones = dynamic_cast<TOraNestTable*>(ref->GetAttrAsObject("PHONES"));
  ASSERT_NE(phones, nullptr);
  TTableData table;
  table.SetTable(phones);
  table.Open();
  ASSERT_EQ(table.GetFieldCount(), 1);
  EXPECT_EQ(table.FieldAt(1).Name, "ELEMENT");
  EXPECT_EQ(table.FieldAt(1).Size, 41);
  fake_.logClear();
  std::unique_ptr<std::uint8_t[]> record(table.AllocRecBuf());
  table.SetToBegin();
  table.GetNextRecord(record.get());
  EXPECT_EQ(table.GetFieldAsVariant(1, record.get()).AsString(), "555-1");
  EXPECT_EQ(table.GetRecNo(), 1);
  EXPECT_EQ(CallsOf(fake_, {"OCITableNext"}), Lines{"OCITableNext index=-1"}) << "one element per record";
  EXPECT_EQ(Records(table), (Lines{"555-1", "555-2"}));

  // An insertion appends an element whatever the cursor; a deletion deletes that element's index.
  table.SetToBegin();
  table.GetNextRecord(record.get());
  table.InitRecord(record.get());
  table.PutFieldByNo(1, record.get(), "555-3");
  table.InsertRecord(record.get());
  EXPECT_EQ(phones->GetSize(), 3);
  EXPECT_EQ(phones->GetElementString(2), "555-3");
  table.SetToBegin();
  table.GetNextRecord(record.get());
  table.DeleteRecord();
  EXPECT_EQ(CallsOf(fake_, {"OCITableDelete"}), Lines{"OCITableDelete index=0"});
  EXPECT_EQ(phones->GetSize(), 2);
  table.Close();
  table.Open();
  EXPECT_EQ(Records(table), (Lines{"555-2", "555-3"})) << "the deleted index is passed over";

  // The changed collection goes back to the server with its object.
  ref->MarkUpdate();
  ref->Flush();
  auto check = std::unique_ptr<TOCIRecordSet>(static_cast<TOCIRecordSet*>(c_.CreateRecordSet().release()));
  check->SetSQL("select phones from people where rowid = 1");
  check->Open();
  check->GetNextRecord(nullptr);
  bool blank = false;
  void* p = nullptr;
  check->GetFieldByNo(1, check->CurrentRecordPtr(), blank, &p, sizeof p);
  auto* stored = static_cast<TOraNestTable*>(p);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->GetSize(), 2);
  EXPECT_EQ(stored->GetElementString(0), "555-2");
  EXPECT_EQ(stored->GetElementString(1), "555-3");
}

TEST_F(ObjectTest, ANestedTableOfNothingOpensEmpty) {
  auto lines = Type("LINES_T");
  Held<TOraNestTable> empty(new TOraNestTable(lines.get()));
  empty->AllocObject(c_.GetSvcCtx());
  TTableData table;
  table.SetTable(empty.get());
  table.Open();
  fake_.logClear();
  EXPECT_EQ(Records(table), Lines{});
  EXPECT_EQ(CallsOf(fake_, {"OCITableNext"}), Lines{"OCITableNext index=-1"});
  // A string longer than the element's length is cut when read.
  empty->SetElementString(0, std::string(50, 'x'));
  table.Close();
  table.Open();
  EXPECT_EQ(Records(table), Lines{std::string(40, 'x')});
}

// ---- LOB, file, timestamp and interval attributes ----

class ValueAttributeTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    AddFileDirectory("FILES", {{"a.txt", "alpha"}, {"b.txt", "beta"}});
    fake_.set("type:DOC_T",
              "OBJECT(ID NUMBER(9), BODY CLOB, PIC BLOB, SRC BFILE, AT TIMESTAMP(3), ATZ TIMESTAMP(3) WITH TIME ZONE, "
              "ATL TIMESTAMP WITH LOCAL TIME ZONE, SPAN INTERVAL YEAR TO MONTH, GAP INTERVAL DAY TO SECOND)");
    fake_.set("objtable:DOCS", "DOC_T");
    ASSERT_EQ(fake_.exec("CREATE TABLE docs(id, body, pic, src, at, atz, atl, span, gap);"
                         "INSERT INTO docs(rowid, id, body, pic, src, at, atz, atl, span, gap) VALUES (1, 1, "
                         "TO_CLOB('hello'), TO_BLOB(x'00ff'), BFILENAME('FILES', 'a.txt'), "
                         "'2024-02-29 13:45:00.250000000', '2024-02-29 13:45:00.250000000 +02:00', "
                         "'2024-02-29 13:45:00.250000000', '+1-06', '+2 03:04:05.500000000');"
                         "INSERT INTO docs(rowid, id, body, pic, src, at, atz, atl, span, gap) VALUES (2, 2, "
                         "TO_CLOB('goodbye'), TO_BLOB(x'010203'), BFILENAME('FILES', 'b.txt'), "
                         "'1999-12-31 23:59:59.999000000', '1999-12-31 23:59:59.999000000 -05:30', "
                         "'2000-01-01 00:00:00.000000000', '-12-11', '+0 00:00:01.000000000');"
                         "CREATE TABLE docrefs(id NUMBER(9), doc REF DOC_T);"
                         "INSERT INTO docrefs VALUES (1, 'DOCS:1');"
                         "INSERT INTO docrefs VALUES (2, 'DOCS:2');"),
              0);
    fake_.logClear();
  }
  void TearDown() override {
    first_.reset();
    second_.reset();
    ObjectTest::TearDown();
  }
  // The pinned object of a row of docs, through a REF column.
  TOraRef* Doc(int id) {
    auto& rs = id == 1 ? first_ : second_;
    rs.reset(static_cast<TOCIRecordSet*>(c_.CreateRecordSet().release()));
    rs->SetSQL("select doc from docrefs where id = " + std::to_string(id));
    rs->Open();
    rs->GetNextRecord(nullptr);
    auto* ref = Object<TOraRef>(*rs, "DOC");
    EXPECT_FALSE(ref->GetIsNull());
    return ref;
  }
  // A value object's text: a LOB's content, a timestamp or interval as text.
  static std::string Text(da::TSharedObject* value) {
    if (auto* lob = dynamic_cast<TOraLob*>(value)) return lob->GetAsString();
    if (auto* ts = dynamic_cast<TOraTimeStamp*>(value)) {
      ts->SetFormat(ts->GetDescriptorType() == OCI_DTYPE_TIMESTAMP_TZ ? "YYYY-MM-DD HH24:MI:SS.FF3 TZH:TZM"
                                                                      : "YYYY-MM-DD HH24:MI:SS.FF3");
      return ts->GetAsString();
    }
    if (auto* interval = dynamic_cast<TOraInterval*>(value)) return interval->GetAsString();
    return "(no value object)";
  }
  // What the record store reads: the attribute's value object.
  static da::TSharedObject* Value(TOraObject& object, const char* path, bool& blank) {
    void* p = nullptr;
    object.GetAttributeValue(path, &p, blank);
    return static_cast<da::TSharedObject*>(p);
  }

  std::unique_ptr<TOCIRecordSet> first_, second_;
};

TEST_F(ValueAttributeTest, LobFileTimeStampAndIntervalAttributesAreReadAndWrittenBack) {
  const struct {
    const char* path;
    da::TDataType type;
    const char* column;     // the row's stored value
    std::string first;      // row 1's value read
    std::string second;     // row 2's
    const char* stored;     // row 2's stored value, as row 1 keeps it after the write
  } cases[] = {
      {"BODY", dtOraClob, "LOB_DATA(body)", "hello", "goodbye", "goodbye"},
      {"PIC", dtOraBlob, "LOB_DATA(pic)", std::string("\x00\xff", 2), "\x01\x02\x03", "\x01\x02\x03"},
      {"SRC", dtBFile, "src", "alpha", "beta", "bfile:FILES:b.txt"},
      {"AT", dtTimeStamp, "at", "2024-02-29 13:45:00.250", "1999-12-31 23:59:59.999", "1999-12-31 23:59:59.999000000"},
      {"ATZ", dtTimeStampTZ, "atz", "2024-02-29 13:45:00.250 +02:00", "1999-12-31 23:59:59.999 -05:30",
       "1999-12-31 23:59:59.999000000 -05:30"},
      {"ATL", dtTimeStampLTZ, "atl", "2024-02-29 13:45:00.250", "2000-01-01 00:00:00.000",
       "2000-01-01 00:00:00.000000000"},
      {"SPAN", dtIntervalYM, "span", "+01-06", "-12-11", "-12-11"},
      {"GAP", dtIntervalDS, "gap", "+02 03:04:05.500000", "+00 00:00:01.000000", "+0 00:00:01.000000000"},
  };
  TOraRef* first = Doc(1);
  TOraRef* second = Doc(2);
  for (const auto& c : cases) {
    EXPECT_EQ(first->GetOraType()->AttributeByName(c.path).DataType, c.type) << c.path;
    bool blank = true;
    da::TSharedObject* value = Value(*first, c.path, blank);
    EXPECT_FALSE(blank) << c.path;
    EXPECT_EQ(Text(value), c.first) << c.path;
    EXPECT_EQ(Value(*first, c.path, blank), value) << c.path << ": one value object per attribute";
    // Written as the record store writes: the value object of another row's attribute.
    da::TSharedObject* other = Value(*second, c.path, blank);
    ASSERT_NE(other, nullptr) << c.path;
    first->SetAttributeValue(c.path, &other);
    EXPECT_FALSE(first->AttrIsNull(c.path)) << c.path;
    EXPECT_EQ(Text(value), c.second) << c.path << ": the value object follows the instance";
  }
  first->MarkUpdate();
  first->Flush();
  for (const auto& c : cases)
    EXPECT_EQ(fake_.Query(std::string("SELECT ") + c.column + " FROM docs WHERE rowid = 1"), c.stored) << c.path;
  EXPECT_EQ(fake_.Query("SELECT LOB_DATA(body) FROM docs WHERE rowid = 2"), "goodbye") << "the other row's LOB kept";
}

TEST_F(ValueAttributeTest, ValueObjectsOfANewObjectWriteTheirChangesIntoTheInstance) {
  auto doc = Type("DOC_T");
  Held<TOraObject> d(new TOraObject(doc.get()));
  d->AllocObject(c_.GetSvcCtx());
  // NULL attributes: a LOB still gives its value object, a timestamp or interval none.
  bool blank = false;
  TOraLob* body = d->GetAttrAsLob("BODY");
  EXPECT_EQ(Value(*d.object, "BODY", blank), body);
  EXPECT_TRUE(blank);
  EXPECT_EQ(Value(*d.object, "AT", blank), nullptr);
  EXPECT_TRUE(blank);

  body->SetAsString("drafted");
  TOraTimeStamp* at = d->GetAttrAsTimeStamp("AT");
  at->SetAsDateTime(da::EncodeDayNumber(2004, 11, 20));
  TOraInterval* span = d->GetAttrAsInterval("SPAN");
  span->SetAsString("3-4");
  for (da::TSharedObject* value : std::initializer_list<da::TSharedObject*>{body, at, span}) {
    const char* path = value == body ? "BODY" : value == at ? "AT" : "SPAN";
    d->SetAttributeValue(path, &value);
    EXPECT_FALSE(d->AttrIsNull(path)) << path;
  }
  EXPECT_FALSE(d->GetIsNull()) << "the object holding them is NOT NULL";
  EXPECT_EQ(CallsOf(fake_, {"OCILobCreateTemporary"}), Lines{"OCILobCreateTemporary type=2 form=0 duration=10"});

  // A copy of the instance holds the values.
  Held<TOraObject> copy(new TOraObject(doc.get()));
  copy->AllocObject(c_.GetSvcCtx());
  copy->Assign(*d.object);
  EXPECT_EQ(Text(copy->GetAttrAsLob("BODY")), "drafted");
  EXPECT_EQ(Text(copy->GetAttrAsTimeStamp("AT")), "2004-11-20 00:00:00.000");
  EXPECT_EQ(Text(copy->GetAttrAsInterval("SPAN")), "+03-04");

  // Changed in its value object and written with the others.
  copy->GetAttrAsLob("BODY")->SetAsString("final");
  copy->WriteLobs();
  Held<TOraObject> check(new TOraObject(doc.get()));
  check->AllocObject(c_.GetSvcCtx());
  check->Assign(*copy.object);
  EXPECT_EQ(Text(check->GetAttrAsLob("BODY")), "final");

  // NULL: a timestamp or interval becomes NULL, a LOB stays NOT NULL.
  d->SetAttrNull("AT");
  d->SetAttributeValue("SPAN", nullptr);
  d->SetAttrNull("BODY");
  EXPECT_TRUE(d->AttrIsNull("AT"));
  EXPECT_TRUE(at->IsNull());
  EXPECT_TRUE(d->AttrIsNull("SPAN"));
  EXPECT_FALSE(d->AttrIsNull("BODY"));
}

TEST_F(ValueAttributeTest, AValueInACollectionsElementBelongsToTheElementObject) {
  fake_.set("type:NOTE_T", "OBJECT(TXT CLOB, AT TIMESTAMP)");
  fake_.set("type:NOTES_T", "TABLE OF NOTE_T");
  fake_.set("type:BOOK_T", "OBJECT(NOTES NOTES_T)");
  auto book = Type("BOOK_T");
  Held<TOraObject> b(new TOraObject(book.get()));
  b->AllocObject(c_.GetSvcCtx());
  Held<TOraLob> text(new TOraLob(c_.GetSvcCtx()));
  text->SetAsString("second note");
  da::TSharedObject* value = text.get();
  b->SetAttributeValue("NOTES[1].TXT", &value);
  auto* notes = dynamic_cast<TOraNestTable*>(b->GetAttrAsObject("NOTES"));
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->GetSize(), 2);
  TOraLob* stored = notes->GetElementObject(1)->GetAttrAsLob("TXT");
  EXPECT_EQ(b->GetAttrAsLob("NOTES[1].TXT"), stored);
  EXPECT_NE(stored, text.get());
  EXPECT_EQ(Text(stored), "second note");
  EXPECT_TRUE(b->AttrIsNull("NOTES[0].TXT"));
  EXPECT_TRUE(b->AttrIsNull("NOTES[1].AT"));
}

TEST_F(ValueAttributeTest, AttributesOfAnUnknownOrAnotherTypeGiveClearErrors) {
  fake_.set("type:ODD_T", "OBJECT(A NUMBER, B SQLT_101)");
  EXPECT_EQ(MessageOf([&] { Type("ODD_T"); }), "Data type is not supported.");
  EXPECT_EQ(TOraType::FindType(c_.GetSvcCtx(), "ODD_T"), nullptr) << "not kept";

  auto doc = Type("DOC_T");
  Held<TOraObject> d(new TOraObject(doc.get()));
  d->AllocObject(c_.GetSvcCtx());
  const struct {
    std::function<void()> action;
    const char* message;
  } cases[] = {
      {[&] { d->GetAttrAsLob("ID"); }, "Cannot convert type to Lob"},
      {[&] { d->GetAttrAsTimeStamp("BODY"); }, "Cannot convert type to TimeStamp"},
      {[&] { d->GetAttrAsInterval("AT"); }, "Cannot convert type to Interval"},
      {[&] { d->GetAttrAsObject("SPAN"); }, "Cannot convert type to Object"},
      {[&] { d->GetAttrAsString("SRC"); }, "Cannot convert type to String"},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageOf(c.action), c.message);
}

// ---- collection sizes the library misreports ----

TEST_F(ObjectTest, ACollectionSizeBeyondWhatTheLibraryHoldsIsAnError) {
  auto bag = Type("BAG_T");
  Held<TOraObject> b(new TOraObject(bag.get()));
  b->AllocObject(c_.GetSvcCtx());
  b->SetAttrAsInteger("NUMS[2]", 1);
  auto* nums = dynamic_cast<TOraArray*>(b->GetAttrAsObject("NUMS"));
  auto person = Type("PERSON_T");
  Held<TOraObject> p(new TOraObject(person.get()));
  p->AllocObject(c_.GetSvcCtx());
  p->SetAttrAsString("PHONES[2]", "555-3");
  auto* phones = dynamic_cast<TOraNestTable*>(p->GetAttrAsObject("PHONES"));
  ASSERT_EQ(nums->GetSize(), 3);
  ASSERT_EQ(phones->GetSize(), 3);
  const struct {
    const char* lie;  // elements reported beyond the three held
    std::function<void()> action;
    const char* message;
  } cases[] = {
      {"8", [&] { nums->GetSize(); }, "The client library reported a collection of 11 elements"},
      {"8", [&] { b->SetAttrAsInteger("NUMS[4]", 1); }, "The client library reported a collection of 11 elements"},
      {"2", [&] { phones->SetElementString(3, "555-4"); },
       "The client library reported a collection of 5 elements without element 3"},
      {"2", [&] { phones->SetElementNull(4, true); },
       "The client library reported a collection of 5 elements without element 4"},
  };
  for (const auto& c : cases) {
    fake_.set("lie_collection_size", c.lie);
    EXPECT_EQ(MessageOf(c.action), c.message);
    fake_.set("lie_collection_size", "0");
  }
  EXPECT_EQ(nums->GetSize(), 3) << "nothing appended";
  EXPECT_EQ(phones->GetSize(), 3);
}

}  // namespace
}  // namespace ora
