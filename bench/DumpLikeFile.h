#pragma once
// A dump-like input file for the compression benchmarks, made once per benchmark program in a
// temporary folder that goes with it: records in the manner of an export dump (table markers, row
// headers with binary length bytes, growing keys, names from a small vocabulary, dates, amounts
// and now and then free text), so that deflate finds what it finds in a real dump.
// ORASCHEME_BENCH_DUMP_MIB sets its size in MiB.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace bench {

class DumpLikeFile {
 public:
  explicit DumpLikeFile(std::uint64_t defaultMiB) {
    std::string pattern = "/tmp/orascheme-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    const char* mib = std::getenv("ORASCHEME_BENCH_DUMP_MIB");
    size_ = std::uint64_t(mib ? std::atoll(mib) : defaultMiB) << 20;
    Generate();
  }
  ~DumpLikeFile() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  std::uint64_t size() const { return size_; }

 private:
  // Records in the manner of an export dump: table markers, row headers with length bytes,
  // growing keys, names from a small vocabulary, dates, amounts and free text.
  void Generate() {
    static const char* const words[] = {"ACME", "Northwind", "Shanghai", "warehouse", "invoice", "PENDING",
                                        "SHIPPED", "return", "Beijing", "credit", "Berlin", "order",
                                        "customer", "discount", "express", "Hangzhou"};
    std::FILE* f = std::fopen(path("dump.dmp").c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create the dump file");
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state] {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return state;
    };
    std::string chunk;
    chunk.reserve(1 << 20);
    std::uint64_t written = 0, row = 0;
    char line[256];
    while (written < size_) {
      chunk.clear();
      while (chunk.size() < (1 << 20) - 256) {
        if (row % 50000 == 0) {
          chunk += "TABLE \"ORDERS_" + std::to_string(row / 50000) + "\"\nCREATE TABLE \"ORDERS\" (\"ID\" NUMBER, ...)\n";
        }
        const std::uint64_t r = next();
        // Row header: a length word in binary, as column data in a dump carries.
        const int n = std::snprintf(line + 2, sizeof line - 2,
                                    "%08llu|%s %s|20%02u-%02u-%02u|%u.%02u|%s|%s|",
                                    static_cast<unsigned long long>(row), words[r >> 16 & 15], words[r >> 20 & 7],
                                    unsigned(r >> 24 & 3) + 21, unsigned(r >> 28 & 7) + 1, unsigned(r >> 32 & 15) + 10,
                                    unsigned(r >> 40 & 0x3FF), unsigned(r >> 8 & 3) * 25, words[r >> 36 & 3],
                                    (r >> 50 & 7) == 0 ? "remark: delivered late, customer notified by phone" : "");
        line[0] = char(n & 0xFF);
        line[1] = char(n >> 8);
        chunk.append(line, std::size_t(n) + 2);
        chunk += '\n';
        ++row;
      }
      const std::size_t take = std::size_t(std::min<std::uint64_t>(chunk.size(), size_ - written));
      if (std::fwrite(chunk.data(), 1, take, f) != take) throw std::runtime_error("cannot write the dump file");
      written += take;
    }
    if (std::fclose(f) != 0) throw std::runtime_error("cannot write the dump file");
  }

  std::filesystem::path dir_;
  std::uint64_t size_ = 0;
};

}  // namespace bench
