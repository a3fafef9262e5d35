// The Oracle record set reading 100,000 rows of (NUMBER(9), VARCHAR2(30), VARCHAR2(200), DATE)
// from the stand-in client library (tools/fakeoci) with FetchRows 1, 25, 100 and 1000, rows kept
// or read one way (UniDirectional), each row's four values read out. Two peers in the same run:
// - "sqlite": the same rows read from an SQLite database directly (the stand-in's own engine,
//   with no client library in between);
// - "bare": the same rows through the client library's calls alone (defines into a static
//   array, OCIStmtFetch until the end), which is the stand-in's own cost of handing rows over.
// Counters: rows/s of each, "ratio_sqlite" and "ratio_bare" (time ours / time peer), the client
// calls of one read, and heap allocations per 1,000 rows of ours and of the bare calls (the
// stand-in's own allocations are in both; their difference is the record set's).
// ORASCHEME_BENCH_ROWS overrides the row count.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

#include "bench/AllocationCounter.h"
#include "dataaccess/VtAccess.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraConnection.h"
#include "oracle/server/OraRecordSet.h"
#include "tools/fakeoci/FakeOciControl.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

const int kRows = [] {
  const char* env = std::getenv("ORASCHEME_BENCH_ROWS");
  return env ? std::atoi(env) : 100000;
}();

std::string Schema() {
  return "CREATE TABLE big(n NUMBER(9), s VARCHAR2(30), t VARCHAR2(200), d DATE);"
         "INSERT INTO big WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
         std::to_string(kRows) +
         ") SELECT x, printf('name %08d', x), printf('%0150d', x * 7919), "
         "date('2000-01-01', '+' || (x % 3000) || ' days') || ' 12:34:56' FROM c;";
}

constexpr const char* kQuery = "select n, s, t, d from big";

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "oracle_fetch: %s\n", what.c_str());
  std::abort();
}

// The stand-in loaded through the layer's own search, a session on it and the rows in both
// databases.
struct Setup {
  Setup() {
    char folder[] = "/tmp/orabenchXXXXXX";
    if (!::mkdtemp(folder)) Fail("no scratch folder");
    root = folder;
    ::setenv("ORASCHEME_REGISTRY_DIR", (root / "registry").c_str(), 1);
    ::setenv(ora::kOCIDllEnvVar, (std::filesystem::path(FAKEOCI_DIR) / "libfakeoci9.so").c_str(), 1);
    ora::OCIInit();
    fake = FakeOciControl::Bind(ora::OCILibrary);
    fake.reset();
    if (fake.exec(Schema().c_str()) != 0) Fail("cannot seed the stand-in");
    connection.SetUsername("scott");
    connection.SetPassword("tiger");
    connection.SetServer("orcl");
    connection.Connect("");
    if (sqlite3_open(":memory:", &db) != SQLITE_OK || sqlite3_exec(db, Schema().c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      Fail("cannot seed SQLite");
  }
  ~Setup() {
    connection.Disconnect();
    sqlite3_close(db);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::size_t Calls() const { return fake.Lines().size(); }

  std::filesystem::path root;
  FakeOciControl fake;
  ora::TOCIConnection connection;
  sqlite3* db = nullptr;
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

// A sink the compiler cannot see through.
std::int64_t gSink = 0;

int ReadRecordSet(Setup& s, int fetchRows, bool oneWay) {
  auto rs = s.connection.CreateRecordSet();
  rs->SetSQL(kQuery);
  rs->SetProp(da::prFetchRows, da::Variant(fetchRows));
  rs->SetProp(da::prUniDirectional, da::Variant(oneWay));
  rs->Open();
  std::int32_t n = 0;
  char text30[31], text200[201];
  double msecs = 0;
  bool blank = false;
  int rows = 0;
  rs->SetToBegin();
  for (rs->GetNextRecord(nullptr); !rs->GetEOF(); rs->GetNextRecord(nullptr)) {
    const void* r = rs->CurrentRecordPtr();
    rs->GetFieldByNo(1, r, blank, &n, sizeof n);
    rs->GetFieldByNo(2, r, blank, text30, sizeof text30);
    rs->GetFieldByNo(3, r, blank, text200, sizeof text200);
    rs->GetFieldByNo(4, r, blank, &msecs, sizeof msecs);
    gSink += n + text30[5] + text200[7] + static_cast<std::int64_t>(msecs);
    ++rows;
  }
  rs->Close();
  return rows;
}

int ReadSqlite(Setup& s) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(s.db, kQuery, -1, &stmt, nullptr) != SQLITE_OK) Fail(sqlite3_errmsg(s.db));
  char text30[31], text200[201], date[20];
  int rows = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    const int n = sqlite3_column_int(stmt, 0);
    std::snprintf(text30, sizeof text30, "%s", reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
    std::snprintf(text200, sizeof text200, "%s", reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)));
    std::snprintf(date, sizeof date, "%s", reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3)));
    gSink += n + text30[5] + text200[7] + date[3];
    ++rows;
  }
  sqlite3_finalize(stmt);
  return rows;
}

// The rows through the library's calls alone.
int ReadBare(Setup& s, int fetchRows) {
  using namespace ora;
  struct Row {
    std::int32_t n;
    char s[31];
    char t[201];
    ub1 d[7];
    sb2 ind[4];
  };
  std::unique_ptr<Row[]> rows(new Row[static_cast<std::size_t>(fetchRows)]);
  OCIError* err = s.connection.GetErrorHandle();
  OCIStmt* stmt = nullptr;
  auto check = [&](sword status) {
    if (status != OCI_SUCCESS && status != OCI_NO_DATA) Fail("bare call failed: " + std::to_string(status));
    return status;
  };
  check(OCIHandleAlloc(s.connection.GetEnvironment(), reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr));
  check(OCIStmtPrepare(stmt, err, reinterpret_cast<const OraText*>(kQuery), static_cast<ub4>(std::strlen(kQuery)),
                       OCI_NTV_SYNTAX, OCI_DEFAULT));
  struct Column {
    void* value;
    sb4 size;
    ub2 type;
    int ind;
  };
  Row& r0 = rows[0];
  const Column columns[] = {{&r0.n, 4, SQLT_INT, 0}, {r0.s, 31, SQLT_STR, 1}, {r0.t, 201, SQLT_STR, 2}, {r0.d, 7, SQLT_DAT, 3}};
  for (ub4 i = 0; i < 4; ++i) {
    OCIDefine* define = nullptr;
    check(OCIDefineByPos(stmt, &define, err, i + 1, columns[i].value, columns[i].size, columns[i].type,
                         &r0.ind[columns[i].ind], nullptr, nullptr, OCI_DEFAULT));
    check(OCIDefineArrayOfStruct(define, err, sizeof(Row), sizeof(Row), 0, 0));
  }
  check(OCIStmtExecute(s.connection.GetSvcCtx(), stmt, err, 0, 0, nullptr, nullptr, OCI_DEFAULT));
  int total = 0;
  for (;;) {
    const sword status = check(OCIStmtFetch(stmt, err, static_cast<ub4>(fetchRows), OCI_FETCH_NEXT, OCI_DEFAULT));
    ub4 count = 0;
    check(OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, err));
    const int got = static_cast<int>(count) - total;
    for (int i = 0; i < got; ++i) gSink += rows[static_cast<std::size_t>(i)].n + rows[static_cast<std::size_t>(i)].t[7];
    total = static_cast<int>(count);
    if (status == OCI_NO_DATA) break;
  }
  check(OCIHandleFree(stmt, OCI_HTYPE_STMT));
  return total;
}

void BM_RecordSetFetch(benchmark::State& state) {
  Setup& s = TheSetup();
  const int fetchRows = static_cast<int>(state.range(0));
  const bool oneWay = state.range(1) != 0;
  // Each reader runs three times, interleaved with the others; the best time of each counts, so
  // that a busy machine slows all three alike or none.
  double ours = 1e30, sqlite = 1e30, bare = 1e30;
  long long ourAllocs = 0, bareAllocs = 0;
  std::size_t calls = 0;
  for (auto _ : state) {
    for (int round = 0; round < 3; ++round) {
      s.fake.logClear();
      long long before = gAllocations.load();
      auto t0 = Clock::now();
      if (ReadRecordSet(s, fetchRows, oneWay) != kRows) Fail("the record set lost rows");
      ours = std::min(ours, Seconds(t0));
      ourAllocs = gAllocations.load() - before;
      calls = s.Calls();
      s.fake.logClear();

      t0 = Clock::now();
      if (ReadSqlite(s) != kRows) Fail("SQLite lost rows");
      sqlite = std::min(sqlite, Seconds(t0));

      before = gAllocations.load();
      t0 = Clock::now();
      if (ReadBare(s, fetchRows) != kRows) Fail("the bare calls lost rows");
      bare = std::min(bare, Seconds(t0));
      bareAllocs = gAllocations.load() - before;
      s.fake.logClear();
    }
    state.SetIterationTime(ours);
  }
  state.counters["rows_per_s"] = kRows / ours;
  state.counters["sqlite_rows_per_s"] = kRows / sqlite;
  state.counters["bare_rows_per_s"] = kRows / bare;
  state.counters["ratio_sqlite"] = ours / sqlite;
  state.counters["ratio_bare"] = ours / bare;
  state.counters["calls"] = static_cast<double>(calls);
  state.counters["allocs_per_1000"] = 1000.0 * static_cast<double>(ourAllocs) / kRows;
  state.counters["bare_allocs_per_1000"] = 1000.0 * static_cast<double>(bareAllocs) / kRows;
}

BENCHMARK(BM_RecordSetFetch)
    ->ArgNames({"FetchRows", "OneWay"})
    ->ArgsProduct({{1, 25, 100, 1000}, {0, 1}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
