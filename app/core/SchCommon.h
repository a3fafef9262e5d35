#pragma once
// The scheme model as one module: the ten persistent classes of the scheme file and their
// registration with the object stream. RegisterSchemeClasses runs once at start-up (main
// thread, before a scheme file is read); UnregisterSchemeClasses at shutdown.
#include "app/core/DosCommandScheme.h"
#include "app/core/ItemDescription.h"
#include "app/core/OracleScheme.h"
#include "app/core/SchemeLog.h"
#include "app/core/SchemeObject.h"
#include "app/core/SchemeTime.h"
#include "app/core/SchemeWrapper.h"

namespace sch {

// Registers, in this order: TSchemeTimeItem, TSchemeTime, TSchemeObject, TSchemeWrapper,
// TOracleScheme, TItemDescription, TOracleExportScheme, TOracleImportScheme, TSchemeLog,
// TDosCommandScheme.
void RegisterSchemeClasses();
void UnregisterSchemeClasses();

}  // namespace sch
