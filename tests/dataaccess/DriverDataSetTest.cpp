// The dataset over a live record set of either test driver: memo edits undone by Cancel and by
// CancelUpdates, an applied insertion changed or deleted again, empty texts written through a
// field, refresh with its events, lookups of several fields, the record set made after
// construction, bookmarks on records the filter hides since, the apply of the record being
// posted, field definitions of a closed dataset, and the driver events with their arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "dataaccess/TextUtil.h"
#include "tests/dataaccess/DriverKinds.h"

namespace da {
namespace {

using testing::DriverDataSet;
using testing::DriverDb;
using testing::DriverKind;
using Rows = std::vector<std::pair<int, std::string>>;

class DriverDataSetTest : public ::testing::TestWithParam<DriverKind> {
 protected:
  void OpenEmp(const std::string& sql = "select * from emp") {
    ds.SetSQL(sql);
    ds.Open();
  }
  std::vector<int> Ids() {
    std::vector<int> ids;
    for (ds.First(); !ds.Eof(); ds.Next()) ids.push_back(ds.FieldByName("ID").AsInteger());
    return ids;
  }
  // Under cached updates: a new row, applied and not committed.
  void InsertApplied(int id, const char* name) {
    ds.Append();
    ds.FieldByName("ID").SetAsInteger(id);
    ds.FieldByName("NAME").SetAsString(name);
    ds.FieldByName("DEPT").SetAsInteger(10);
    ds.Post();
    ds.ApplyUpdates();
  }

  DriverDb db{GetParam()};
  DriverDataSet ds{db};
};

INSTANTIATE_TEST_SUITE_P(Drivers, DriverDataSetTest, testing::kAllDrivers, testing::DriverName);

TEST_P(DriverDataSetTest, TheRecordSetIsMadeAfterConstructionByTheOverride) {
  OpenEmp();
  EXPECT_EQ(ds.RecordSetsSet, 1);
  EXPECT_NE(dynamic_cast<TVtRecordSet*>(&ds.Data()), nullptr);
  EXPECT_EQ(ds.FieldByName("HIRED").AsDateTime(), EncodeDayNumber(1980, 12, 17));
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_P(DriverDataSetTest, MemoEditsAreUndoneByCancelAndByCancelUpdates) {
  OpenEmp();
  TField& note = ds.FieldByName("NOTE");
  ASSERT_EQ(note.AsString(), "first note");
  for (const Variant& value : {Variant("changed"), Variant::Null(), Variant("")}) {
    ds.Edit();
    note.SetAsVariant(value);
    EXPECT_EQ(note.AsString(), value.IsNull() ? "" : value.AsString());
    ds.Cancel();
    EXPECT_EQ(note.AsString(), "first note") << value.AsString();
    EXPECT_FALSE(note.IsNull());
  }

  ds.Close();
  ds.SetCachedUpdates(true);
  ds.Open();
  ds.Edit();
  ds.FieldByName("NOTE").SetAsString("cached change");  // the fields are made anew at each open
  ds.Post();
  EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "cached change");
  ds.Next();  // a record without a note gets one
  ds.Edit();
  ds.FieldByName("NOTE").SetAsString("new note");
  ds.Post();
  ds.CancelUpdates();
  ds.First();
  EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "first note");
  ds.Next();
  EXPECT_TRUE(ds.FieldByName("NOTE").IsNull());

  // A note written with a new record is what a later cancel goes back to.
  ds.Close();
  ds.SetCachedUpdates(false);
  ds.Open();
  ds.Append();
  ds.FieldByName("ID").SetAsInteger(8);
  ds.FieldByName("NOTE").SetAsString("inserted note");
  ds.Post();
  ds.Edit();
  ds.FieldByName("NOTE").SetAsString("edited");
  ds.Cancel();
  EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "inserted note");
}

TEST_P(DriverDataSetTest, AnAppliedInsertionChangedAgainIsAppliedAsAnUpdate) {
  ds.SetCachedUpdates(true);
  OpenEmp();
  InsertApplied(5, "NEW");
  EXPECT_EQ(ds.Appends, 1);

  // Not committed yet: the row is on the server, and its change is an update of it.
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("RENAMED");
  ds.Post();
  EXPECT_EQ(ds.UpdateStatus(), isUpdated);
  ds.ApplyUpdates();
  EXPECT_EQ(ds.Appends, 1);
  EXPECT_EQ(ds.Updates, 1);
  EXPECT_EQ(db.EmpRows(), (Rows{{1, "SMITH"}, {2, "ALLEN"}, {3, "WARD"}, {4, "JONES"}, {5, "RENAMED"}}));
  ds.CommitUpdates();
  EXPECT_FALSE(ds.Data().GetUpdatesPending());
}

TEST_P(DriverDataSetTest, CancellingTheChangeOfAnAppliedInsertionKeepsTheRow) {
  ds.SetCachedUpdates(true);
  OpenEmp();
  InsertApplied(5, "NEW");
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("RENAMED");
  ds.Post();
  ds.CancelUpdates();  // back to the row as it was applied: it is on the server
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4, 5}));
  ds.Last();
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "NEW");
  EXPECT_EQ(db.EmpRows().back(), std::make_pair(5, std::string("NEW")));
}

TEST_P(DriverDataSetTest, AnAppliedInsertionDeletedIsAppliedAsADeletion) {
  ds.SetCachedUpdates(true);
  OpenEmp();
  InsertApplied(6, "GONE");
  ds.Delete();
  EXPECT_EQ(ds.RecordCount(), 4);
  ds.ApplyUpdates();
  EXPECT_EQ(ds.Appends, 1);
  EXPECT_EQ(ds.Deletes, 1);
  ds.CommitUpdates();
  EXPECT_EQ(db.EmpRows(), (Rows{{1, "SMITH"}, {2, "ALLEN"}, {3, "WARD"}, {4, "JONES"}}));
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_P(DriverDataSetTest, AnEmptyTextWrittenThroughAFieldIsNullUnlessEmptyStringsAreKept) {
  OpenEmp();
  TField& name = ds.FieldByName("NAME");
  ds.Edit();
  name.SetAsString("");
  EXPECT_TRUE(name.IsNull());
  ds.Post();
  EXPECT_TRUE(ds.FieldByName("NAME").IsNull());
  EXPECT_EQ(ds.Updates, 1);

  ds.Close();
  ds.RecordSet().SetProp(prKeepEmptyStrings, Variant(true));
  ds.Open();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("");
  EXPECT_FALSE(ds.FieldByName("NAME").IsNull());
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "");
  ds.Cancel();
}

TEST_P(DriverDataSetTest, RefreshRunsTheQueryAgainWithItsEvents) {
  std::vector<std::string> events;
  ds.BeforeRefresh = [&](TDataSet& d) { events.push_back("before " + std::to_string(d.RecNo())); };
  ds.AfterRefresh = [&](TDataSet& d) { events.push_back("after " + std::to_string(d.RecNo())); };
  OpenEmp();
  ds.Last();
  db.Execute("update emp set name = :NAME where id = :ID", {{"NAME", Variant("SMYTHE")}, {"ID", Variant(1)}});
  const int executions = db.GetScript().Executions;
  ds.Refresh();
  EXPECT_EQ(events, (std::vector<std::string>{"before 4", "after 1"}));
  if (GetParam() == DriverKind::Sqlite) {
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "SMYTHE");
  } else {
    EXPECT_EQ(db.GetScript().Executions, executions + 1);
  }
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4}));

  // A pending edit is posted first; a closed dataset cannot be refreshed.
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("X");
  ds.Refresh();
  EXPECT_EQ(ds.Updates, 1);
  ds.Close();
  EXPECT_THROW(ds.Refresh(), EDatabaseError);
}

TEST_P(DriverDataSetTest, LookupOfSeveralFieldsGivesAnArrayOfTheirValues) {
  OpenEmp();
  ds.Next();
  const Variant found = ds.Lookup("ID", {Variant(3)}, "NAME;DEPT");
  ASSERT_TRUE(found.IsArray());
  EXPECT_EQ(found.ArrayLowBound(), 0);
  EXPECT_EQ(found, Variant::ArrayOf({Variant("WARD"), Variant(30)}));
  EXPECT_EQ(ds.Lookup("ID", {Variant(3)}, "NAME"), Variant("WARD"));
  EXPECT_TRUE(ds.Lookup("ID", {Variant(9)}, "NAME;DEPT").IsNull());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
}

TEST_P(DriverDataSetTest, ABookmarkedRecordTheFilterHidesSinceGivesTheNextOneShown) {
  OpenEmp();
  ds.Next();
  ds.Next();
  const TBookmark ward = ds.GetBookmark();
  ds.SetFilter("DEPT = 20");
  ds.SetFiltered(true);
  ASSERT_EQ(Ids(), (std::vector<int>{1, 4}));
  ds.First();
  ds.GotoBookmark(ward);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
  EXPECT_EQ(ds.RecNo(), 2);
}

TEST_P(DriverDataSetTest, TheRecordBeingPostedIsAppliedByTheState) {
  OpenEmp();
  TUpdateAction action = uaFail;
  ds.Edit();
  ds.DoApplyRecord(ukInsert, action);
  EXPECT_EQ(ds.Updates, 1);
  EXPECT_EQ(ds.Appends, 0);
  ds.Cancel();
  ds.Append();
  ds.FieldByName("ID").SetAsInteger(7);
  ds.DoApplyRecord(ukModify, action);
  EXPECT_EQ(ds.Appends, 1);
  EXPECT_EQ(ds.Updates, 1);
  ds.Cancel();
  ds.LocalUpdate = true;
  ds.Edit();
  ds.DoApplyRecord(ukModify, action);
  EXPECT_EQ(ds.Updates, 1);
  ds.Cancel();
}

TEST_P(DriverDataSetTest, FieldDefinitionsOfAClosedDatasetComeFromDescribingTheStore) {
  ds.SetSQL("select * from emp");
  ds.InitFieldDefs();
  EXPECT_FALSE(ds.Active());
  std::vector<std::string> names;
  for (const TFieldDef& def : ds.FieldDefs()) names.push_back(AsciiUpper(def.Name));
  EXPECT_EQ(names, (std::vector<std::string>{"ID", "NAME", "NOTE", "DEPT", "HIRED"}));
  EXPECT_EQ(ds.FieldDefs()[2].DataType, ftMemo);
  EXPECT_EQ(ds.FieldDefs()[4].DataType, ftDateTime);
}

TEST_P(DriverDataSetTest, DriverEventsCarryTheirArguments) {
  std::vector<std::string> log;
  TVtRecordSet& rs = ds.RecordSet();
  rs.SetEventProp(prRsAfterExecute, [&](bool ok) { log.push_back(ok ? "executed" : "failed"); });
  rs.SetEventProp(prBeforeFetch, [&](bool starting, bool& cancel) {
    log.push_back(starting ? "fetching" : "fetched");
    if (starting && log.size() > 2) cancel = true;  // the second fetch is refused
  });
  rs.SetEventProp(prAfterFetch, [&](bool ok) { log.push_back(ok ? "after fetch" : "fetch failed"); });
  rs.SetProp(prFetchRows, Variant(2));
  OpenEmp();
  EXPECT_EQ(log, (std::vector<std::string>{"executed", "fetching", "fetched", "after fetch"}));
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2}));  // the cancelled fetch brought no rows
  ds.Close();

  // A failing statement reports its failure; the connection's error event can turn it into the
  // silent abort by clearing the fail flag.
  log.clear();
  ds.SetSQL("select * from nowhere");
  EXPECT_THROW(ds.Open(), EDAError);
  EXPECT_EQ(log, (std::vector<std::string>{"failed"}));
  int errors = 0;
  db.Connection().SetEventProp(prOnError, [&](const EDAError& e, bool& fail) {
    ++errors;
    EXPECT_NE(std::string(e.what()).find("nowhere"), std::string::npos);
    fail = false;
  });
  EXPECT_THROW(ds.Open(), EAbort);
  EXPECT_EQ(errors, 1);
  EXPECT_THROW(rs.SetEventProp(prAfterFetch, [](bool, bool&) {}), EAssertionFailed);  // the wrong kind
}

}  // namespace
}  // namespace da

namespace da {
namespace {

// A record set whose constructor leaves the command to CreateCommand.
class LateCommandRecordSet : public testing::ScriptRecordSet {
 public:
  LateCommandRecordSet() { SetCommand(nullptr); }
  int Made = 0;
  std::unique_ptr<TVtCommand> CreateCommand() override {
    ++Made;
    return testing::ScriptRecordSet::CreateCommand();
  }
};

TEST(TwoPhaseCreation, ARecordSetMakesItsCommandThroughTheOverrideWhenFirstNeeded) {
  LateCommandRecordSet rs;
  EXPECT_EQ(rs.Made, 0);
  rs.SetSQL("select 1");
  EXPECT_EQ(rs.Made, 1);
  EXPECT_EQ(rs.GetCommand()->SQL, "select 1");
  EXPECT_EQ(rs.Made, 1);
}

}  // namespace
}  // namespace da
