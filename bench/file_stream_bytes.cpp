// Inserting and deleting bytes near the start of a file moves the whole rest of it; these show
// what that costs for dump-sized files, and what one log line costs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/files/FileStream.h"
#include "foundation/files/LogWriter.h"

namespace fs = std::filesystem;

namespace {

fs::path TempFile(const char* stem) {
  return fs::temp_directory_path() / (std::string(stem) + "." + std::to_string(::getpid()));
}

void BM_InsertThenDeleteAtStart(benchmark::State& state) {
  const fs::path file = TempFile("bench_insert");
  const auto size = static_cast<std::size_t>(state.range(0));
  std::ofstream(file, std::ios::binary) << std::string(size, 'x');
  {
    olv::TFileStream s(file.string(), olv::fmOpenReadWrite);
    for (auto _ : state) {
      s.InsertBytes(100, 10);
      s.DeleteBytes(100, 10);
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size) * 2);
  fs::remove(file);
}
BENCHMARK(BM_InsertThenDeleteAtStart)->Arg(64 << 10)->Arg(1 << 20)->Arg(16 << 20);

void BM_WriteLogLine(benchmark::State& state) {
  const fs::path file = TempFile("bench_log");
  olv::SetLogFileName(file.string());
  for (auto _ : state) olv::WriteLog("a line of the program's log, as a run writes it", true);
  olv::SetLogFileName("");
  fs::remove(file);
}
BENCHMARK(BM_WriteLogLine);

}  // namespace
