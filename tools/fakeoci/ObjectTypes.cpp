// Object types (to come) and declared column types beyond the plain ones.
#include <cstdlib>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

bool ExtendedColumn(const std::string& declared, Column& column) {
  if (declared.rfind("SQLT_", 0) == 0) {
    column.type = static_cast<ub2>(std::atoi(declared.c_str() + 5));
    column.size = 4;
    return true;
  }
  return false;
}

Status PutObject(const DefineSlot&, const Value&, ub4) { return Error(3115); }

}  // namespace fakeoci
