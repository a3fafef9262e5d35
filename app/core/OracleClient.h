#pragma once
// The Oracle client known to the settings store: the key of its home (the last home of
// "\Software\ORACLE\ALL_HOMES", or the base key when no home list is kept), its folder, and the
// two halves of its NLS_LANG. The schemes, the data module and the character-set tool read it
// here; only the character-set tool writes NLS_LANG, and only into the store, never into the
// program's own environment (a run hands its NLS_LANG to its child alone).
//
// Pure functions over a plat::Registry; any thread (the store locks itself).
#include <string>

namespace plat {
class Registry;
}

namespace sch {

struct TOracleClient {
  std::string HomeKey, OracleHome, CharSet, Language;
};

TOracleClient DetectOracleClientOf(plat::Registry& registry);

// NLS_LANG of the client's home := value. False when no home key is known or it is missing;
// raises plat::RegistryError when the store cannot be saved.
bool WriteClientNlsLang(plat::Registry& registry, const TOracleClient& client, const std::string& value);

}  // namespace sch
