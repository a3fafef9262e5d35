// A second process for the registry tests: reads what the test wrote to the store named by
// ORASCHEME_REGISTRY_DIR and answers in it. Exit status 0 when every value was as written; each
// mismatch is told on stderr.
#include <iostream>
#include <string>

#include "foundation/base/OlvRegistry.h"
#include "foundation/base/RegValues.h"

namespace {

int failures = 0;

void Expect(const std::string& what, const std::string& got, const std::string& wanted) {
  if (got == wanted) return;
  std::cerr << what << ": read \"" << got << "\", wanted \"" << wanted << "\"\n";
  ++failures;
}

}  // namespace

int main() {
  using namespace olv;
  Expect("NLS_LANG", ReadRegValue("HKEY_LOCAL_MACHINE\\software\\oracle\\home0", "nls_lang"),
         "AMERICAN_AMERICA.ZHS16GBK");
  Expect("LastFile", ReadRegValue("HKEY_CURRENT_USER\\SOFTWARE\\OLVEK\\SCHEME", "lastfile"),
         "/srv/schemes/main.sch");
  auto reg = OpenRegPath("HKEY_CURRENT_USER\\software\\olvek\\scheme", false);
  if (!reg) {
    std::cerr << "the scheme key cannot be opened\n";
    return 1;
  }
  Expect("Runs", std::to_string(reg->ReadInteger("RUNS")), "42");
  if (!WriteRegValue("HKEY_CURRENT_USER\\Software\\Olvek\\Scheme", "Answer", "from the child")) {
    std::cerr << "the answer cannot be written\n";
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
