// The Oracle record set against the stand-in: the type map of its describe, array fetches into
// blocks of items, one-way reading, AutoClose, the fetch hook, the result cursor of a PL/SQL block,
// LONG columns piece by piece, and the library's counts checked before they are used.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/RecordBuffer.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/server/OraCursor.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/OraProps.h"
#include "oracle/server/OraRecordSet.h"
#include "platform/HeadlessMainThread.h"
#include "tests/support/FakeOciHome.h"

namespace ora {
namespace {

using da::Variant;
using testing::CallsOf;
using testing::MessageOf;
using Lines = std::vector<std::string>;

// A session on the stand-in with a table of 60 rows: n 1..60, s "row <n>", d a day per row.
class RecordSetTest : public testing::FakeOciTest {
 protected:
  void SetUp() override {
    testing::FakeOciTest::SetUp();
    Connect();
  }
  // The connection logs off while the library is still there (see OraSessionTest::TearDown).
  void TearDown() override {
    c_.reset();
    testing::FakeOciTest::TearDown();
  }
  void Connect(std::uint8_t callStyle = 0) {
    c_ = std::make_unique<TOCIConnection>(testing::OnMainThread(main_));
    if (callStyle) c_->SetCallStyle(callStyle);
    c_->SetUsername("scott");
    c_->SetPassword("tiger");
    c_->SetServer("orcl");
    c_->Connect("");
    ASSERT_EQ(fake_.exec("CREATE TABLE t(n NUMBER(9), s VARCHAR2(30), d DATE);"
                         "INSERT INTO t WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 60) "
                         "SELECT x, 'row ' || x, date('2004-01-01', '+' || x || ' days') || ' 10:20:30' FROM c;"),
              0);
    fake_.logClear();
  }
  std::unique_ptr<TOCIRecordSet> RecordSet(const std::string& sql, int fetchRows = 25) {
    auto rs = std::unique_ptr<TOCIRecordSet>(static_cast<TOCIRecordSet*>(c_->CreateRecordSet().release()));
    rs->SetSQL(sql);
    rs->SetProp(da::prFetchRows, Variant(fetchRows));
    return rs;
  }
  // The values of the current record, fields 1..count, as texts ("NULL" for NULL).
  static Lines Row(TOCIRecordSet& rs) {
    Lines values;
    for (int i = 1; i <= rs.GetFieldCount(); ++i) {
      if (rs.FieldAt(i).HasParent()) continue;
      const Variant v = rs.GetFieldAsVariant(i, rs.CurrentRecordPtr());
      values.push_back(v.IsNull() ? "NULL" : v.AsString());
    }
    return values;
  }
  static int ReadAll(TOCIRecordSet& rs) {
    int rows = 0;
    rs.SetToBegin();
    for (rs.GetNextRecord(nullptr); !rs.GetEOF(); rs.GetNextRecord(nullptr)) ++rows;
    return rows;
  }
  Lines Fetches() { return CallsOf(fake_, {"OCIStmtFetch", "OCIStmtFetch2", "ofen"}); }

  // Where the end of a statement run in the background goes; nobody runs it unless a test does.
  plat::HeadlessMainThread main_;
  std::unique_ptr<TOCIConnection> c_;
};

// ---- describe: the type map ----

struct TypeCase {
  const char* declared;
  const char* options;  // f flat buffers off, l long strings off, s fields as strings, i integers off
  da::TDataType type;
  std::uint16_t size, length;
  da::TDataType subType = da::dtUnknown;
  bool fixed = false;
};

TEST_F(RecordSetTest, DescribeMapsOracleTypesToFields) {
  const TypeCase cases[] = {
      {"VARCHAR2(20)", "", da::dtString, 21, 20},
      {"VARCHAR2(100)", "", da::dtString, 101, 100},
      {"VARCHAR2(100)", "f", da::dtExtString, sizeof(void*), 100},
      {"VARCHAR2(31)", "f", da::dtString, 32, 31},
      {"VARCHAR2(32)", "f", da::dtExtString, sizeof(void*), 32},
      {"VARCHAR2(4000)", "l", da::dtMemo, sizeof(void*), 4000, da::dtString},
      {"VARCHAR2(4000)", "", da::dtString, 4001, 4000},
      {"CHAR(10)", "", da::dtString, 11, 10, da::dtUnknown, true},
      {"NUMBER(9)", "", da::dtInt32, 4, 9},
      {"NUMBER(9)", "i", da::dtFloat, 8, 9},
      {"NUMBER(10)", "", da::dtFloat, 8, 10},
      {"NUMBER(9,2)", "", da::dtFloat, 8, 9},
      {"NUMBER", "", da::dtFloat, 8, 0},
      {"NUMBER(9)", "s", da::dtString, 12, 11},
      {"NUMBER", "s", da::dtString, 41, 40},
      {"NUMBER(3,-2)", "s", da::dtString, 7, 6},  // 99900: five digits and a sign
      {"NUMBER(2,5)", "s", da::dtString, 9, 8},   // -0.00099
      {"DATE", "", da::dtDateTime, 7, 0},
      {"RAW(16)", "", da::dtVarBytes, 18, 16},
      {"RAW(100)", "f", da::dtExtVarBytes, sizeof(void*), 100},
      {"RAW(16)", "s", da::dtString, 33, 32},
      {"LONG", "", da::dtMemo, sizeof(void*), 0},
      {"LONG RAW", "", da::dtBlob, sizeof(void*), 0},
      // Other types keep the column's size as their length (the stand-in's describe gives 4).
      {"SQLT_11", "", da::dtString, 19, 18, dtRowId},   // ROWID
      {"SQLT_104", "", da::dtString, 19, 18, dtRowId},  // a UROWID of 4 bytes
      {"SQLT_25", "", dtUndefined, 4, 4},
      {"CLOB", "", dtOraClob, sizeof(void*), 4000},
      {"BLOB", "", dtOraBlob, sizeof(void*), 4000},
      {"SQLT_114", "", dtBFile, sizeof(void*), 4},
      {"SQLT_187", "", dtTimeStamp, sizeof(void*), 4},
      {"SQLT_232", "", dtTimeStampLTZ, sizeof(void*), 4},
      {"SQLT_190", "", dtIntervalDS, sizeof(void*), 4},
      {"SQLT_116", "", dtCursor, sizeof(void*), 4},
  };
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(std::string(c.declared) + " " + c.options);
    ASSERT_EQ(fake_.exec(("DROP TABLE IF EXISTS m; CREATE TABLE m(x " + std::string(c.declared) + ");").c_str()), 0);
    auto rs = RecordSet("select x from m");
    const std::string options = c.options;
    rs->SetProp(da::prFlatBuffers, Variant(options.find('f') == std::string::npos));
    rs->SetProp(da::prLongStrings, Variant(options.find('l') == std::string::npos));
    rs->GetOCICommand()->SetProp(prFieldsAsString, Variant(options.find('s') != std::string::npos));
    c_->EnableIntegers = options.find('i') == std::string::npos;
    rs->Prepare();
    ASSERT_EQ(rs->GetFieldCount(), 1);
    const da::TFieldDesc& f = rs->FieldAt(1);
    EXPECT_EQ(f.Name, "X");
    EXPECT_EQ(f.DataType, c.type);
    EXPECT_EQ(f.Size, c.size);
    EXPECT_EQ(f.Length, c.length);
    EXPECT_EQ(f.SubDataType, c.subType);
    EXPECT_EQ(f.Fixed, c.fixed);
  }
}

TEST_F(RecordSetTest, DateFieldsAsStringsTakeTheLengthOfTheSessionsFormat) {
  ASSERT_EQ(fake_.exec("CREATE TABLE m(x DATE)"), 0);
  const std::pair<const char*, int> formats[] = {{"DD-MON-YYYY", 11}, {"DAY, DD MONTH YYYY", 18 + 7 + 9}};
  for (const auto& [format, length] : formats) {
    c_->SetNlsParameter(kNlsDateFormat, format);
    auto rs = RecordSet("select x from m");
    rs->GetOCICommand()->SetProp(prFieldsAsString, Variant(true));
    rs->Prepare();
    EXPECT_EQ(rs->FieldAt(1).DataType, da::dtString) << format;
    EXPECT_EQ(rs->FieldAt(1).Length, length) << format;
  }
}

TEST_F(RecordSetTest, UnknownOracleTypesAreRefused) {
  ASSERT_EQ(fake_.exec("CREATE TABLE m(x SQLT_111)"), 0);
  auto rs = RecordSet("select x from m");
  EXPECT_EQ(MessageOf([&] { rs->Prepare(); }), "Data type is not supported.");
}

// ---- array fetch ----

class RecordSetStyles : public RecordSetTest, public ::testing::WithParamInterface<std::uint8_t> {
 protected:
  void SetUp() override {
    testing::FakeOciTest::SetUp();
    if (GetParam() == OCI73) Reload(testing::Variant::WithOldInterface);
    Connect(GetParam());
  }
  std::string FetchCall(int rows) {
    return GetParam() == OCI73 ? "ofen rows=" + std::to_string(rows)
                               : "OCIStmtFetch rows=" + std::to_string(rows) + " orientation=2";
  }
};

TEST_P(RecordSetStyles, SixtyRowsComeInFetchesOf25And25And10) {
  auto rs = RecordSet("select n, s, d from t order by n");
  rs->Open();
  EXPECT_EQ(Fetches(), Lines{}) << "opening fetches nothing";
  EXPECT_EQ(ReadAll(*rs), 60);
  EXPECT_EQ(Fetches(), (Lines{FetchCall(25), FetchCall(25), FetchCall(25)}));
  EXPECT_TRUE(rs->AllFetched());
  EXPECT_EQ(rs->LastRowHeld(), 60);
  EXPECT_EQ(rs->GetRecordCount(), 60);
  EXPECT_EQ(rs->GetOCICommand()->GetCursorState(), csFetched);
  // The last block keeps its 10 rows; its other 15 items went back to the block manager.
  EXPECT_EQ(rs->BlockManager().FirstBlock()->ItemCount, 25);
  EXPECT_EQ(rs->BlockManager().FirstBlock()->UsedItems, 10);

  rs->SetRecNo(1);
  EXPECT_EQ(Row(*rs), (Lines{"1", "row 1", "2004.1.2 10:20:30"}));
  rs->SetRecNo(60);
  EXPECT_EQ(Row(*rs), (Lines{"60", "row 60", "2004.3.1 10:20:30"}));
  rs->GetNextRecord(nullptr);
  EXPECT_TRUE(rs->GetEOF());
  EXPECT_EQ(Fetches().size(), 3u) << "no fetch after the end";
}

INSTANTIATE_TEST_SUITE_P(CallStyles, RecordSetStyles, ::testing::Values(OCI73, OCI80),
                         [](const auto& info) { return info.param == OCI73 ? "OCI7" : "OCI8"; });

TEST_P(RecordSetStyles, AColumnLongerThanARecordFieldHoldsIsRefusedBeforeAnyDefine) {
  // 65534 and 65535 bytes and their count or terminator would wrap a field's 16-bit size to 0,
  // laying fields over each other.
  ASSERT_EQ(fake_.exec("CREATE TABLE big(n NUMBER(4), r RAW(65534), s VARCHAR2(65535));"
                       "INSERT INTO big VALUES (1, x'41', 'a');"),
            0);
  const struct {
    const char* sql;
    const char* message;
  } cases[] = {
      {"select n, r from big", "Column R is described 65534 bytes long: more than a record field holds"},
      {"select s, n from big", "Column S is described 65535 bytes long: more than a record field holds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    fake_.logClear();
    auto rs = RecordSet(c.sql);
    EXPECT_EQ(MessageOf([&] { rs->Open(); }), c.message);
    EXPECT_EQ(CallsOf(fake_, {"OCIDefineByPos", "odefin", "odefinps"}), Lines{});
  }
}

TEST_F(RecordSetTest, OneWayReadingKeepsOnlyTheLatestBlockInOneReusedBlock) {
  auto rs = RecordSet("select n, s from t order by n");
  rs->SetProp(da::prUniDirectional, Variant(true));
  rs->Open();
  rs->GetNextRecord(nullptr);
  const da::TBlockHeader* block = rs->BlockManager().FirstBlock();
  int rows = 1;
  std::vector<std::string> seen;
  for (; !rs->GetEOF(); rs->GetNextRecord(nullptr), ++rows) {
    seen.push_back(Row(*rs)[0]);
    // Every full block reuses the same memory: no allocation per fetch, none per row.
    EXPECT_EQ(rs->BlockManager().FirstBlock(), block) << rows;
  }
  EXPECT_EQ(seen.size(), 60u);
  EXPECT_EQ(seen.front(), "1");
  EXPECT_EQ(seen.back(), "60");
  EXPECT_EQ(rs->LastRowHeld(), 60);
  EXPECT_EQ(Fetches().size(), 3u);
  // Only the last block's rows are in memory; moving back is refused.
  Lines held;
  rs->SetToBegin();
  for (rs->GetNextRecord(nullptr); !rs->GetEOF(); rs->GetNextRecord(nullptr)) held.push_back(Row(*rs)[0]);
  EXPECT_EQ(held, (Lines{"51", "52", "53", "54", "55", "56", "57", "58", "59", "60"}));
  rs->GetPriorRecord(nullptr);
  EXPECT_TRUE(rs->GetBOF());
}

TEST_F(RecordSetTest, AutoCloseUnpreparesRightAfterTheLastRow) {
  auto rs = RecordSet("select n from t where n <= 30");
  rs->SetProp(prAutoClose, Variant(true));
  rs->Prepare();
  rs->Open();
  rs->GetNextRecord(nullptr);
  EXPECT_TRUE(rs->Prepared());
  for (int i = 0; i < 25; ++i) rs->GetNextRecord(nullptr);  // into the second block: the last rows
  const Lines calls = CallsOf(fake_, {"OCIStmtFetch", "OCIHandleFree"});
  EXPECT_EQ(calls, (Lines{"OCIStmtFetch rows=25 orientation=2", "OCIStmtFetch rows=25 orientation=2",
                          "OCIHandleFree type=4 (stmt)"}));
  EXPECT_FALSE(rs->Prepared());
  EXPECT_EQ(rs->GetOCICommand()->GetCursorState(), csInactive);
  // The rows stay readable.
  EXPECT_EQ(Row(*rs), Lines{"26"});
  EXPECT_EQ(ReadAll(*rs), 30);
  rs->Close();
}

TEST_F(RecordSetTest, AFetchHookThatCancelsStopsTheFetchWithoutRows) {
  auto rs = RecordSet("select n from t");
  Lines hook;
  bool cancelSecond = true;
  rs->SetEventProp(da::prBeforeFetch, [&](bool starting, bool& cancel) {
    hook.push_back(starting ? "before" : "after");
    if (starting && hook.size() > 2 && cancelSecond) cancel = true;
  });
  rs->Open();
  EXPECT_EQ(ReadAll(*rs), 25);
  EXPECT_EQ(hook, (Lines{"before", "after", "before"}));
  EXPECT_EQ(Fetches().size(), 1u);
  EXPECT_EQ(rs->GetRecordCount(), 25);
  cancelSecond = false;
  EXPECT_EQ(ReadAll(*rs), 60);
}

TEST_F(RecordSetTest, FetchAllReadsEveryRowAtOpen) {
  auto rs = RecordSet("select n from t");
  rs->SetProp(da::prFetchAll, Variant(true));
  rs->Open();
  EXPECT_EQ(Fetches().size(), 3u);
  EXPECT_EQ(rs->GetRecordCount(), 60);
  EXPECT_EQ(rs->GetOCICommand()->GetCursorState(), csFetched);
}

// LOB, file, timestamp and interval columns: each record holds its value object, which the library
// fills through its locator or descriptor; LOB contents are read at fetch time unless deferred.
class ValueColumnTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    AddFileDirectory("DATA", {{"a.txt", "hello file"}});
    ASSERT_EQ(fake_.exec("CREATE TABLE v(n NUMBER(9), b BLOB, c CLOB, f SQLT_114, ts SQLT_187, iv SQLT_190);"
                         "INSERT INTO v VALUES (1, to_blob(x'00FF41'), to_clob('some text'), "
                         "bfilename('DATA', 'a.txt'), '2004-01-02 10:20:30.250000000', '+1 02:03:04.5');"
                         "INSERT INTO v VALUES (2, NULL, NULL, NULL, NULL, NULL);"
                         "INSERT INTO v VALUES (3, to_blob(x'01'), to_clob(''), bfilename('DATA', 'gone.txt'), "
                         "NULL, NULL);"),
              0);
    fake_.logClear();
  }
  template <class T>
  static T* ValueOf(TOCIRecordSet& rs, int fieldNo) {
    return static_cast<T*>(da::ReadPointer(static_cast<const std::uint8_t*>(rs.CurrentRecordPtr()) +
                                           rs.FieldAt(fieldNo).Offset));
  }
};

TEST_F(ValueColumnTest, EachRecordHoldsItsValuesAndNullsStayNull) {
  auto rs = RecordSet("select n, b, c, f, ts, iv from v order by n");
  rs->Open();
  ASSERT_EQ(rs->GetFieldCount(), 6);
  const da::TDataType types[] = {da::dtInt32, dtOraBlob, dtOraClob, dtBFile, dtTimeStamp, dtIntervalDS};
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(rs->FieldAt(i).DataType, types[i - 1]) << i;
  ASSERT_EQ(ReadAll(*rs), 3);

  rs->SetRecNo(1);
  EXPECT_EQ(ValueOf<da::TBlob>(*rs, 2)->GetAsString(), std::string("\0\xff" "A", 3));
  EXPECT_EQ(rs->GetFieldAsVariant(3, rs->CurrentRecordPtr()).AsString(), "some text");
  EXPECT_EQ(ValueOf<da::TBlob>(*rs, 4)->GetAsString(), "hello file");
  EXPECT_EQ(rs->GetFieldAsVariant(5, rs->CurrentRecordPtr()).AsString(), "2004.1.2 10:20:30");
  EXPECT_FALSE(ValueOf<TOraTimeStamp>(*rs, 5)->IsNull());
  EXPECT_EQ(ValueOf<TOraInterval>(*rs, 6)->GetAsString(), "+01 02:03:04.500000");

  rs->SetRecNo(2);
  EXPECT_EQ(Row(*rs), (Lines{"2", "NULL", "NULL", "NULL", "NULL", "NULL"}));
  EXPECT_TRUE(ValueOf<TOraTimeStamp>(*rs, 5)->IsNull());
  EXPECT_TRUE(ValueOf<TOraInterval>(*rs, 6)->IsNull());
  EXPECT_EQ(ValueOf<da::TBlob>(*rs, 2)->Size(), 0u);

  rs->SetRecNo(3);  // an empty CLOB is a value; a missing file reads as empty
  EXPECT_EQ(rs->GetFieldAsVariant(3, rs->CurrentRecordPtr()).AsString(), "");
  EXPECT_EQ(ValueOf<da::TBlob>(*rs, 4)->GetAsString(), "");

  // Setting a timestamp NULL in the record reaches the indicator it is bound with.
  rs->SetRecNo(1);
  rs->SetNull(5, const_cast<void*>(rs->CurrentRecordPtr()), true);
  EXPECT_TRUE(ValueOf<TOraTimeStamp>(*rs, 5)->IsNull());
  rs->Close();
}

TEST_F(ValueColumnTest, DeferredLobsAreReadOnFirstUse) {
  for (bool deferred : {false, true}) {
    SCOPED_TRACE(deferred ? "deferred" : "at fetch");
    auto rs = RecordSet("select n, c from v where n = 1");
    rs->SetProp(prDeferredLobRead, Variant(deferred));
    rs->Open();
    ASSERT_EQ(ReadAll(*rs), 1);
    rs->SetRecNo(1);
    EXPECT_EQ(CallsOf(fake_, {"OCILobRead"}).size(), deferred ? 0u : 1u);
    EXPECT_EQ(Row(*rs), (Lines{"1", "some text"}));
    EXPECT_EQ(CallsOf(fake_, {"OCILobRead"}).size(), 1u);
    rs->Close();
    fake_.logClear();
  }
}

// With NonBlocking, opening executes and fetches all rows on a worker; the end of the data waits for
// the worker by the fetch event. A fetch of all rows that fails can be started again.
TEST_F(RecordSetTest, InTheBackgroundEveryRowIsFetchedAndTheEndWaitsForThem) {
  auto rs = RecordSet("select n from t order by n");
  rs->GetOCICommand()->SetProp(prNonBlocking, Variant(true));
  rs->SetProp(da::prFetchAll, Variant(true));
  Lines ends;
  rs->SetEventProp(da::prAfterFetch, [&](bool fetched) {
    ends.push_back(fetched ? "fetched" : "failed");
    main_.quit();
  });
  rs->Open();
  rs->SetToEnd();  // sleeps until the execution's first rows are there
  main_.run();
  rs->SetToEnd();
  EXPECT_EQ(ends, Lines{"fetched"});
  EXPECT_EQ(rs->GetRecordCount(), 60);
  EXPECT_EQ(rs->GetOCICommand()->GetCursorState(), csFetched);
  rs->Close();

  c_->ThreadSafety = false;
  EXPECT_EQ(MessageOf([&] { rs->Open(); }), "Session must be Thread Safety");
}

TEST_F(RecordSetTest, AFailedFetchOfAllRowsCanBeStartedAgain) {
  auto rs = RecordSet("select n from t order by n");
  rs->Open();
  fake_.fail("OCIStmtFetch", 2, 1013, "");
  EXPECT_EQ(MessageOf([&] { rs->FetchAllRows(); }), "ORA-01013: user requested cancel of current operation");
  EXPECT_EQ(rs->GetOCICommand()->GetCursorState(), csFetching);
  rs->FetchAllRows();
  EXPECT_EQ(rs->GetRecordCount(), 60);
}

TEST_F(RecordSetTest, AStatementWithoutRowsIsNoQuery) {
  auto rs = RecordSet("update t set s = 'x' where n = 1");
  EXPECT_EQ(MessageOf([&] { rs->Open(); }), "SQL statement doesn't return rows");
}

TEST_F(RecordSetTest, APLSQLBlockShowsTheRowsOfItsCursorParameter) {
  fake_.script("open :c for", "cursor C=SELECT n, s FROM t WHERE n <= 3 ORDER BY n");
  auto rs = RecordSet("begin open :c for select n, s from t where n <= 3 order by n; end;");
  auto* cursor = new TOraCursor();
  TOraParamDesc* param = rs->GetOCICommand()->GetOraParam(0);
  param->SetDataType(dtCursor);
  param->SetParamType(da::ptOutput);
  param->SetObject(cursor);
  rs->Open();
  ASSERT_EQ(rs->GetFieldCount(), 2);
  EXPECT_EQ(rs->FieldAt(1).Name, "N");
  EXPECT_EQ(rs->FieldAt(2).Name, "S");
  Lines rows;
  rs->SetToBegin();
  for (rs->GetNextRecord(nullptr); !rs->GetEOF(); rs->GetNextRecord(nullptr)) rows.push_back(Row(*rs)[1]);
  EXPECT_EQ(rows, (Lines{"row 1", "row 2", "row 3"}));
  EXPECT_EQ(CallsOf(fake_, {"OCIStmtExecute"}).size(), 1u) << "the block runs once";
  EXPECT_EQ(rs->GetResultCursor(), cursor);
  rs->Close();
  EXPECT_TRUE(rs->GetOCICommand()->IsOwnCursor());
  rs.reset();
  cursor->Release();
}


// ---- scrollable cursors ----

class ScrollableTest : public RecordSetTest {
 protected:
  // A scrollable cursor over t with a window of 10 rows, moved forward to hold rows 20 to 29
  // (0-based): 20 rows before them, the last held row number 30.
  std::unique_ptr<TOCIRecordSet> AtRow29() {
    auto rs = RecordSet("select n from t order by n", 10);
    rs->GetOCICommand()->SetProp(prScrollable, Variant(true));
    rs->Open();
    for (int i = 0; i < 30; ++i) rs->GetNextRecord(nullptr);
    EXPECT_EQ(rs->RowsBefore(), 20);
    EXPECT_EQ(rs->LastRowHeld(), 30);
    EXPECT_EQ(Row(*rs), Lines{"30"});
    fake_.logClear();
    return rs;
  }
};

TEST_F(ScrollableTest, ForwardFetchingGivesUpTheFirstRowHeldForEachNewRow) {
  auto rs = RecordSet("select n from t order by n", 10);
  rs->GetOCICommand()->SetProp(prScrollable, Variant(true));
  rs->Open();
  for (int i = 1; i <= 12; ++i) {
    rs->GetNextRecord(nullptr);
    EXPECT_EQ(rs->RowsBefore(), std::max(0, i - 10)) << i;
    EXPECT_EQ(rs->LastRowHeld(), i) << i;
  }
  EXPECT_EQ(Fetches(), Lines(12, "OCIStmtFetch2 rows=1 orientation=2"));
  EXPECT_EQ(CallsOf(fake_, {"OCIStmtExecute"}), Lines{"OCIStmtExecute iters=0 mode=8"});
}

struct BookmarkCase {
  std::int32_t row;  // 0-based, as bookmarks number rows
  Lines fetches;
  std::int32_t before, lastHeld;
  const char* current;
};

TEST_F(ScrollableTest, BookmarksFetchTheirRowByDistance) {
  const BookmarkCase cases[] = {
      // Before the rows held, within half a window: single backward fetches by absolute position.
      {17,
       {"OCIStmtFetch2 rows=1 orientation=32 offset=20", "OCIStmtFetch2 rows=1 orientation=32 offset=19",
        "OCIStmtFetch2 rows=1 orientation=32 offset=18"},
       17, 27, "18"},
      // The row after the last held: one forward fetch.
      {30, {"OCIStmtFetch2 rows=1 orientation=2"}, 21, 31, "31"},
      // Half a window or more beyond: the rows are dropped and the row is read alone.
      {40, {"OCIStmtFetch2 rows=1 orientation=32 offset=41"}, 40, 41, "41"},
      {5, {"OCIStmtFetch2 rows=1 orientation=32 offset=6"}, 5, 6, "6"},
      // A row held whose item is gone (the bookmark is stale): nothing fetched, nothing moves.
      {25, {}, 20, 30, "30"},
  };
  for (const BookmarkCase& c : cases) {
    SCOPED_TRACE(c.row);
    auto rs = AtRow29();
    da::TRecBookmark bookmark;
    bookmark.Order = c.row;
    rs->SetToBookmark(bookmark);
    EXPECT_EQ(Fetches(), c.fetches);
    EXPECT_EQ(rs->RowsBefore(), c.before);
    EXPECT_EQ(rs->LastRowHeld(), c.lastHeld);
    EXPECT_EQ(Row(*rs), Lines{c.current});
  }
}

TEST_F(ScrollableTest, ABookmarkOfAHeldRowNeedsNoFetch) {
  auto rs = AtRow29();
  rs->GetPriorRecord(nullptr);
  rs->GetPriorRecord(nullptr);
  da::TRecBookmark bookmark;
  rs->GetBookmark(bookmark);
  EXPECT_EQ(bookmark.Order, 27);
  rs->GetNextRecord(nullptr);
  rs->SetToBookmark(bookmark);
  EXPECT_EQ(Row(*rs), Lines{"28"});
  EXPECT_EQ(Fetches(), Lines{});
}

TEST_F(ScrollableTest, TheEndIsFetchedAsTheLastRowAndReadBackwards) {
  auto rs = AtRow29();
  rs->SetToEnd();
  EXPECT_EQ(Fetches(), Lines{"OCIStmtFetch2 rows=1 orientation=8"});
  EXPECT_TRUE(rs->AllFetched());
  rs->GetPriorRecord(nullptr);
  EXPECT_EQ(Row(*rs), Lines{"60"});
  rs->GetPriorRecord(nullptr);
  EXPECT_EQ(Row(*rs), Lines{"59"});
  EXPECT_EQ(Fetches(), (Lines{"OCIStmtFetch2 rows=1 orientation=8", "OCIStmtFetch2 rows=1 orientation=32 offset=60",
                              "OCIStmtFetch2 rows=1 orientation=32 offset=59"}));
  // Back to the beginning: the next forward fetch starts again at row 1 by position.
  fake_.logClear();
  rs->SetToBegin();
  rs->GetNextRecord(nullptr);
  EXPECT_EQ(Row(*rs), Lines{"1"});
  rs->GetNextRecord(nullptr);
  EXPECT_EQ(Row(*rs), Lines{"2"});
  EXPECT_EQ(Fetches(), (Lines{"OCIStmtFetch2 rows=1 orientation=32 offset=1", "OCIStmtFetch2 rows=1 orientation=2"}));
}

// ---- LONG columns ----

class LongColumnTest : public RecordSetTest {
 protected:
  void Seed() {
    ASSERT_EQ(fake_.exec("CREATE TABLE l(n NUMBER(9), txt LONG);"
                         "INSERT INTO l VALUES (1, replace(hex(zeroblob(35000)), '0', 'x'));"
                         "INSERT INTO l VALUES (2, 'two'); INSERT INTO l VALUES (3, NULL);"
                         "INSERT INTO l VALUES (4, 'four'); INSERT INTO l VALUES (5, NULL);"),
              0);
  }
  // The LONG column's values of rows 2..5 and the size of row 1's.
  Lines Read() {
    auto rs = RecordSet("select n, txt from l order by n", 10);
    rs->Open();
    Lines values;
    rs->SetToBegin();
    for (rs->GetNextRecord(nullptr); !rs->GetEOF(); rs->GetNextRecord(nullptr)) {
      const Variant v = rs->GetFieldAsVariant(2, rs->CurrentRecordPtr());
      values.push_back(v.IsNull() ? "NULL" : v.AsString().size() > 100 ? std::to_string(v.AsString().size()) : v.AsString());
    }
    return values;
  }
};

TEST_F(LongColumnTest, ALongValueArrivesInPiecesOfItsBlob) {
  Seed();
  auto rs = RecordSet("select n, txt from l order by n");
  rs->Open();
  rs->GetNextRecord(nullptr);
  da::TBlob* blob = rs->GetBlob(2, rs->CurrentRecordPtr());
  ASSERT_NE(blob, nullptr);
  EXPECT_EQ(blob->Size(), 70000u);
  ASSERT_EQ(blob->PieceCount(), 2);
  EXPECT_EQ(blob->GetFirstPiece()->Size, da::TBlob::kDefaultPieceSize);
  EXPECT_EQ(blob->GetFirstPiece()->Next->Size, 70000u - da::TBlob::kDefaultPieceSize) << "the last piece is shrunk";
  EXPECT_EQ(CallsOf(fake_, {"OCIDefineByPos"}).front(), "OCIDefineByPos pos=1 type=3 size=4");
  EXPECT_EQ(CallsOf(fake_, {"OCIDefineByPos"}).back(), "OCIDefineByPos pos=2 type=8 size=2147483647 mode=2");
}

// The old interface has no dynamic define: a statement with LONG columns is fetched row by row,
// each column's value asked piece by piece, a NULL or empty one too.
TEST_F(LongColumnTest, TheOldInterfaceMovesLongsRowByRowInPieces) {
  c_.reset();
  Reload(testing::Variant::WithOldInterface);
  Connect(OCI73);
  ASSERT_EQ(fake_.exec("CREATE TABLE l2(n NUMBER(9), a LONG, b LONG);"
                       "INSERT INTO l2 VALUES (1, replace(hex(zeroblob(35000)), '0', 'x'), 'short');"
                       "INSERT INTO l2 VALUES (2, NULL, '');"
                       "INSERT INTO l2 VALUES (3, 'three', NULL);"),
            0);
  fake_.logClear();
  auto rs = RecordSet("select n, a, b from l2 order by n", 10);
  rs->Open();
  Lines values;
  for (rs->GetNextRecord(nullptr); !rs->GetEOF(); rs->GetNextRecord(nullptr)) {
    std::string row;
    for (int i = 1; i <= 3; ++i) {
      const Variant v = rs->GetFieldAsVariant(i, rs->CurrentRecordPtr());
      row += (i > 1 ? "|" : "") + (v.IsNull() ? std::string("NULL")
                                   : v.AsString().size() > 100 ? std::to_string(v.AsString().size())
                                                               : v.AsString());
    }
    values.push_back(row);
    if (values.size() == 1) {
      da::TBlob* blob = rs->GetBlob(2, rs->CurrentRecordPtr());
      ASSERT_EQ(blob->PieceCount(), 2);
      EXPECT_EQ(blob->GetFirstPiece()->Next->Size, 70000u - da::TBlob::kDefaultPieceSize) << "the last piece is shrunk";
    }
  }
  EXPECT_EQ(values, (Lines{"1|70000|short", "2|NULL|", "3|three|NULL"}));
  // Each row is defined into its own record.
  const Lines defines = CallsOf(fake_, {"odefinps"});
  ASSERT_EQ(defines.size(), 2u * 4u);
  EXPECT_EQ(Lines(defines.begin(), defines.begin() + 2),
            (Lines{"odefinps op=0 pos=2 type=8 size=2147483647 skip=0,0",
                   "odefinps op=0 pos=3 type=8 size=2147483647 skip=0,0"}));
  // A row: one call, then one per piece (two for row 1's first value); then the end.
  EXPECT_EQ(Fetches().size(), 4u + 3u + 3u + 1u);
  EXPECT_EQ(CallsOf(fake_, {"osetpi"}).size(), 3u + 2u + 2u);
}

// Clients from 8.1.6 to 8.x write a dynamic define's indicator two bytes further per row; the
// versions are compared as numbers, so that 8.1.16 is one of them and 19.3 is not.
TEST_F(LongColumnTest, NullLongsLandOnTheirOwnRowsWhateverTheClientVersion) {
  const std::pair<const char*, bool> clients[] = {
      {"8.1.5", false}, {"8.1.7", true}, {"8.1.16", true}, {"9.2", false}, {"19.3", false}};
  for (const auto& [version, steps] : clients) {
    SCOPED_TRACE(version);
    c_.reset();
    FreeOCI();
    home_.reset();
    home_ = std::make_unique<testing::FakeOciHome>();
    const std::filesystem::path home = home_->AddHome(0, "OraHome0");
    testing::FakeOciHome::Place(home / "lib", std::string("libclntsh.so.") + version, testing::Variant::Class81);
    OCIInit();
    ASSERT_EQ(OCIClientVersion, version);
    fake_ = FakeOciControl::Bind(OCILibrary);
    fake_.reset();
    fake_.set("define_indicator_step", steps ? "1" : "0");
    Connect();
    Seed();
    EXPECT_EQ(Read(), (Lines{"70000", "two", "NULL", "four", "NULL"}));
  }
}

// ---- the library's counts ----

TEST_F(RecordSetTest, ARowCountBeyondTheRowsAskedIsRefused) {
  fake_.set("lie_row_count", "5");
  auto rs = RecordSet("select n, s from t");
  rs->Open();
  EXPECT_EQ(MessageOf([&] { rs->GetNextRecord(nullptr); }),
            "The client library reported 30 rows fetched after 0 for a fetch of 25");
  EXPECT_EQ(rs->GetRecordCount(), 0) << "no record made of what was not fetched";
  EXPECT_EQ(rs->BlockManager().FirstBlock(), nullptr) << "the block went back";
}

TEST_F(RecordSetTest, RowsTheLibraryCountsButDidNotFillReadAsNulls) {
  // 10 rows filled, 15 reported, within the 25 asked: the 5 rows nobody wrote are no values.
  ASSERT_EQ(fake_.exec("CREATE TABLE w(n NUMBER(9), v VARCHAR2(100));"
                       "INSERT INTO w SELECT n, s FROM t WHERE n <= 10;"),
            0);
  fake_.set("lie_row_count", "5");
  const struct {
    const char* name;
    const char* sql;
    std::size_t columns;
  } cases[] = {
      {"plain fields", "select n, s, d from t where n <= 10 order by n", 3},
      {"a field of the heap", "select n, v from w order by n", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto rs = RecordSet(c.sql);
    rs->SetProp(da::prFlatBuffers, Variant(false));
    rs->Open();
    EXPECT_EQ(ReadAll(*rs), 15);
    rs->SetRecNo(10);
    EXPECT_EQ(Row(*rs).at(0), "10");
    for (int row = 11; row <= 15; ++row) {
      rs->SetRecNo(row);
      EXPECT_EQ(Row(*rs), Lines(c.columns, "NULL")) << "row " << row;
    }
    rs->Close();
  }
}

TEST_F(RecordSetTest, LengthsBeyondTheirBuffersAreRefused) {
  ASSERT_EQ(fake_.exec("CREATE TABLE r(b RAW(4), x RAW(100));"
                       "INSERT INTO r VALUES (x'01020304', x'0102');"
                       "CREATE TABLE l(txt LONG); INSERT INTO l VALUES ('abc');"),
            0);
  struct LengthCase {
    const char* sql;
    const char* bias;
    const char* message;
  };
  const LengthCase cases[] = {
      {"select b from r", "3", "The client library reported a raw value of 7 bytes in 4 bytes of room"},
      {"select x from r", "200", "The client library reported a raw value of 202 bytes in 100 bytes of room"},
      {"select txt from l", "70000", "The client library reported a LONG piece of 70003 bytes in 65514 bytes of room"},
  };
  for (const LengthCase& c : cases) {
    fake_.set("lie_lengths", c.bias);
    auto rs = RecordSet(c.sql);
    rs->SetProp(da::prFlatBuffers, Variant(false));
    rs->Open();
    EXPECT_EQ(MessageOf([&] { rs->GetNextRecord(nullptr); }), c.message) << c.sql;
    EXPECT_EQ(rs->GetRecordCount(), 0) << c.sql;
  }
}

}  // namespace
}  // namespace ora
