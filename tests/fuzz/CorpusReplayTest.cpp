// Every fuzz target's committed corpus (fuzz/corpus/<target>/: its seeds and every input that
// once found a fault) runs through the target's own entry point, so that a fixed finding stays
// fixed. A target checks its own properties and aborts on a violation; a test here fails by the
// crash, the sanitizers' report or an exception that escapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define FUZZ_TARGET(name) extern "C" int FuzzEntry_##name(const std::uint8_t* data, std::size_t size);
#include "FuzzTargets.inc"
#undef FUZZ_TARGET

namespace {

struct Target {
  const char* name;
  int (*entry)(const std::uint8_t*, std::size_t);
};

const Target kTargets[] = {
#define FUZZ_TARGET(name) {#name, &FuzzEntry_##name},
#include "FuzzTargets.inc"
#undef FUZZ_TARGET
};

void PrintTo(const Target& t, std::ostream* os) { *os << t.name; }

std::vector<std::filesystem::path> CorpusFiles(const std::string& target) {
  const std::filesystem::path dir = std::filesystem::path(ORASCHEME_SOURCE_DIR) / "fuzz" / "corpus" / target;
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class CorpusReplay : public testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EveryCommittedInputRunsClean) {
  const Target& target = GetParam();
  const std::vector<std::filesystem::path> files = CorpusFiles(target.name);
  ASSERT_FALSE(files.empty()) << "no committed corpus in fuzz/corpus/" << target.name;
  // As libFuzzer starts: the empty input first.
  const std::uint8_t none = 0;
  EXPECT_EQ(target.entry(&none, 0), 0);
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    SCOPED_TRACE(file.filename().string());
    EXPECT_EQ(target.entry(data.empty() ? &none : data.data(), data.size()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Fuzz, CorpusReplay, testing::ValuesIn(kTargets),
                         [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
