// The direct network client fetching rows of NUMBER, VARCHAR2(30) and DATE.
// - BM_FetchFromFake/N: 100,000 rows from the fake listener on 127.0.0.1 at FetchRows N (rows/s,
//   and MB/s of reply bytes). Its peer, measured in the same run: the fake's own CPU time to
//   encode a row. client_ns_per_row is the client thread's CPU time per row (waiting for the
//   server is not counted), fake_encode_ns_per_row the CPU time of the fake's session thread in
//   encoding; both are CPU time, so neither gains from the other threads the machine runs.
//   client_over_fake below 1 is the goal at 1000. fake_serve_ns_per_row is, for scale, the CPU
//   time per row of the rest of the process over the same fetches: the fake's threads reading
//   requests, encoding, logging and sending.
// - BM_DecodeRecordedReply: a recorded reply of 1,000 rows decoded from memory, no socket and no
//   server (MB/s of reply bytes; goal 200 MB/s).
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstring>
#include <memory>
#include <vector>

#include "oracle/net/NetStatement.h"
#include "tools/fake_listener/FakeListener.h"
#include "tools/fake_listener/FakeOracle.h"
#include "tools/fake_listener/GeneratedRows.h"

namespace {

using ora::fake::Bytes;

constexpr std::uint32_t kRows = 100000;

double CpuNs(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}
double ThreadCpuNs() { return CpuNs(CLOCK_THREAD_CPUTIME_ID); }
double ProcessCpuNs() { return CpuNs(CLOCK_PROCESS_CPUTIME_ID); }

using Buffers = ora::fake::GeneratedRows;

struct Fake {
  Fake() : listener(Options(oracle)) {}
  static ora::fake::ListenerOptions Options(const ora::fake::FakeOracleOptions& oracle) {
    ora::fake::ListenerOptions o;
    o.waitLimit = std::chrono::seconds(60);
    o.makeService = [oracle] { return std::make_unique<ora::fake::FakeOracleService>(oracle); };
    return o;
  }
  std::unique_ptr<ora::TNetSession> Session(std::unique_ptr<ora::TSocket> socket = nullptr) {
    auto s = std::make_unique<ora::TNetSession>(std::move(socket));
    s->ServerText = "127.0.0.1:" + std::to_string(listener.Port()) + ":orcl";
    s->UserName = "scott";
    s->Password = "tiger";
    return s;
  }
  std::size_t ServerBytes() const {
    std::size_t n = 0;
    for (const auto& e : listener.Log().Entries())
      if (!e.fromClient) n += e.bytes.size();
    return n;
  }
  ora::fake::FakeOracleOptions oracle;
  ora::fake::FakeListener listener;
};

void BM_FetchFromFake(benchmark::State& state) {
  const auto batch = std::uint32_t(state.range(0));
  Fake fake;
  auto session = fake.Session();
  ora::TNetError error;
  if (session->Logon(error) != 0) return state.SkipWithError(error.text.c_str());
  Buffers buffers(batch);
  double clientNs = 0, serveNs = 0;
  std::uint64_t rows = 0;
  std::size_t replyBytes = 0;
  const long long encodeBefore = fake.oracle.events->EncodingNanoseconds();
  const std::uint64_t encodedBefore = fake.oracle.events->EncodedRows();
  for (auto _ : state) {
    ora::TNetStatementState s(session.get());
    s.Prepare("select id, name, created from fake_rows_" + std::to_string(kRows));
    if (s.Execute(error, 1, 0) != 0) return state.SkipWithError(error.text.c_str());
    buffers.Define(s);
    const std::size_t bytesBefore = fake.ServerBytes();
    const double process = ProcessCpuNs();
    const double cpu = ThreadCpuNs();
    int result = 0;
    while ((result = s.Fetch(error, batch)) == 0) rows += s.RowsFetchedInLastCall();
    rows += s.RowsFetchedInLastCall();
    const double client = ThreadCpuNs() - cpu;
    clientNs += client;
    serveNs += ProcessCpuNs() - process - client;
    if (result != 100) return state.SkipWithError(error.text.c_str());
    state.PauseTiming();
    replyBytes += fake.ServerBytes() - bytesBefore;
    state.ResumeTiming();
  }
  const double encodeNs = double(fake.oracle.events->EncodingNanoseconds() - encodeBefore);
  const double encoded = double(fake.oracle.events->EncodedRows() - encodedBefore);
  state.SetItemsProcessed(std::int64_t(rows));
  state.SetBytesProcessed(std::int64_t(replyBytes));
  state.counters["client_ns_per_row"] = clientNs / double(rows);
  state.counters["fake_encode_ns_per_row"] = encodeNs / encoded;
  state.counters["fake_serve_ns_per_row"] = serveNs / double(rows);
  state.counters["client_over_fake"] = (clientNs / double(rows)) / (encodeNs / encoded);
}
BENCHMARK(BM_FetchFromFake)->Arg(25)->Arg(100)->Arg(1000)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

// Plays back what a server said, whatever the client says.
class ReplaySocket : public ora::TSocket {
 public:
  explicit ReplaySocket(const Bytes& stream) : stream_(stream) {}
  void Connect(const std::string&, int) override { connected_ = true; }
  void Close() override { connected_ = false; }
  bool Connected() const override { return connected_; }
  int Send(const void*, int count) override { return count; }
  int Receive(void* buffer, int count) override {
    if (at_ >= stream_.size()) return 0;
    const std::size_t n = std::min(std::size_t(count), stream_.size() - at_);
    std::memcpy(buffer, stream_.data() + at_, n);
    at_ += n;
    return int(n);
  }

 private:
  const Bytes& stream_;
  std::size_t at_ = 0;
  bool connected_ = false;
};

void BM_DecodeRecordedReply(benchmark::State& state) {
  constexpr std::uint32_t kRecorded = 1000;
  const std::string sql = "select id, name, created from fake_rows_" + std::to_string(kRecorded);
  // One real session, recorded: everything the server said, and where the fetch reply began.
  Bytes recording;
  std::size_t fetchReply = 0;
  {
    Fake fake;
    auto session = fake.Session();
    ora::TNetError error;
    if (session->Logon(error) != 0) return state.SkipWithError(error.text.c_str());
    ora::TNetStatementState s(session.get());
    s.Prepare(sql);
    Buffers buffers(kRecorded);
    if (s.Execute(error, 1, 0) != 0) return state.SkipWithError(error.text.c_str());
    buffers.Define(s);
    fetchReply = fake.ServerBytes();
    if (s.Fetch(error, kRecorded) != 0) return state.SkipWithError(error.text.c_str());
    for (const auto& e : fake.listener.Log().Entries(1))
      if (!e.fromClient) recording.insert(recording.end(), e.bytes.begin(), e.bytes.end());
    fetchReply = recording.size() - fetchReply;
  }
  Buffers buffers(kRecorded);
  for (auto _ : state) {
    state.PauseTiming();
    auto session = std::make_unique<ora::TNetSession>(std::make_unique<ReplaySocket>(recording));
    session->ServerText = "replay";
    session->UserName = "scott";
    session->Password = "tiger";
    ora::TNetError error;
    session->Logon(error);
    auto s = std::make_unique<ora::TNetStatementState>(session.get());
    s->Prepare(sql);
    s->Execute(error, 1, 0);
    buffers.Define(*s);
    state.ResumeTiming();
    if (s->Fetch(error, kRecorded) != 0) return state.SkipWithError(error.text.c_str());
    state.PauseTiming();
    s->SetCursorNumber(0);  // nothing more to say to a recording
    s.reset();
    session.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * kRecorded);
  state.SetBytesProcessed(std::int64_t(state.iterations() * fetchReply));
}
BENCHMARK(BM_DecodeRecordedReply)->Unit(benchmark::kMicrosecond);

}  // namespace
