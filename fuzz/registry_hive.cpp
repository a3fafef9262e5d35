// Hive files are read back from disk, where anything may have been written into them: a damaged
// file must raise RegistryError, never crash, and whatever loads must save in a form that loads
// again with the same keys and values.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Registry.h"

namespace fs = std::filesystem;

namespace {

fs::path Folder() {
  static fs::path dir = [] {
    std::string tmpl = (fs::temp_directory_path() / "fuzzhive.XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) __builtin_trap();
    return fs::path(tmpl);
  }();
  return dir;
}

plat::RegistrySeed NoSeed() {
  plat::RegistrySeed s;
  s.oratab = Folder() / "no-oratab";
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path dir = Folder();
  const int hive = plat::Registry::kCurrentUser;
  {
    std::ofstream out(dir / "HKEY_CURRENT_USER.reg", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  plat::Registry reg(dir, NoSeed());
  try {
    reg.KeyExists(hive, "");
  } catch (const plat::RegistryError&) {
    return 0;
  }
  reg.CreateKey(hive, "Fuzz\\Marker");  // forces a save of everything loaded
  plat::Registry again(dir, NoSeed());
  if (!again.KeyExists(hive, "fuzz\\marker")) __builtin_trap();
  for (const auto& key : reg.SubKeyNames(hive, ""))
    for (const auto& name : reg.ValueNames(hive, key))
      if (reg.GetValue(hive, key, name) != again.GetValue(hive, key, name)) __builtin_trap();
  return 0;
}
