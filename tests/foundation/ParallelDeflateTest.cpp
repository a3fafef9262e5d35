// Compression on several cores must still give one zlib stream that any zlib expands to the
// same bytes: checked with zlib's own one-call expansion, with our expander and with Python's
// zlib, at sizes around the block size, and against the size a plain zlib stream reaches.
#include "foundation/files/ParallelDeflate.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <zlib.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/files/ZlibStream.h"
#include "tests/support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;
constexpr std::size_t B = olv::kDeflateBlockSize;

// Export-dump-like lines: compressible, with matches that reach back across block edges.
std::string DumpText(std::size_t n) {
  std::mt19937 engine(5);
  std::string s;
  while (s.size() < n)
    s += "ROW " + std::to_string(engine() % 5000) + "|warehouse " + std::to_string(engine() % 37) + "|" +
         std::to_string(engine()) + "\n";
  s.resize(n);
  return s;
}

std::string Noise(std::size_t n) {
  std::mt19937 engine(9);
  std::string s(n, '\0');
  for (char& c : s) c = char(engine());
  return s;
}

std::string Compress(const std::string& payload, unsigned threads, int level = Z_DEFAULT_COMPRESSION,
                     std::size_t writeSize = 100000) {
  olv::TMemoryStream out;
  olv::CompressionStream z(out, level, threads);
  for (std::size_t i = 0; i < payload.size(); i += writeSize)
    z.WriteBuffer(payload.data() + i, std::min(writeSize, payload.size() - i));
  z.finish();
  return std::string(out.View());
}

// zlib's one-call expansion: checks the header, the data and the Adler-32 trailer.
bool ZlibExpands(const std::string& packed, const std::string& expected) {
  std::string back(expected.size() + 1, '\0');  // one spare byte: a longer result shows
  uLongf length = uLongf(back.size());
  const int rc = uncompress(reinterpret_cast<Bytef*>(back.data()), &length,
                            reinterpret_cast<const Bytef*>(packed.data()), uLong(packed.size()));
  return rc == Z_OK && length == expected.size() && back.compare(0, length, expected) == 0;
}

std::string OurExpansion(const std::string& packed) {
  olv::TMemoryStream in(packed);
  olv::ExpansionStream z(in);
  olv::TMemoryStream out;
  olv::CopyStream(z, out);
  return std::string(out.View());
}

const std::size_t kSizes[] = {0, 1, B - 1, B, B + 1, 2 * B - 1, 2 * B, 2 * B + 1, 9 * B + 12345};

TEST(ParallelDeflate, EverySizeAroundTheBlockExpandsWithPlainZlib) {
  for (std::size_t size : kSizes) {
    for (const std::string& payload : {DumpText(size), Noise(size)}) {
      const std::string packed = Compress(payload, 4);
      ASSERT_GE(packed.size(), 6u);
      EXPECT_EQ(packed.substr(0, 2), "\x78\x9c") << "zlib format at the default level";
      EXPECT_TRUE(ZlibExpands(packed, payload)) << "size " << size;
      EXPECT_TRUE(OurExpansion(packed) == payload) << "size " << size;
    }
  }
}

TEST(ParallelDeflate, OutputDependsOnlyOnTheInput) {
  // Scheme files saved twice must be the same bytes, whatever the cores and the writes.
  const std::string payload = DumpText(6 * B + 777);
  const std::string reference = Compress(payload, 2);
  for (unsigned threads : {3u, 8u, olv::kMaxDeflateThreads + 5})
    EXPECT_TRUE(Compress(payload, threads) == reference) << threads << " threads";
  for (std::size_t writeSize : {std::size_t(1000), B, B + 1, payload.size()})
    EXPECT_TRUE(Compress(payload, 4, Z_DEFAULT_COMPRESSION, writeSize) == reference) << "writes of " << writeSize;
}

TEST(ParallelDeflate, SizeStaysWithinHalfAPercentOfOneStream) {
  // Without the previous block as dictionary every block would start from an empty window.
  const std::string payload = DumpText(24 * B);
  const double parallel = double(Compress(payload, 4).size());
  const double serial = double(Compress(payload, 1).size());
  EXPECT_LE(parallel, serial * 1.005) << parallel << " against " << serial;
}

TEST(ParallelDeflate, OtherLevelsWriteTheirOwnHeader) {
  const std::string payload = DumpText(3 * B + 5);
  for (int level : {0, 1, 5, 9}) {
    const std::string packed = Compress(payload, 3, level);
    EXPECT_TRUE(ZlibExpands(packed, payload)) << "level " << level;
    EXPECT_EQ(packed.substr(0, 2), Compress("", 1, level).substr(0, 2)) << "the header zlib writes, level " << level;
  }
}

// Takes `limit` bytes, then fails as a full disk does.
class FailingStream : public olv::TSequentialStream {
 public:
  explicit FailingStream(std::size_t limit) : limit_(limit) {}
  int64_t Write(const void*, int64_t count) override {
    if (written_ + std::size_t(count) > limit_) return 0;
    written_ += std::size_t(count);
    Moved(count);
    return count;
  }

 private:
  std::size_t limit_;
  std::size_t written_ = 0;
};

TEST(ParallelDeflate, AFailingDestinationStopsTheWorkers) {
  const std::string payload = Noise(40 * B);
  for (std::size_t limit : {std::size_t(0), std::size_t(1), 5 * B, 39 * B}) {
    FailingStream out(limit);
    EXPECT_THROW(
        {
          olv::CompressionStream z(out, Z_DEFAULT_COMPRESSION, 4);
          z.WriteBuffer(payload.data(), payload.size());
          z.finish();
        },
        olv::EWriteError)
        << "limit " << limit;
  }
  // Abandoned without finish: destruction alone ends the workers.
  olv::TMemoryStream out;
  olv::CompressionStream z(out, Z_DEFAULT_COMPRESSION, 4);
  z.WriteBuffer(payload.data(), payload.size());
}

// Holds every write until opened, as a destination whose writer the system has descheduled,
// and notes writes that overlap (the workers take turns at the stream).
class GateStream : public olv::TSequentialStream {
 public:
  int64_t Write(const void* buffer, int64_t count) override {
    if (inside_.fetch_add(1) != 0) overlapped_ = true;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      held_ = true;
      opened_.wait(lock, [this] { return open_; });
      data_.append(static_cast<const char*>(buffer), std::size_t(count));
      Moved(count);
    }
    inside_.fetch_sub(1);
    return count;
  }
  void open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }
  bool held() {
    std::lock_guard<std::mutex> lock(mutex_);
    return held_;
  }
  bool overlapped() const { return overlapped_; }
  std::string data() {
    std::lock_guard<std::mutex> lock(mutex_);
    return data_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
  bool held_ = false;
  std::string data_;
  std::atomic<int> inside_{0};
  std::atomic<bool> overlapped_{false};
};

TEST(ParallelDeflate, AStalledDestinationHoldsUpNeitherTheInputNorTheMemoryBound) {
  // The blocks in flight absorb a writer that does not get the CPU, up to the memory budget and
  // no further, and the stream comes out whole once the destination moves again.
  const std::string piece = DumpText(1 << 20);
  const std::size_t pieces = 48;
  ASSERT_GT(pieces * piece.size(), olv::kDeflateMemoryBudget);
  GateStream gate;
  std::atomic<std::size_t> taken{0};
  std::atomic<bool> allTaken{false};
  {
    olv::CompressionStream z(gate, Z_DEFAULT_COMPRESSION, 4);
    std::thread caller([&] {
      for (std::size_t i = 0; i < pieces; ++i) {
        z.WriteBuffer(piece.data(), piece.size());
        taken += piece.size();
      }
      allTaken = true;
    });
    testsupport::WaitUntil([&] { return gate.held() && taken >= 4 * piece.size(); }, testsupport::kPatience,
                           "input taken while the destination is held");
    EXPECT_TRUE(gate.held()) << "no block reached the destination";
    EXPECT_GE(taken.load(), 4 * piece.size()) << "input taken while the destination is held";
    EXPECT_FALSE(allTaken) << "the input ran ahead of a held destination without bound";
    EXPECT_LE(taken.load(), olv::kDeflateMemoryBudget);
    gate.open();
    caller.join();
    z.finish();
  }
  EXPECT_FALSE(gate.overlapped()) << "two threads wrote the destination at once";
  std::string payload;
  for (std::size_t i = 0; i < pieces; ++i) payload += piece;
  EXPECT_TRUE(ZlibExpands(gate.data(), payload));
}

TEST(ParallelDeflate, PythonZlibExpandsTheSameBytes) {
  if (std::system("python3 -c 'import zlib' >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "python3 with zlib is not available";
  std::string folder = (fs::temp_directory_path() / "deflate-XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  std::string script = "import sys,zlib\nok = True\n";
  for (std::size_t size : kSizes) {
    const std::string payload = DumpText(size);
    const std::string base = folder + "/" + std::to_string(size);
    std::ofstream(base + ".z", std::ios::binary) << Compress(payload, 4);
    std::ofstream(base + ".raw", std::ios::binary) << payload;
    script += "ok = ok and zlib.decompress(open('" + base + ".z','rb').read()) == open('" + base +
              ".raw','rb').read()\n";
  }
  script += "sys.exit(0 if ok else 1)\n";
  std::ofstream(folder + "/check.py") << script;
  EXPECT_EQ(std::system(("python3 '" + folder + "/check.py'").c_str()), 0);
  fs::remove_all(folder);
}

}  // namespace
