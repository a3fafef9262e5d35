// The in-memory record store against SQLite's in-memory database, in the same run, over
// 1,000,000 rows of (integer, 30-character string, float, date):
// - Append: every row written field by field and appended (SQLite: a prepared INSERT in one
//   transaction);
// - Scan: every row read with all four values;
// - Filter: a filter keeping about a third of the rows, then reading those rows (SQLite: a
//   prepared SELECT with the same WHERE);
// - Locate: the rows whose integer is one of 5 keys near the end, each searched from the start
//   (SQLite: a prepared SELECT ... WHERE i = ? LIMIT 1, no index, as the store has none).
// - DataSetScan: the same rows through the dataset (TMemDataSet): First/Next to the end, each row
//   read through its fields (AsInteger, AsString, AsFloat, AsDateTime).
// Each benchmark times both engines in every iteration and reports the quotient ours / SQLite as
// the counter "ratio"; its own time is the store's.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/MemDS.h"
#include "dataaccess/MemData.h"
#include "dataaccess/RecordBuffer.h"
#include "dataaccess/RecordLocator.h"

namespace {

// ORASCHEME_BENCH_ROWS overrides the row count for a quick run.
const int kRows = [] {
  const char* env = std::getenv("ORASCHEME_BENCH_ROWS");
  return env ? std::atoi(env) : 1000000;
}();
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct Row {
  std::int32_t i;
  char s[31];
  double f;
  double d;
};

void MakeRow(int n, Row& row) {
  row.i = n;
  std::snprintf(row.s, sizeof row.s, "record number %016d", n * 7919 % 1000003);
  row.f = (n * 7919 % 1000) * 0.5;
  row.d = 36526.0 + n % 10000;
}

// The rows, made once, so that both engines are timed on storing them only.
const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> out(static_cast<std::size_t>(kRows));
    for (int n = 0; n < kRows; ++n) MakeRow(n, out[static_cast<std::size_t>(n)]);
    return out;
  }();
  return rows;
}

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::abort();
  }
}

std::unique_ptr<da::TMemData> FillStore() {
  auto data = std::make_unique<da::TMemData>();
  data->AutoInitFields = false;
  data->AddField("I", da::dtInt32);
  data->AddField("S", da::dtString, 30);
  data->AddField("F", da::dtFloat);
  data->AddField("D", da::dtDateTime);
  data->InitFields();
  data->Open();
  std::unique_ptr<std::uint8_t[]> rec(data->AllocRecBuf());
  for (const Row& row : Rows()) {
    // The dataset's formats: a date-time as time-stamp milliseconds.
    double stamp = (row.d + 693594.0) * 86400000.0;
    data->PutFieldByNo(1, rec.get(), &row.i);
    data->PutFieldByNo(2, rec.get(), row.s);
    data->PutFieldByNo(3, rec.get(), &row.f);
    data->PutFieldByNo(4, rec.get(), &stamp);
    data->AppendRecord(rec.get());
  }
  return data;
}

sqlite3* FillSqlite() {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  Check(sqlite3_exec(db, "CREATE TABLE t(i INTEGER, s TEXT, f REAL, d REAL)", nullptr, nullptr, nullptr), db);
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?1, ?2, ?3, ?4)", -1, &st, nullptr), db);
  for (const Row& row : Rows()) {
    sqlite3_bind_int(st, 1, row.i);
    sqlite3_bind_text(st, 2, row.s, 30, SQLITE_STATIC);
    sqlite3_bind_double(st, 3, row.f);
    sqlite3_bind_double(st, 4, row.d);
    Check(sqlite3_step(st), db);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  return db;
}

// Both engines filled once for the reading benchmarks.
struct Tables {
  std::unique_ptr<da::TMemData> store = FillStore();
  sqlite3* db = FillSqlite();
  ~Tables() { sqlite3_close(db); }
};

Tables& Shared() {
  static Tables tables;
  return tables;
}

void Report(benchmark::State& state, double ours, double theirs, double oursTotal, double theirsTotal) {
  state.SetIterationTime(ours);
  state.counters["sqlite_s"] = theirs;
  state.counters["ratio"] = oursTotal / theirsTotal;
}

void BM_Append(benchmark::State& state) {
  double oursTotal = 0, theirsTotal = 0;
  Rows();
  for (auto _ : state) {
    auto t0 = Clock::now();
    auto store = FillStore();
    double ours = Seconds(t0);
    t0 = Clock::now();
    sqlite3* db = FillSqlite();
    double theirs = Seconds(t0);
    benchmark::DoNotOptimize(store->GetRecordCount());
    sqlite3_close(db);
    oursTotal += ours;
    theirsTotal += theirs;
    Report(state, ours, theirs, oursTotal, theirsTotal);
  }
}

// Sums every value so that nothing is left unread.
double ScanStore(da::TMemData& data) {
  std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
  double sum = 0;
  bool blank;
  std::int32_t i;
  char s[31];
  double f, d;
  data.SetToBegin();
  while (true) {
    data.GetNextRecord(rec.get());
    if (data.GetEOF()) break;
    data.GetFieldByNo(1, rec.get(), blank, &i);
    data.GetFieldByNo(2, rec.get(), blank, s, sizeof s);
    data.GetFieldByNo(3, rec.get(), blank, &f);
    data.GetFieldByNo(4, rec.get(), blank, &d);
    sum += i + f + d + s[29];
  }
  return sum;
}

double ScanSqlite(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db);
  double sum = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    int i = sqlite3_column_int(st, 0);
    const unsigned char* s = sqlite3_column_text(st, 1);
    double f = sqlite3_column_double(st, 2);
    double d = sqlite3_column_double(st, 3);
    sum += i + f + d + s[29];
  }
  sqlite3_finalize(st);
  return sum;
}

void BM_Scan(benchmark::State& state) {
  Tables& t = Shared();
  double oursTotal = 0, theirsTotal = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    benchmark::DoNotOptimize(ScanStore(*t.store));
    double ours = Seconds(t0);
    t0 = Clock::now();
    benchmark::DoNotOptimize(ScanSqlite(t.db, "SELECT i, s, f, d FROM t"));
    double theirs = Seconds(t0);
    oursTotal += ours;
    theirsTotal += theirs;
    Report(state, ours, theirs, oursTotal, theirsTotal);
  }
}

// The dataset over a store filled like the others; built once.
da::TMemDataSet& SharedDataSet() {
  static da::TMemDataSet* ds = [] {
    auto* d = new da::TMemDataSet;
    da::TMemData& data = d->Data();
    data.AutoInitFields = false;
    data.AddField("I", da::dtInt32);
    data.AddField("S", da::dtString, 30);
    data.AddField("F", da::dtFloat);
    data.AddField("D", da::dtDateTime);
    data.InitFields();
    data.Open();
    std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
    for (const Row& row : Rows()) {
      double stamp = (row.d + 693594.0) * 86400000.0;
      data.PutFieldByNo(1, rec.get(), &row.i);
      data.PutFieldByNo(2, rec.get(), row.s);
      data.PutFieldByNo(3, rec.get(), &row.f);
      data.PutFieldByNo(4, rec.get(), &stamp);
      data.AppendRecord(rec.get());
    }
    d->Open();
    return d;
  }();
  return *ds;
}

double ScanDataSet(da::TMemDataSet& ds) {
  da::TField& i = ds.FieldByName("I");
  da::TField& s = ds.FieldByName("S");
  da::TField& f = ds.FieldByName("F");
  da::TField& d = ds.FieldByName("D");
  double sum = 0;
  for (ds.First(); !ds.Eof(); ds.Next()) sum += i.AsInteger() + f.AsFloat() + d.AsDateTime() + s.AsString().size();
  return sum;
}

void BM_DataSetScan(benchmark::State& state) {
  Tables& t = Shared();
  da::TMemDataSet& ds = SharedDataSet();
  double oursTotal = 0, theirsTotal = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    benchmark::DoNotOptimize(ScanDataSet(ds));
    double ours = Seconds(t0);
    t0 = Clock::now();
    benchmark::DoNotOptimize(ScanSqlite(t.db, "SELECT i, s, f, d FROM t"));
    double theirs = Seconds(t0);
    oursTotal += ours;
    theirsTotal += theirs;
    Report(state, ours, theirs, oursTotal, theirsTotal);
  }
}

void BM_Filter(benchmark::State& state) {
  Tables& t = Shared();
  double oursTotal = 0, theirsTotal = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    t.store->SetFilterText("F < 166.5 AND I >= 0");
    benchmark::DoNotOptimize(ScanStore(*t.store));
    double ours = Seconds(t0);
    const int count = t.store->GetRecordCount();
    t.store->SetFilterText("");
    t0 = Clock::now();
    benchmark::DoNotOptimize(ScanSqlite(t.db, "SELECT i, s, f, d FROM t WHERE f < 166.5 AND i >= 0"));
    double theirs = Seconds(t0);
    state.counters["rows"] = count;
    oursTotal += ours;
    theirsTotal += theirs;
    Report(state, ours, theirs, oursTotal, theirsTotal);
  }
}

void BM_Locate(benchmark::State& state) {
  Tables& t = Shared();
  const int keys[] = {kRows - 1, kRows - 1000, kRows - 50000, kRows - 7, kRows / 2 + kRows / 3};
  double oursTotal = 0, theirsTotal = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    da::TRecordLocator locator(*t.store);
    std::int64_t found = 0;
    for (int key : keys)
      if (locator.LocateEx("I", da::Variant(key), false, 0))
        found += da::ReadValue<std::int32_t>(t.store->CurrentRecordPtr());
    double ours = Seconds(t0);
    t0 = Clock::now();
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(t.db, "SELECT i, s, f, d FROM t WHERE i = ?1 LIMIT 1", -1, &st, nullptr), t.db);
    std::int64_t theirFound = 0;
    for (int key : keys) {
      sqlite3_bind_int(st, 1, key);
      if (sqlite3_step(st) == SQLITE_ROW) theirFound += sqlite3_column_int(st, 0);
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    double theirs = Seconds(t0);
    if (found != theirFound) state.SkipWithError("the engines found different rows");
    oursTotal += ours;
    theirsTotal += theirs;
    Report(state, ours, theirs, oursTotal, theirsTotal);
  }
}

BENCHMARK(BM_Append)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Scan)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DataSetScan)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Filter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Locate)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
