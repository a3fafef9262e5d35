// The dataset over the record store: event order, bookmarks, locate/lookup, blob streams, cached
// updates, and fetching on demand through the script driver.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/MemDS.h"
#include "tests/dataaccess/ScriptDriver.h"

namespace da {
namespace {

// A dataset with (ID int32, NAME string(10), NOTE blob) and a log of its events.
class Fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    TMemData& d = ds.Data();
    d.AutoInitFields = false;
    d.AddField("ID", dtInt32);
    d.AddField("NAME", dtString, 10);
    d.AddField("NOTE", dtBlob);
    d.InitFields();
    auto log = [this](const char* name) { return [this, name](TDataSet&) { events.push_back(name); }; };
    ds.BeforeOpen = log("BeforeOpen");
    ds.AfterOpen = log("AfterOpen");
    ds.BeforeClose = log("BeforeClose");
    ds.AfterClose = log("AfterClose");
    ds.BeforeInsert = log("BeforeInsert");
    ds.AfterInsert = log("AfterInsert");
    ds.BeforeEdit = log("BeforeEdit");
    ds.AfterEdit = log("AfterEdit");
    ds.BeforePost = log("BeforePost");
    ds.AfterPost = log("AfterPost");
    ds.BeforeCancel = log("BeforeCancel");
    ds.AfterCancel = log("AfterCancel");
    ds.BeforeDelete = log("BeforeDelete");
    ds.AfterDelete = log("AfterDelete");
    ds.BeforeScroll = log("BeforeScroll");
    ds.AfterScroll = log("AfterScroll");
    ds.OnNewRecord = log("OnNewRecord");
    ds.OnStateChange = [this](TDataSet& d) { events.push_back("State" + std::to_string(d.State())); };
  }

  void AddRows(int n) {
    for (int i = 1; i <= n; ++i) {
      ds.Append();
      ds.FieldByName("ID").SetAsInteger(i);
      ds.FieldByName("NAME").SetAsString("N" + std::to_string(i));
      ds.Post();
    }
  }

  std::vector<int> Ids() {
    std::vector<int> ids;
    ds.First();
    while (!ds.Eof()) {
      ids.push_back(ds.FieldByName("ID").AsInteger());
      ds.Next();
    }
    return ids;
  }

  std::vector<std::string> events;  // before the dataset: its closing events outlive it otherwise
  TMemDataSet ds;
};

using Log = std::vector<std::string>;

TEST_F(Fixture, EventsFollowThePlatformOrder) {
  ds.Open();
  EXPECT_EQ(events, (Log{"BeforeOpen", "State1", "AfterOpen", "AfterScroll"}));
  EXPECT_TRUE(ds.IsEmpty());

  events.clear();
  ds.Insert();
  ds.FieldByName("ID").SetAsInteger(1);
  ds.Post();
  EXPECT_EQ(events, (Log{"BeforeInsert", "BeforeScroll", "State3", "OnNewRecord", "AfterInsert", "AfterScroll",
                         "BeforePost", "State1", "AfterPost"}));

  events.clear();
  ds.Edit();
  ds.FieldByName("ID").SetAsInteger(5);
  ds.Cancel();
  EXPECT_EQ(events, (Log{"BeforeEdit", "State2", "AfterEdit", "BeforeCancel", "State1", "AfterCancel"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);

  events.clear();
  ds.Delete();
  EXPECT_EQ(events, (Log{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
  EXPECT_TRUE(ds.IsEmpty());

  events.clear();
  ds.Close();
  EXPECT_EQ(events, (Log{"BeforeClose", "State0", "AfterClose"}));
}

TEST_F(Fixture, MovingOffAModifiedRecordPostsItAndAnUnmodifiedOneIsCancelled) {
  ds.Open();
  AddRows(2);
  ds.First();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("changed");
  events.clear();
  ds.Next();
  EXPECT_EQ(events, (Log{"BeforePost", "State1", "AfterPost", "BeforeScroll", "AfterScroll"}));
  ds.Edit();
  events.clear();
  ds.Prior();
  EXPECT_EQ(events, (Log{"BeforeCancel", "State1", "AfterCancel", "BeforeScroll", "AfterScroll"}));
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "changed");
}

TEST_F(Fixture, NavigationSetsBofAndEof) {
  ds.Open();
  AddRows(3);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);  // stays on the last record
  ds.Last();
  ds.Prior();
  ds.Prior();
  EXPECT_FALSE(ds.Bof());
  ds.Prior();
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
  EXPECT_EQ(ds.RecordCount(), 3);
  ds.SetRecNo(2);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
  EXPECT_EQ(ds.RecNo(), 2);
}

TEST_F(Fixture, InsertGoesBeforeTheCurrentRecordAndAppendAtTheEnd) {
  ds.Open();
  AddRows(3);
  ds.SetRecNo(2);
  ds.Insert();
  ds.FieldByName("ID").SetAsInteger(10);
  ds.Post();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 10);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 10, 2, 3}));
}

TEST_F(Fixture, BookmarksSurviveInsertsAndDeletes) {
  ds.Open();
  AddRows(5);
  ds.SetRecNo(3);
  const TBookmark three = ds.GetBookmark();
  ds.SetRecNo(5);
  const TBookmark five = ds.GetBookmark();
  ds.First();
  ds.Insert();
  ds.FieldByName("ID").SetAsInteger(100);
  ds.Post();
  ds.SetRecNo(2);  // record 1
  ds.Delete();
  ds.Last();
  ds.Delete();  // record 5: its bookmark no longer finds it
  ds.GotoBookmark(three);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);
  EXPECT_EQ(ds.CompareBookmarks(three, ds.GetBookmark()), 0);
  ds.GotoBookmark(five);
  EXPECT_FALSE(ds.Eof() && ds.Bof());
  EXPECT_NE(ds.FieldByName("ID").AsInteger(), 5);
}

TEST_F(Fixture, WritingOutsideEditRaisesAndReadOnlyFieldsRefuse) {
  ds.Open();
  AddRows(1);
  try {
    ds.FieldByName("ID").SetAsInteger(3);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
  }
  ds.FieldByName("NAME").SetReadOnly(true);
  ds.FieldByName("NAME").DisplayLabel = "Name";
  ds.Edit();
  try {
    ds.FieldByName("NAME").SetAsString("x");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'Name' cannot be modified");
  }
  ds.Cancel();
  ds.ReadOnly = true;
  EXPECT_THROW(ds.Delete(), EDatabaseError);
  ds.ReadOnly = false;
  // A catch of the library's base sees the data-access errors.
  EXPECT_THROW(ds.SetCachedUpdates(true), olv::Exception);
  ds.Close();
  ds.SetCachedUpdates(true);
  EXPECT_TRUE(ds.Data().CachedUpdates());
}

struct LocateCase {
  const char* keys;
  std::vector<Variant> values;
  TLocateOptions options;
  int expectedId;  // 0: not found
};

TEST_F(Fixture, LocateTable) {
  ds.Open();
  const char* names[] = {"alpha", "Beta", "gamma", "beta", "Alphabet"};
  for (int i = 0; i < 5; ++i) {
    ds.Append();
    ds.FieldByName("ID").SetAsInteger(i + 1);
    ds.FieldByName("NAME").SetAsString(names[i]);
    ds.Post();
  }
  const std::vector<LocateCase> cases{
      {"NAME", {Variant("beta")}, 0, 4},
      {"NAME", {Variant("BETA")}, loCaseInsensitive, 2},
      {"NAME", {Variant("Alpha")}, loCaseInsensitive | loPartialKey, 1},
      {"NAME", {Variant("Alph")}, loPartialKey, 5},
      {"NAME", {Variant("delta")}, 0, 0},
      {"ID;NAME", {Variant(3), Variant("gamma")}, 0, 3},
      {"ID;NAME", {Variant(3), Variant("beta")}, 0, 0},
  };
  for (const auto& c : cases) {
    ds.SetRecNo(3);
    events.clear();
    const bool found = ds.Locate(c.keys, c.values, c.options);
    SCOPED_TRACE(c.keys + std::string(" ") + c.values[0].AsString());
    EXPECT_EQ(found, c.expectedId != 0);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), found ? c.expectedId : 3);
    EXPECT_EQ(events, found ? (Log{"BeforeScroll", "AfterScroll"}) : (Log{"BeforeScroll"}));
  }
}

TEST_F(Fixture, LookupReadsTheFoundRecordAndKeepsTheCurrentOne) {
  ds.Open();
  AddRows(4);
  ds.SetRecNo(2);
  EXPECT_EQ(ds.Lookup("ID", {Variant(4)}, "NAME").AsString(), "N4");
  const auto both = ds.LookupValues("NAME", {Variant("N3")}, "ID;NAME");
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].AsInteger(), 3);
  EXPECT_EQ(both[1].AsString(), "N3");
  EXPECT_TRUE(ds.Lookup("ID", {Variant(99)}, "NAME").IsNull());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
  EXPECT_EQ(ds.State(), dsBrowse);
}

TEST_F(Fixture, FilterTextEventAndFindNextOnAnUnfilteredDataset) {
  ds.Open();
  AddRows(6);
  ds.SetFilter("ID > 3");
  EXPECT_EQ(Ids().size(), 6u);  // not filtered yet
  ds.SetFiltered(true);
  EXPECT_EQ(Ids(), (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(ds.RecordCount(), 3);
  ds.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName("ID").AsInteger() % 2 == 0; });
  EXPECT_EQ(Ids(), (std::vector<int>{4, 6}));
  ds.SetFiltered(false);
  EXPECT_EQ(ds.RecordCount(), 6);
  // Find honours text and event for the search only.
  ds.First();
  EXPECT_TRUE(ds.FindNext());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
  EXPECT_TRUE(ds.FindNext());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 6);
  EXPECT_FALSE(ds.FindNext());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 6);
  EXPECT_TRUE(ds.FindFirst());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
  EXPECT_EQ(Ids().size(), 6u);
}

TEST_F(Fixture, BlobStreamRoundTrip) {
  ds.Open();
  AddRows(1);
  std::string payload;
  for (int i = 0; i < 70000; ++i) payload += static_cast<char>('a' + i % 26);
  ds.Edit();
  {
    auto out = ds.CreateBlobStream(ds.FieldByName("NOTE"), TBlobStreamMode::bmWrite);
    out->WriteBuffer(payload.data(), payload.size());
  }
  EXPECT_TRUE(ds.Modified());
  ds.Post();
  auto in = ds.CreateBlobStream(ds.FieldByName("NOTE"), TBlobStreamMode::bmRead);
  std::string back(static_cast<std::size_t>(in->Size()), '\0');
  in->ReadBuffer(back.data(), back.size());
  EXPECT_EQ(back, payload);
  // A cancelled edit leaves the value as posted.
  ds.Edit();
  {
    auto out = ds.CreateBlobStream(ds.FieldByName("NOTE"), TBlobStreamMode::bmWrite);
    out->WriteBuffer("x", 1);
  }
  ds.Cancel();
  EXPECT_EQ(ds.CreateBlobStream(ds.FieldByName("NOTE"), TBlobStreamMode::bmRead)->Size(),
            static_cast<std::int64_t>(payload.size()));
}

TEST_F(Fixture, CachedUpdatesReachTheHandlerInOrder) {
  // Rows that were there before caching began.
  TMemData& data = ds.Data();
  data.Open();
  std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
  for (std::int32_t i = 1; i <= 3; ++i) {
    data.InitRecord(rec.get());
    data.CreateComplexFields(rec.get(), true);
    data.PutFieldByNo(1, rec.get(), &i);
    data.AppendRecord(rec.get());
  }
  ds.SetCachedUpdates(true);
  ds.Open();
  ds.First();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("new");
  ds.Post();
  EXPECT_EQ(ds.UpdateStatus(), isUpdated);
  ds.Last();
  ds.Delete();
  ds.Append();
  ds.FieldByName("ID").SetAsInteger(9);
  ds.Post();
  EXPECT_EQ(ds.UpdateStatus(), isAppended);
  std::vector<std::string> applied;
  ds.OnUpdateRecord = [&](TDataSet& d, TUpdateKind kind, TUpdateAction& action) {
    applied.push_back(std::to_string(kind) + ":" + d.FieldByName("ID").AsString());
    action = uaApplied;
  };
  ds.ApplyUpdates();
  EXPECT_EQ(applied, (std::vector<std::string>{"0:1", "2:3", "1:9"}));
  ds.CommitUpdates();
  EXPECT_EQ(ds.UpdateStatus(), isUnmodified);
  // A handler that skips leaves the change unperformed and reports the skip to the store.
  ds.First();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("again");
  ds.Post();
  ds.OnUpdateRecord = [](TDataSet&, TUpdateKind, TUpdateAction& action) { action = uaSkip; };
  ds.ApplyUpdates();
  EXPECT_EQ(ds.Data().GetUpdateResult(), uaSkip);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 9}));
}

class PerformCounter : public TMemDataSet {
 public:
  int performs = 0;

 protected:
  bool PerformAppend() override { return ++performs, true; }
  bool PerformUpdate() override { return ++performs, true; }
  bool PerformDelete() override { return ++performs, true; }
};

TEST(MemDataSetPerform, LocalUpdateNeverCallsPerform) {
  for (bool local : {false, true}) {
    PerformCounter ds;
    ds.Data().AutoInitFields = false;
    ds.Data().AddField("ID", dtInt32);
    ds.Data().InitFields();
    ds.LocalUpdate = local;
    ds.Open();
    ds.Append();
    ds.Fields(0).SetAsInteger(1);
    ds.Post();
    ds.Edit();
    ds.Fields(0).SetAsInteger(2);
    ds.Post();
    ds.Delete();
    EXPECT_EQ(ds.performs, local ? 0 : 3);
  }
}

TEST(DataTypeMapping, UnshownTypesRaiseAndShortStringsGetSizeOne) {
  for (TDataType t : {dtInt8, dtUInt16, dtInt64, dtCurrency}) {
    TMemDataSet ds;
    ds.Data().AutoInitFields = false;
    ds.Data().AddField("X", t);
    ds.Data().InitFields();
    try {
      ds.Open();
      FAIL() << t;
    } catch (const EAssertionFailed& e) {
      EXPECT_EQ(e.Text(), "Unknown data type.");
    }
  }
  TMemDataSet ds;
  ds.Data().AutoInitFields = false;
  ds.Data().AddField("S", dtString, 0, true);
  ds.Data().InitFields();
  ds.LocalConstraints = false;
  ds.Open();
  EXPECT_EQ(ds.FieldDefs()[0].Size, 1);
  EXPECT_FALSE(ds.FieldDefs()[0].Required);
}

class RangedDataSet : public TMemDataSet {
 public:
  RangedDataSet() { NumberRange = true; }
};

TEST(MemDataSetNumberRange, PrecisionAndScaleGiveTheRange) {
  RangedDataSet ds;
  TMemData& d = ds.Data();
  d.AutoInitFields = false;
  d.AddField("I", dtInt32).Length = 4;
  TFieldDesc& f = d.AddField("F", dtFloat);
  f.Length = 7;
  f.Scale = 2;
  d.AddField("G", dtFloat).Length = 20;  // too wide for a range
  d.InitFields();
  ds.Open();
  EXPECT_EQ(ds.FieldByName("I").MaxValue, 9999);
  EXPECT_EQ(ds.FieldByName("I").MinValue, -9999);
  EXPECT_DOUBLE_EQ(ds.FieldByName("F").MaxValue, 99999.99);
  EXPECT_EQ(ds.FieldByName("F").Precision, 7);
  EXPECT_EQ(ds.FieldByName("G").MaxValue, 0);
}

// ---- fetching on demand through the script driver ----

class ScriptDataSet : public TMemDataSet {
 public:
  explicit ScriptDataSet(testing::ScriptConnection& connection) {
    auto rs = connection.CreateRecordSet();
    recordSet = static_cast<TVtRecordSet*>(rs.get());
    SetIRecordSet(std::unique_ptr<TMemData>(rs.release()));
  }
  TVtRecordSet* recordSet;
};

class FetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ScriptResult r;
    r.Columns = {{"N", dtInt32}, {"S", dtString, 8}};
    for (int i = 1; i <= 60; ++i) r.Rows.push_back({Variant(i), Variant("r" + std::to_string(i))});
    script.Results["select * from t"] = r;
    script.Results["select * from empty"] = testing::ScriptResult{{{"N", dtInt32}}, {}};
  }
  testing::Script script;
  testing::ScriptConnection connection{script};
};

TEST_F(FetchTest, SixtyRowsFetchInThreeBlocksAndOneDryFetch) {
  ScriptDataSet ds(connection);
  ds.recordSet->SetSQL("select * from t");
  ds.recordSet->SetProp(prFetchRows, Variant(25));
  ds.Open();
  EXPECT_EQ(script.Fetches, 1);
  EXPECT_EQ(ds.RecordCount(), 25);
  int rows = 0, sum = 0;
  while (!ds.Eof()) {
    ++rows;
    sum += ds.FieldByName("N").AsInteger();
    if (rows == 25) {
      EXPECT_EQ(script.Fetches, 1);
    }
    if (rows == 26) {
      EXPECT_EQ(script.Fetches, 2);
    }
    ds.Next();
  }
  EXPECT_EQ(rows, 60);
  EXPECT_EQ(sum, 60 * 61 / 2);
  EXPECT_EQ(script.Fetches, 4);
  EXPECT_EQ(script.Executions, 1);
}

TEST_F(FetchTest, EmptyResultAsksOnceMoreThenEnds) {
  ScriptDataSet ds(connection);
  ds.recordSet->SetSQL("select * from empty");
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(script.Fetches, 2);  // at open, and once more for the first record
}

TEST_F(FetchTest, OneWayRecordSetKeepsOnlyTheLatestBlockAndCannotMoveBack) {
  ScriptDataSet ds(connection);
  ds.recordSet->SetSQL("select * from t");
  ds.recordSet->SetProp(prUniDirectional, Variant(true));
  ds.recordSet->SetProp(prFetchRows, Variant(25));
  ds.Open();
  for (int i = 0; i < 30; ++i) ds.Next();
  EXPECT_EQ(ds.FieldByName("N").AsInteger(), 31);
  EXPECT_EQ(ds.RecordCount(), 25);  // only the second block is kept
  EXPECT_EQ(script.Fetches, 2);
  ds.recordSet->GetPriorRecord(nullptr);
  EXPECT_TRUE(ds.recordSet->GetBOF());
}

TEST_F(FetchTest, PreparedQueryIsDescribedOnceAndUnpreparedOneAfterExecution) {
  ScriptDataSet prepared(connection);
  prepared.recordSet->SetSQL("select * from t");
  prepared.recordSet->CommandType = 2;  // the driver knows it returns rows when it prepares
  prepared.Prepare();
  EXPECT_EQ(script.Describes, 1);
  EXPECT_EQ(prepared.FieldDefs().size(), 2u);  // shown before opening
  prepared.Open();
  EXPECT_EQ(script.Describes, 1);

  ScriptDataSet unprepared(connection);
  unprepared.recordSet->SetSQL("select * from t");
  unprepared.Open();
  EXPECT_EQ(script.Describes, 2);
  EXPECT_EQ(script.Log.back(), "execute select * from t");
}

TEST_F(FetchTest, ConnectionConvertEolGovernsItsRecordSets) {
  testing::ScriptResult r;
  r.Columns = {{"S", dtString, 20}};
  r.Rows = {{Variant("a\nb")}};
  script.Results["select s"] = r;
  connection.SetProp(prConvertEOL, Variant(true));
  ScriptDataSet ds(connection);
  ds.recordSet->SetSQL("select s");
  ds.Open();
  EXPECT_EQ(ds.Fields(0).AsString(), "a\r\nb");
}

TEST(VtProps, UnknownIdsRaiseTheirNumberAndParamsFollowNull) {
  testing::Script script;
  testing::ScriptConnection connection(script);
  EXPECT_TRUE(connection.SetProp(prConvertEOL, Variant(true)));
  EXPECT_TRUE(connection.ConvertEOL);
  try {
    connection.SetProp(21, Variant(1));
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Text(), "21");
  }
  TPropValue v;
  EXPECT_THROW(connection.GetProp(prAutoCommit, v), EAssertionFailed);
  auto command = connection.CreateCommand();
  EXPECT_TRUE(command->GetProp(prParamCheck, v));
  EXPECT_FALSE(v.AsBoolean());
  EXPECT_THROW(command->SetEventProp(103, {}), EAssertionFailed);
  TParamDesc* p = command->AddParam();
  p->SetValue(Variant(5));
  p->SetNull(false);
  EXPECT_TRUE(p->GetValue().IsEmpty());
  p->SetValue(Variant::Null());
  EXPECT_TRUE(p->GetNull());
  command->DeleteParam(0);
  EXPECT_EQ(command->GetParamCount(), 0);
}

}  // namespace
}  // namespace da
