#include "app/core/UnreadableFile.h"

#include <filesystem>

namespace sch {

namespace fs = std::filesystem;

std::string MoveAsideUnreadable(const std::string& fileName) {
  std::error_code ec;
  if (!fs::exists(fileName, ec)) return {};
  std::string target = fileName + ".unreadable";
  for (int n = 1; fs::exists(target, ec) && n < 1000; ++n)
    target = fileName + ".unreadable." + std::to_string(n);
  if (fs::exists(target, ec)) return {};
  fs::rename(fileName, target, ec);
  return ec ? std::string() : target;
}

}  // namespace sch
