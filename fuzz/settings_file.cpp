// The settings file is read at start-up and written back when the window closes, keeping every
// line it does not own. For any bytes in the file: reading gives a value, writing the other value
// back makes it read that value, and writing it once more changes nothing.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/core/MainConfig.h"
#include "fuzz/FuzzSupport.h"

namespace {

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path file = fuzzsupport::ScratchFolder() / "orascheme.ini";
  fuzzsupport::WriteFile(file, fuzzsupport::AsText(data, size));
  sch::MainConfig config = sch::ReadMainConfig(file.string());
  config.showDosWindow = !config.showDosWindow;
  config.langId = 7;
  sch::WriteMainConfig(file.string(), config);
  if (sch::ReadMainConfig(file.string()).showDosWindow != config.showDosWindow) __builtin_trap();
  const std::string once = ReadAll(file);
  sch::WriteMainConfig(file.string(), config);
  if (ReadAll(file) != once) __builtin_trap();
  return 0;
}
