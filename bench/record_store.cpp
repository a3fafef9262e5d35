// The in-memory record store against SQLite's in-memory database, in the same run, over
// 1,000,000 rows of (integer, 30-character string, float, date):
// - Append: every row written field by field and appended (SQLite: a prepared INSERT in one
//   transaction), in a fresh process (bench/FreshProcess.h) for each engine and iteration;
// - Close: a store of 5,000,000 rows closed and freed (SQLite: sqlite3_close of the same rows),
//   again in a fresh process each (ORASCHEME_BENCH_CLOSE_ROWS sets the rows);
// - Scan: every row read with all four values;
// - Filter: a filter keeping about a third of the rows, then reading those rows (SQLite: a
//   prepared SELECT with the same WHERE);
// - Locate: the rows whose integer is one of 5 keys near the end, each searched from the start
//   (SQLite: a prepared SELECT ... WHERE i = ? LIMIT 1, no index, as the store has none).
// - DataSetScan: the same rows through the dataset (TMemDataSet): First/Next to the end, each row
//   read through its fields (AsInteger, AsString, AsFloat, AsDateTime).
// Each benchmark times both engines in every iteration and reports the quotient ours / SQLite as
// the counter "ratio" (below 1: the store is faster); its own time is the store's. Repetitions
// give min, median and max: five for the fresh-process ones, whose single iterations vary most
// with what else the machine does, three for the others.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/FreshProcess.h"
#include "bench/Repetitions.h"
#include "dataaccess/MemDS.h"
#include "dataaccess/MemData.h"
#include "dataaccess/RecordBuffer.h"
#include "dataaccess/RecordLocator.h"

namespace {

int RowsFromEnvironment(const char* name, int rows) {
  const char* env = std::getenv(name);
  return env ? std::atoi(env) : rows;
}
// ORASCHEME_BENCH_ROWS overrides the row count for a quick run.
const int kRows = RowsFromEnvironment("ORASCHEME_BENCH_ROWS", 1000000);
const int kCloseRows = RowsFromEnvironment("ORASCHEME_BENCH_CLOSE_ROWS", 5000000);
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
  const long long mixed = n * 7919LL;  // beyond 32 bits from row 271,183 on
  std::snprintf(row.s, sizeof row.s, "record number %016lld", mixed % 1000003);
  row.f = static_cast<double>(mixed % 1000) * 0.5;
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

// The first `count` rows: the prepared ones, or made one by one beyond them (for untimed fills).
template <class Visit>
void ForRows(int count, Visit visit) {
  if (count <= kRows) {
    for (int n = 0; n < count; ++n) visit(Rows()[static_cast<std::size_t>(n)]);
    return;
  }
  Row row;
  for (int n = 0; n < count; ++n) {
    MakeRow(n, row);
    visit(row);
  }
}

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::abort();
  }
}

std::unique_ptr<da::TMemData> FillStore(int count = kRows) {
  auto data = std::make_unique<da::TMemData>();
  data->AutoInitFields = false;
  data->AddField("I", da::dtInt32);
  data->AddField("S", da::dtString, 30);
  data->AddField("F", da::dtFloat);
  data->AddField("D", da::dtDateTime);
  data->InitFields();
  data->Open();
  std::unique_ptr<std::uint8_t[]> rec(data->AllocRecBuf());
  ForRows(count, [&](const Row& row) {
    // The dataset's formats: a date-time as time-stamp milliseconds.
    double stamp = (row.d + 693594.0) * 86400000.0;
    data->PutFieldByNo(1, rec.get(), &row.i);
    data->PutFieldByNo(2, rec.get(), row.s);
    data->PutFieldByNo(3, rec.get(), &row.f);
    data->PutFieldByNo(4, rec.get(), &stamp);
    data->AppendRecord(rec.get());
  });
  return data;
}

sqlite3* FillSqlite(int count = kRows) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  Check(sqlite3_exec(db, "CREATE TABLE t(i INTEGER, s TEXT, f REAL, d REAL)", nullptr, nullptr, nullptr), db);
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?1, ?2, ?3, ?4)", -1, &st, nullptr), db);
  ForRows(count, [&](const Row& row) {
    sqlite3_bind_int(st, 1, row.i);
    sqlite3_bind_text(st, 2, row.s, 30, SQLITE_STATIC);
    sqlite3_bind_double(st, 3, row.f);
    sqlite3_bind_double(st, 4, row.d);
    Check(sqlite3_step(st), db);
    sqlite3_reset(st);
  });
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

// Seconds of `timed` in a fresh process, after `prepare` (untimed) there. What `timed` leaves
// is freed after the clock stops.
template <class Prepare, class Timed>
double FreshSeconds(Prepare prepare, Timed timed) {
  return bench::InFreshProcess([&] {
    auto prepared = prepare();
    const auto t0 = Clock::now();
    auto result = timed(prepared);
    const double seconds = Seconds(t0);
    benchmark::DoNotOptimize(result);
    return std::vector<double>{seconds};
  })[0];
}

void BM_Append(benchmark::State& state) {
  for (auto _ : state) {
    const double ours = FreshSeconds([] { return Rows().size(); }, [](std::size_t) { return FillStore(); });
    const double theirs = FreshSeconds([] { return Rows().size(); },
                                       [](std::size_t) { return std::unique_ptr<sqlite3, int (*)(sqlite3*)>(FillSqlite(), sqlite3_close); });
    Report(state, ours, theirs, ours, theirs);
  }
  state.counters["rows"] = kRows;
}

void BM_Close(benchmark::State& state) {
  for (auto _ : state) {
    const double ours = FreshSeconds([] { return FillStore(kCloseRows); },
                                     [](std::unique_ptr<da::TMemData>& store) {
                                       store.reset();
                                       return 0;
                                     });
    const double theirs = FreshSeconds([] { return FillSqlite(kCloseRows); }, [](sqlite3* db) { return sqlite3_close(db); });
    Report(state, ours, theirs, ours, theirs);
  }
  state.counters["rows"] = kCloseRows;
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

// The fresh-process ones first, while this process holds nothing.
BENCHMARK(BM_Append)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Apply(bench::MinMedianMaxOf<5>);
BENCHMARK(BM_Close)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Apply(bench::MinMedianMaxOf<5>);
BENCHMARK(BM_Scan)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Apply(bench::MinMedianMax);
BENCHMARK(BM_DataSetScan)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Apply(bench::MinMedianMax);
BENCHMARK(BM_Filter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Apply(bench::MinMedianMax);
BENCHMARK(BM_Locate)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Apply(bench::MinMedianMax);

}  // namespace
