#include "app/core/OracleScheme.h"

namespace sch {

TOracleScheme::TOracleScheme() { ProcessHandle.store(0); }

}  // namespace sch
