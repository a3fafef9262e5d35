#pragma once
// Test helpers for file tests: a private folder removed afterwards, whole-file read/write,
// generated contents, and a process file-size limit that makes writes fail part-way, as a full
// disk does.
#include <sys/resource.h>
#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class ScratchFolder {
 public:
  ScratchFolder();  // raises when no folder can be made
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }
  // Names of the files in the folder, sorted: shows leftover temporary files.
  std::vector<std::string> names() const;

 private:
  std::filesystem::path path_;
};

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& data);
mode_t ModeOf(const std::string& path);
// Incompressible bytes: the compressed form is larger than the source.
std::string RandomBytes(std::size_t n, unsigned seed = 7);
// Dump-like text: compressible but not trivially so.
std::string DumpLikeBytes(std::size_t n);

// While alive, this process cannot grow a file beyond `bytes`: writes past it fail with
// EFBIG, as they would on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = nullptr;
};

}  // namespace testsupport
