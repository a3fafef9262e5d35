#include "tests/support/ScratchFolder.h"

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testsupport {

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orascheme-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  // Tests leave read-only files and folders behind; the owner may always remove them.
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> ScratchFolder::names() const {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), std::streamsize(data.size()));
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 engine(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(engine());
  return s;
}

std::string DumpLikeBytes(std::size_t n) {
  std::string s;
  std::mt19937 engine(11);
  while (s.size() < n) {
    s += "INSERT INTO \"ORDERS\" VALUES (" + std::to_string(engine() % 100000) + ", 'customer " +
         std::to_string(engine() % 977) + "', " + std::to_string(engine()) + ");\n";
  }
  s.resize(n);
  return s;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  ::getrlimit(RLIMIT_FSIZE, &saved_);
  oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = saved_;
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &saved_);
  std::signal(SIGXFSZ, oldHandler_ ? oldHandler_ : SIG_DFL);
}

}  // namespace testsupport
