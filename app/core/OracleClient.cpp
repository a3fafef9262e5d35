#include "app/core/OracleClient.h"

#include "platform/Registry.h"

namespace sch {

namespace {

constexpr const char* kOracleBaseKey = "\\Software\\ORACLE";

// A value as text: raw bytes cut at the first zero byte.
std::string RegText(plat::Registry& reg, const std::string& key, const char* name) {
  auto v = reg.GetValue(plat::Registry::kLocalMachine, key, name);
  if (!v) return {};
  std::string s = v->data;
  const size_t zero = s.find('\0');
  if (zero != std::string::npos) s.resize(zero);
  return s;
}

}  // namespace

TOracleClient DetectOracleClientOf(plat::Registry& reg) {
  TOracleClient c;
  const std::string base = kOracleBaseKey;
  const std::string allHomes = base + "\\ALL_HOMES";
  if (reg.KeyExists(plat::Registry::kLocalMachine, allHomes)) {
    c.HomeKey = base + "\\HOME" + RegText(reg, allHomes, "LAST_HOME");
    if (reg.KeyExists(plat::Registry::kLocalMachine, c.HomeKey)) {
      c.OracleHome = RegText(reg, c.HomeKey, "ORACLE_HOME");
      const std::string nls = RegText(reg, c.HomeKey, "NLS_LANG");
      const size_t dot = nls.find('.');
      c.Language = nls.substr(0, dot);
      if (dot != std::string::npos) c.CharSet = nls.substr(dot + 1);
    }
  } else if (reg.KeyExists(plat::Registry::kLocalMachine, base)) {
    c.OracleHome = RegText(reg, base, "ORACLE_HOME");
  }
  return c;
}

bool WriteClientNlsLang(plat::Registry& reg, const TOracleClient& client, const std::string& value) {
  if (client.HomeKey.empty()) return false;
  return reg.SetValue(plat::Registry::kLocalMachine, client.HomeKey, "NLS_LANG", plat::RegValue::Str(value));
}

}  // namespace sch
