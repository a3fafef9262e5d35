#pragma once
// Test helpers for file tests: a private folder removed afterwards, whole-file read/write,
// and a process file-size limit that makes writes fail part-way, as a full disk does.
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace schtest {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orascheme-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // Names of the files in the folder, sorted: shows leftover temporary files.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), std::streamsize(data.size()));
}

inline mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// Incompressible bytes: the compressed form is larger than the source.
inline std::string RandomBytes(std::size_t n, unsigned seed = 7) {
  std::mt19937 engine(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(engine());
  return s;
}

// Dump-like text: compressible but not trivially so.
inline std::string DumpLikeBytes(std::size_t n) {
  std::string s;
  std::mt19937 engine(11);
  while (s.size() < n) {
    s += "INSERT INTO \"ORDERS\" VALUES (" + std::to_string(engine() % 100000) + ", 'customer " +
         std::to_string(engine() % 977) + "', " + std::to_string(engine()) + ");\n";
  }
  s.resize(n);
  return s;
}

// While alive, this process cannot grow a file beyond `bytes`: writes past it fail with
// EFBIG, as they would on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = SIG_DFL;
};

}  // namespace schtest
