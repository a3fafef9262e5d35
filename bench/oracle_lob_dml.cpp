// The Oracle layer's bulk paths against the stand-in client library (tools/fakeoci), in one run:
// - LobCached: a 10 MiB BLOB written through an INSERT ... RETURNING parameter (cached content,
//   trimmed and written in pieces of 65,514 bytes) and read back into the pieces (ReadLob);
// - LobDirect: the same LOB read straight from the server into a stream (caching off), against
//   the cached read of the same run ("ratio" = direct / cached read time);
// - DmlArray: 1,000 rows inserted as one DML array, against 1,000 single executes of the same
//   prepared INSERT in the same iteration ("ratio" = single executes / array time).
// Counters: client calls per iteration (lines of the stand-in's call log), MB/s for the LOBs.
// The stand-in keeps its LOBs in memory and answers from SQLite, so the times are the layer's
// and the stand-in's together; the call counts are the layer's alone.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "dataaccess/Stream.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/values/OraLob.h"
#include "oracle/OraProps.h"
#include "platform/Registry.h"
#include "tools/fakeoci/FakeOciControl.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kLobSize = 10u << 20;
constexpr int kRows = 1000;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// One session on the stand-in for the whole run, in a settings store of its own.
struct Session {
  Session() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orabenchXXXXXX").string();
    root = ::mkdtemp(pattern.data());
    ::setenv("ORASCHEME_REGISTRY_DIR", (root / "registry").c_str(), 1);
    ::setenv(ora::kOCIDllEnvVar, (std::filesystem::path(FAKEOCI_DIR) / "libfakeoci9.so").c_str(), 1);
    plat::Registry::Default().CreateKey(plat::Registry::kLocalMachine, "SOFTWARE\\ORACLE");
    ora::OCIInit();
    fake = FakeOciControl::Bind(ora::OCILibrary);
    fake.reset();
    connection.SetUsername("scott");
    connection.SetPassword("tiger");
    connection.SetServer("orcl");
    connection.Connect("");
    fake.exec("CREATE TABLE lobs(id NUMBER(10), b BLOB)");
    fake.exec("CREATE TABLE t(n NUMBER(10), s VARCHAR2(20))");
  }
  ~Session() {
    connection.Disconnect();
    ora::FreeOCI();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::unique_ptr<ora::TOCICommand> Command(const std::string& sql) {
    std::unique_ptr<da::TVtCommand> command = connection.CreateCommand();
    command->SetSQL(sql);
    return std::unique_ptr<ora::TOCICommand>(static_cast<ora::TOCICommand*>(command.release()));
  }
  // Client calls since the last count.
  double Calls() {
    const double n = static_cast<double>(fake.Lines().size());
    fake.logClear();
    return n;
  }

  std::filesystem::path root;
  FakeOciControl fake;
  ora::TOCIConnection connection;
};

Session& TheSession() {
  static Session session;
  return session;
}

struct Lob {
  ora::TOraLob* lob;
  explicit Lob(OCISvcCtx* svc) : lob(new ora::TOraLob(svc)) {}
  ~Lob() { lob->Release(); }
};

// Writes a 10 MiB value into row id; returns the seconds it took.
double WriteLob(Session& s, int id, const std::string& value) {
  Lob held(s.connection.GetSvcCtx());
  held.lob->SetAsString(value);
  auto command = s.Command("insert into lobs(id, b) values (:id, empty_blob()) returning b into :b");
  command->GetOraParam(0)->SetValue(da::Variant(id));
  ora::TOraParamDesc* b = command->GetOraParam(1);
  b->SetDataType(ora::dtOraBlob);
  b->SetParamType(da::ptInput);
  b->SetObject(held.lob);
  const auto start = Clock::now();
  command->Execute(1);
  return Seconds(start);
}

// A locator of row id's LOB, in the caching mode given.
void SelectLob(Session& s, int id, ora::TOraLob* lob) {
  s.fake.script("select b into :b", ("outsql SELECT b AS B FROM lobs WHERE id = " + std::to_string(id)).c_str());
  auto command = s.Command("begin select b into :b from lobs where id = " + std::to_string(id) + "; end;");
  command->SetProp(ora::prCacheLobs, da::Variant(false));
  ora::TOraParamDesc* b = command->GetOraParam(0);
  b->SetDataType(ora::dtOraBlob);
  b->SetParamType(da::ptOutput);
  b->SetObject(lob);
  command->Execute(1);
}

const std::string& Value() {
  static const std::string value = [] {
    std::string v(kLobSize, '\0');
    for (std::uint32_t i = 0; i < kLobSize; ++i) v[i] = static_cast<char>(i * 2654435761u >> 24);
    return v;
  }();
  return value;
}

void BM_LobCached(benchmark::State& state) {
  Session& s = TheSession();
  double writeCalls = 0, readCalls = 0, writeSeconds = 0, readSeconds = 0;
  int id = 0;
  for (auto _ : state) {
    s.Calls();
    const double write = WriteLob(s, ++id, Value());
    writeCalls = s.Calls();
    Lob held(s.connection.GetSvcCtx());
    SelectLob(s, id, held.lob);
    s.Calls();
    held.lob->SetCached(true);
    const auto start = Clock::now();
    held.lob->ReadLob();
    const double read = Seconds(start);
    readCalls = s.Calls();
    if (held.lob->Size() != kLobSize) state.SkipWithError("the LOB came back with another size");
    state.SetIterationTime(write + read);
    writeSeconds += write;
    readSeconds += read;
  }
  const double mb = kLobSize / 1e6 * static_cast<double>(state.iterations());
  state.counters["write_calls"] = writeCalls;
  state.counters["read_calls"] = readCalls;
  state.counters["write_MB/s"] = mb / writeSeconds;
  state.counters["read_MB/s"] = mb / readSeconds;
}

void BM_LobDirect(benchmark::State& state) {
  Session& s = TheSession();
  WriteLob(s, 1000000, Value());
  double directCalls = 0, directSeconds = 0, cachedSeconds = 0;
  for (auto _ : state) {
    Lob direct(s.connection.GetSvcCtx());
    SelectLob(s, 1000000, direct.lob);
    da::TMemoryStream stream;
    stream.SetSize(kLobSize);  // room made beforehand: the stream's growth is not the LOB's cost
    stream.SetPosition(0);
    s.Calls();
    auto start = Clock::now();
    direct.lob->SaveToStream(stream);
    const double seconds = Seconds(start);
    directCalls = s.Calls();
    if (stream.Size() != kLobSize) state.SkipWithError("the stream came out with another size");

    Lob cached(s.connection.GetSvcCtx());
    SelectLob(s, 1000000, cached.lob);
    cached.lob->SetCached(true);
    start = Clock::now();
    cached.lob->ReadLob();
    cachedSeconds += Seconds(start);
    state.SetIterationTime(seconds);
    directSeconds += seconds;
  }
  state.counters["read_calls"] = directCalls;
  state.counters["read_MB/s"] = kLobSize / 1e6 * static_cast<double>(state.iterations()) / directSeconds;
  state.counters["ratio"] = directSeconds / cachedSeconds;
}

void BM_DmlArray(benchmark::State& state) {
  Session& s = TheSession();
  double arrayCalls = 0, singleCalls = 0, arraySeconds = 0, singleSeconds = 0;
  for (auto _ : state) {
    s.fake.exec("DELETE FROM t");
    auto array = s.Command("insert into t(n, s) values (:n, :s)");
    ora::TOraParamDesc* n = array->GetOraParam(0);
    ora::TOraParamDesc* text = array->GetOraParam(1);
    n->SetDataType(da::dtInt32);
    text->SetDataType(da::dtString);
    text->SetSize(12);
    n->SetLength(kRows);
    text->SetLength(kRows);
    for (int i = 1; i <= kRows; ++i) {
      n->SetItemAsInteger(i, i);
      text->SetItemAsString(i, "row " + std::to_string(i));
    }
    s.Calls();
    auto start = Clock::now();
    array->Execute(kRows);
    const double arrayTime = Seconds(start);
    arrayCalls = s.Calls();

    auto single = s.Command("insert into t(n, s) values (:n, :s)");
    single->GetOraParam(0)->SetDataType(da::dtInt32);
    single->GetOraParam(1)->SetDataType(da::dtString);
    single->GetOraParam(1)->SetSize(12);
    single->Prepare();
    s.Calls();
    start = Clock::now();
    for (int i = 1; i <= kRows; ++i) {
      single->GetOraParam(0)->SetItemAsInteger(1, kRows + i);
      single->GetOraParam(1)->SetItemAsString(1, "row " + std::to_string(kRows + i));
      single->Execute(1);
    }
    const double singleTime = Seconds(start);
    singleCalls = s.Calls();
    state.SetIterationTime(arrayTime);
    arraySeconds += arrayTime;
    singleSeconds += singleTime;
  }
  state.counters["array_calls"] = arrayCalls;
  state.counters["single_calls"] = singleCalls;
  state.counters["ratio"] = singleSeconds / arraySeconds;
}

BENCHMARK(BM_LobCached)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LobDirect)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DmlArray)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
