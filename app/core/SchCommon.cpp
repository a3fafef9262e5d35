#include "app/core/SchCommon.h"

namespace sch {

void RegisterSchemeClasses() {
  olv::RegisterObjClasses({&TSchemeTimeItem::StaticClass(), &TSchemeTime::StaticClass(),
                           &TSchemeObject::StaticClass(), &TSchemeWrapper::StaticClass(),
                           &TOracleScheme::StaticClass(), &TItemDescription::StaticClass(),
                           &TOracleExportScheme::StaticClass(), &TOracleImportScheme::StaticClass(),
                           &TSchemeLog::StaticClass(), &TDosCommandScheme::StaticClass()});
}

void UnregisterSchemeClasses() {
  olv::UnregisterObjClasses({&TSchemeTimeItem::StaticClass(), &TSchemeTime::StaticClass(),
                             &TSchemeObject::StaticClass(), &TSchemeWrapper::StaticClass(),
                             &TOracleScheme::StaticClass(), &TItemDescription::StaticClass(),
                             &TOracleExportScheme::StaticClass(), &TOracleImportScheme::StaticClass(),
                             &TSchemeLog::StaticClass(), &TDosCommandScheme::StaticClass()});
}

}  // namespace sch
