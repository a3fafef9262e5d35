// /etc/oratab names the Oracle homes that seed the settings store when it has none. Any bytes in
// the file: the seeded homes are at most six, absolute, different from each other, and the
// store's keys for them agree (ORACLE_HOME is the first, each ALL_HOMES entry has its path).
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path oratab = fuzzsupport::ScratchFolder() / "oratab";
  fuzzsupport::WriteFile(oratab, fuzzsupport::AsText(data, size));
  plat::RegistrySeed seed;
  seed.oratab = oratab;
  plat::Registry reg(fuzzsupport::ScratchFolder() / "registry", seed);
  const int lm = plat::Registry::kLocalMachine;
  if (!reg.KeyExists(lm, "SOFTWARE\\ORACLE")) return 0;  // no home named
  const auto first = reg.GetValue(lm, "SOFTWARE\\ORACLE", "ORACLE_HOME");
  const std::vector<std::string> ids = reg.SubKeyNames(lm, "SOFTWARE\\ORACLE\\ALL_HOMES");
  if (!first || ids.empty() || ids.size() > 6) __builtin_trap();
  std::set<std::string> homes;
  for (const std::string& id : ids) {
    const auto path = reg.GetValue(lm, "SOFTWARE\\ORACLE\\ALL_HOMES\\" + id, "PATH");
    if (!path || path->data.empty() || path->data[0] != '/' || !homes.insert(path->data).second) __builtin_trap();
    if (id == "ID0" && path->data != first->data) __builtin_trap();
  }
  return 0;
}
