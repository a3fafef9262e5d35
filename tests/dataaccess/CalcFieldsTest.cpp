// Calculated and lookup fields of the dataset: when they are computed (event order), what they
// show in each state, lookups through another dataset by key, and the declarations refused at open.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/MemDS.h"

namespace da {
namespace {

using Log = std::vector<std::string>;

struct Column {
  const char* name;
  TDataType type;
  int length;
};

void Define(TMemDataSet& ds, const std::vector<Column>& columns) {
  ds.Data().AutoInitFields = false;
  for (const Column& c : columns) ds.Data().AddField(c.name, c.type, c.length);
  ds.Data().InitFields();
}

void AddRow(TMemDataSet& ds, const std::vector<Variant>& values) {
  ds.Append();
  for (std::size_t i = 0; i < values.size(); ++i) ds.Fields(static_cast<int>(i)).SetAsVariant(values[i]);
  ds.Post();
}

// EMP (ID, NAME, DEPT, MGR) with a calculated DOUBLED = ID * 2 and a lookup DNAME from DEPTS.
class CalcFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Define(depts, {{"DEPTNO", dtInt32, 0}, {"DNAME", dtString, 10}, {"LOC", dtString, 10}});
    depts.Open();
    AddRow(depts, {Variant(10), Variant("ACCOUNTING"), Variant("NEW YORK")});
    AddRow(depts, {Variant(20), Variant("RESEARCH"), Variant("DALLAS")});
    AddRow(depts, {Variant::Null(), Variant("NOWHERE"), Variant("NONE")});
    depts.First();

    Define(emp, {{"ID", dtInt32, 0}, {"NAME", dtString, 10}, {"DEPT", dtInt32, 0}});
    emp.AddCalculatedField("DOUBLED", ftInteger);
    emp.AddLookupField("DNAME", ftString, 10, &depts, "DEPT", "DEPTNO", "DNAME");
    emp.OnCalcFields = [this](TDataSet& d) {
      events.push_back("OnCalcFields");
      // Lookups are done before the handler runs.
      seenDname.push_back(d.FieldByName("DNAME").AsString());
      if (!d.FieldByName("ID").IsNull()) d.FieldByName("DOUBLED").SetAsInteger(d.FieldByName("ID").AsInteger() * 2);
    };
    auto log = [this](const char* name) { return [this, name](TDataSet&) { events.push_back(name); }; };
    emp.AfterOpen = log("AfterOpen");
    emp.BeforeScroll = log("BeforeScroll");
    emp.AfterScroll = log("AfterScroll");
  }

  void Fill() {
    emp.Open();
    AddRow(emp, {Variant(1), Variant("SMITH"), Variant(20)});
    AddRow(emp, {Variant(2), Variant("KING"), Variant(10)});
    AddRow(emp, {Variant(3), Variant("NOBODY"), Variant(99)});
    AddRow(emp, {Variant(4), Variant("LOOSE"), Variant::Null()});
    emp.First();
    events.clear();
    seenDname.clear();
  }

  std::vector<std::string> events;
  std::vector<std::string> seenDname;
  TMemDataSet depts;
  TMemDataSet emp;
};

TEST_F(CalcFixture, CalculatedFieldsAreComputedBeforeEveryScrollEndsAndBeforeAfterOpen) {
  emp.Open();
  EXPECT_EQ(events, (Log{"AfterOpen", "AfterScroll"})) << "an empty dataset has nothing to calculate";
  AddRow(emp, {Variant(1), Variant("SMITH"), Variant(20)});
  AddRow(emp, {Variant(2), Variant("KING"), Variant(10)});
  events.clear();
  emp.First();
  EXPECT_EQ(events, (Log{"BeforeScroll", "OnCalcFields", "AfterScroll"}));

  events.clear();
  emp.Next();
  EXPECT_EQ(events, (Log{"BeforeScroll", "OnCalcFields", "AfterScroll"}));
  events.clear();
  emp.Next();  // already on the last record: nothing moves, nothing is calculated
  EXPECT_EQ(events, (Log{"BeforeScroll", "AfterScroll"}));
  events.clear();
  emp.Prior();
  EXPECT_EQ(events, (Log{"BeforeScroll", "OnCalcFields", "AfterScroll"}));
  events.clear();
  emp.Last();
  EXPECT_EQ(events, (Log{"BeforeScroll", "OnCalcFields", "AfterScroll"}));
}

TEST(CalcFieldsOpen, OpeningOnRowsCalculatesTheFirstBeforeAfterOpen) {
  TMemDataSet ds;
  Define(ds, {{"ID", dtInt32, 0}});
  ds.AddCalculatedField("C", ftInteger);
  TMemData& data = ds.Data();
  data.Open();
  std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
  for (std::int32_t i = 1; i <= 2; ++i) {
    data.InitRecord(rec.get());
    data.PutFieldByNo(1, rec.get(), &i);
    data.AppendRecord(rec.get());
  }
  Log events;
  ds.OnCalcFields = [&](TDataSet& d) {
    events.push_back("OnCalcFields" + d.FieldByName("ID").AsString());
    d.FieldByName("C").SetAsInteger(-d.FieldByName("ID").AsInteger());
  };
  ds.AfterOpen = [&](TDataSet&) { events.push_back("AfterOpen"); };
  ds.Open();
  EXPECT_EQ(events, (Log{"OnCalcFields1", "AfterOpen"}));
  EXPECT_EQ(ds.FieldByName("C").AsInteger(), -1);
}

TEST_F(CalcFixture, ValuesFollowTheCurrentRecord) {
  Fill();
  struct Row {
    int id;
    const char* dname;  // nullptr: NULL
    bool doubledNull;
  };
  const std::vector<Row> expected{
      {1, "RESEARCH", false}, {2, "ACCOUNTING", false}, {3, nullptr, false}, {4, nullptr, false}};
  for (const Row& row : expected) {
    SCOPED_TRACE(row.id);
    ASSERT_FALSE(emp.Eof());
    EXPECT_EQ(emp.FieldByName("ID").AsInteger(), row.id);
    EXPECT_EQ(emp.FieldByName("DOUBLED").AsInteger(), row.id * 2);
    EXPECT_EQ(emp.FieldByName("DOUBLED").IsNull(), row.doubledNull);
    if (row.dname) {
      EXPECT_EQ(emp.FieldByName("DNAME").AsString(), row.dname);
    } else {
      // Key 99 is missing; a NULL key must not find the lookup row whose key is NULL.
      EXPECT_TRUE(emp.FieldByName("DNAME").IsNull());
    }
    emp.Next();
  }
  // The lookup dataset's own position is untouched by all those lookups.
  EXPECT_EQ(depts.FieldByName("DEPTNO").AsInteger(), 10);
  // Moving back by bookmark, record number and locate recalculates too.
  emp.Locate("ID", {Variant(2)}, 0);
  EXPECT_EQ(emp.FieldByName("DOUBLED").AsInteger(), 4);
  emp.SetRecNo(1);
  EXPECT_EQ(emp.FieldByName("DNAME").AsString(), "RESEARCH");
}

TEST_F(CalcFixture, EditingRecalculatesOnDataFieldChangesOnlyWithAutoCalcFields) {
  Fill();
  for (bool autoCalc : {true, false}) {
    SCOPED_TRACE(autoCalc);
    emp.AutoCalcFields = autoCalc;
    emp.First();
    emp.Edit();
    events.clear();
    emp.FieldByName("ID").SetAsInteger(50);
    emp.FieldByName("DEPT").SetAsInteger(10);
    if (autoCalc) {
      EXPECT_EQ(events, (Log{"OnCalcFields", "OnCalcFields"}));
      EXPECT_EQ(emp.FieldByName("DOUBLED").AsInteger(), 100);
      EXPECT_EQ(emp.FieldByName("DNAME").AsString(), "ACCOUNTING");
    } else {
      EXPECT_TRUE(events.empty());
      EXPECT_EQ(emp.FieldByName("DOUBLED").AsInteger(), 2) << "the record's values as it was read";
    }
    emp.Cancel();
    EXPECT_EQ(emp.FieldByName("ID").AsInteger(), 1);
    EXPECT_EQ(emp.FieldByName("DOUBLED").AsInteger(), 2);
    EXPECT_EQ(emp.FieldByName("DNAME").AsString(), "RESEARCH");
  }
  // A posted change shows in the calculated fields of the record read back.
  emp.AutoCalcFields = false;
  emp.Edit();
  emp.FieldByName("ID").SetAsInteger(7);
  emp.Post();
  EXPECT_EQ(emp.FieldByName("DOUBLED").AsInteger(), 14);
}

TEST_F(CalcFixture, InsertStartsWithNoCalculatedValues) {
  Fill();
  emp.Insert();
  EXPECT_TRUE(emp.FieldByName("DOUBLED").IsNull());
  EXPECT_TRUE(emp.FieldByName("DNAME").IsNull());
  emp.FieldByName("DEPT").SetAsInteger(20);
  EXPECT_EQ(emp.FieldByName("DNAME").AsString(), "RESEARCH");
  EXPECT_TRUE(emp.FieldByName("DOUBLED").IsNull());
  // A calculated field may be set while editing, and is not posted to the store.
  emp.FieldByName("DOUBLED").SetAsString("12");
  EXPECT_EQ(emp.FieldByName("DOUBLED").AsVariant().AsInteger(), 12);
  EXPECT_TRUE(emp.Modified());
  emp.Cancel();
}

TEST_F(CalcFixture, WhereCalculatedFieldsCanBeReadAndWritten) {
  Fill();
  // Browse: read-only like every field.
  EXPECT_THROW(emp.FieldByName("DOUBLED").SetAsInteger(1), EDatabaseError);
  // Filter state: calculated values are not there to filter on.
  std::vector<bool> nullWhileFiltering;
  emp.SetOnFilterRecord([&](TDataSet& d, bool& accept) {
    nullWhileFiltering.push_back(d.FieldByName("DOUBLED").IsNull());
    accept = d.FieldByName("ID").AsInteger() != 2;
  });
  emp.SetFiltered(true);
  EXPECT_FALSE(nullWhileFiltering.empty());
  for (bool isNull : nullWhileFiltering) EXPECT_TRUE(isNull);
  EXPECT_EQ(emp.FieldByName("DOUBLED").AsInteger(), 2);
  emp.SetFiltered(false);
  emp.SetOnFilterRecord(nullptr);
  // A handler may not change the record it calculates.
  emp.OnCalcFields = [](TDataSet& d) { d.FieldByName("NAME").SetAsString("x"); };
  EXPECT_THROW(emp.Next(), EDatabaseError);
}

TEST_F(CalcFixture, StringValuesAreCutToTheFieldSize) {
  TMemDataSet ds;
  Define(ds, {{"NAME", dtString, 20}});
  ds.AddCalculatedField("SHORT", ftString, 3);
  ds.AddCalculatedField("WHEN", ftDate);
  ds.OnCalcFields = [](TDataSet& d) {
    d.FieldByName("SHORT").SetAsString(d.FieldByName("NAME").AsString());
    d.FieldByName("WHEN").SetAsFloat(2.0);
  };
  ds.Open();
  AddRow(ds, {Variant("abcdef")});
  ds.First();
  EXPECT_EQ(ds.FieldByName("SHORT").AsString(), "abc");
  EXPECT_DOUBLE_EQ(ds.FieldByName("WHEN").AsDateTime(), 2.0);
}

TEST_F(CalcFixture, LookupFieldSeesAClosedLookupDataSetAsNoValue) {
  Fill();
  depts.Close();
  emp.Next();
  EXPECT_TRUE(emp.FieldByName("DNAME").IsNull());
  EXPECT_EQ(seenDname, (Log{""}));
}

TEST_F(CalcFixture, LookupWithSeveralKeys) {
  TMemDataSet ds;
  Define(ds, {{"D", dtInt32, 0}, {"L", dtString, 10}});
  ds.AddLookupField("NAME", ftString, 10, &depts, "D;L", "DEPTNO;LOC", "DNAME");
  ds.Open();
  const struct {
    int dept;
    const char* loc;
    const char* expected;  // nullptr: NULL
  } cases[] = {{10, "NEW YORK", "ACCOUNTING"}, {10, "DALLAS", nullptr}, {20, "DALLAS", "RESEARCH"}};
  for (const auto& c : cases) AddRow(ds, {Variant(c.dept), Variant(c.loc)});
  ds.First();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.dept) + c.loc);
    if (c.expected) {
      EXPECT_EQ(ds.FieldByName("NAME").AsString(), c.expected);
    } else {
      EXPECT_TRUE(ds.FieldByName("NAME").IsNull());
    }
    ds.Next();
  }
}

TEST_F(CalcFixture, DataSetLookupCanReturnCalculatedFieldsOfTheFoundRecord) {
  Fill();
  emp.Last();
  seenDname.clear();
  EXPECT_EQ(emp.Lookup("NAME", {Variant("KING")}, "DOUBLED").AsInteger(), 4);
  EXPECT_EQ(emp.Lookup("NAME", {Variant("KING")}, "DNAME").AsString(), "ACCOUNTING");
  EXPECT_TRUE(emp.Lookup("NAME", {Variant("NOBODY")}, "DNAME").IsNull());
  // The current record and its own calculated values stay.
  EXPECT_EQ(emp.FieldByName("ID").AsInteger(), 4);
  EXPECT_EQ(emp.FieldByName("DOUBLED").AsInteger(), 8);
  EXPECT_EQ(emp.State(), dsBrowse);
}

TEST_F(CalcFixture, BlockReadScansDataFieldsWithoutCalculating) {
  EXPECT_THROW(emp.SetBlockReadSize(10), EDatabaseError) << "closed";
  emp.SetBlockReadSize(0);  // nothing to leave: allowed while closed
  Fill();
  Log states;
  emp.OnStateChange = [&](TDataSet& d) { states.push_back(std::to_string(d.State())); };
  // A pending change is posted before the state changes under it.
  emp.Edit();
  emp.FieldByName("NAME").SetAsString("EDITED");
  emp.SetBlockReadSize(100);
  EXPECT_EQ(emp.State(), dsBlockRead);
  EXPECT_EQ(emp.BlockReadSize(), 100);
  EXPECT_EQ(states, (Log{"2", "1", "10"}));
  EXPECT_EQ(emp.FieldByName("NAME").AsString(), "EDITED");

  events.clear();
  emp.First();
  int sum = 0;
  for (; !emp.Eof(); emp.Next()) {
    sum += emp.FieldByName("ID").AsInteger();
    EXPECT_TRUE(emp.FieldByName("DOUBLED").IsNull());
    EXPECT_TRUE(emp.FieldByName("DNAME").IsNull());
  }
  EXPECT_EQ(sum, 1 + 2 + 3 + 4);
  for (const std::string& e : events) EXPECT_NE(e, "OnCalcFields");

  // Back to browsing: the current record's calculated fields are there again.
  emp.SetBlockReadSize(0);
  EXPECT_EQ(emp.State(), dsBrowse);
  EXPECT_EQ(emp.FieldByName("DOUBLED").AsInteger(), 8);
  // Closing ends block reading.
  emp.SetBlockReadSize(5);
  emp.Close();
  EXPECT_EQ(emp.BlockReadSize(), 0);
  emp.Open();
  EXPECT_EQ(emp.State(), dsBrowse);
  emp.OnStateChange = nullptr;  // the log dies before the fixture closes the dataset
}

TEST(CalcFieldDeclarations, FaultyDeclarationsAreRefusedAtOpen) {
  TMemDataSet other;
  const struct {
    const char* what;
    std::function<void(TMemDataSet&)> declare;
    const char* message;
  } cases[] = {
      {"no lookup dataset",
       [](TMemDataSet& ds) { ds.AddLookupField("L", ftString, 5, nullptr, "ID", "ID", "ID"); },
       "Lookup information for field 'L' is incomplete"},
      {"no key fields",
       [&](TMemDataSet& ds) { ds.AddLookupField("L", ftString, 5, &other, " ; ", "ID", "ID"); },
       "Lookup information for field 'L' is incomplete"},
      {"no lookup key fields",
       [&](TMemDataSet& ds) { ds.AddLookupField("L", ftString, 5, &other, "ID", "", "ID"); },
       "Lookup information for field 'L' is incomplete"},
      {"no result field",
       [&](TMemDataSet& ds) { ds.AddLookupField("L", ftString, 5, &other, "ID", "ID", ""); },
       "Lookup information for field 'L' is incomplete"},
      {"lookup into itself",
       [](TMemDataSet& ds) { ds.AddLookupField("L", ftString, 5, &ds, "ID", "ID", "ID"); },
       "Circular datalinks are not allowed"},
      {"unknown key field",
       [&](TMemDataSet& ds) { ds.AddLookupField("L", ftString, 5, &other, "NOPE", "ID", "ID"); },
       "Field 'NOPE' not found"},
      {"name of a data field", [](TMemDataSet& ds) { ds.AddCalculatedField("id", ftInteger); },
       "Duplicate field name 'id'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TMemDataSet ds;
    Define(ds, {{"ID", dtInt32, 0}});
    c.declare(ds);
    try {
      ds.Open();
      ADD_FAILURE() << "opened";
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_FALSE(ds.Active());
    EXPECT_FALSE(ds.Data().Active()) << "a failed open gives the store back closed";
    EXPECT_EQ(ds.FieldCount(), 0);
    // Once the declaration is gone the dataset opens.
    ds.ClearCalculatedFields();
    ds.Open();
    EXPECT_EQ(ds.FieldCount(), 1);
  }
  TMemDataSet open;
  Define(open, {{"ID", dtInt32, 0}});
  open.Open();
  EXPECT_THROW(open.AddCalculatedField("C", ftInteger), EDatabaseError);
}

}  // namespace
}  // namespace da
