#pragma once
// TOraSQLMonitor: the Oracle version of the SQL monitor (see DASQLMonitor.h). The first one
// created is the process-wide active monitor that the Oracle session's monitor class names; the
// destructor clears it when it is that one. It names parameter types after Oracle's (VARCHAR[n],
// CHAR[n], LONG, CLOB, ...), shows object values in angle brackets, and reports savepoints.
//
// What needs the Oracle layer's own parameter objects (object type names, LOB sizes, BFILE names,
// PL/SQL table and DML array lengths) comes from their texts in OraParams.h. The process-wide
// pointer may be read from any thread; the monitor itself is used on the thread of the action.
#include <string>

#include "dataaccess/DASQLMonitor.h"

namespace ora {

class TOraSQLMonitor : public da::TCustomDASQLMonitor {
 public:
  TOraSQLMonitor();
  ~TOraSQLMonitor() override;
  std::string ClassName() const override { return "TOraSQLMonitor"; }

  // The process-wide monitor (the first created and still alive), or nullptr.
  static da::TCustomDASQLMonitor* GetMonitor();
  da::TSQLMonitorClass MonitorClass() const override { return &TOraSQLMonitor::GetMonitor; }
  std::string GetParamDataType(const da::TParam& param) const override;
  std::string GetParamValue(const da::TParam& param) const override;
  std::string GetCaption() const override { return "Qudo"; }

  // "Savepoint NAME: user@server" and "Rollback to savepoint NAME: user@server" (+ tag), once each.
  static void Savepoint(const da::TCustomDAConnection& session, const std::string& name);
  static void RollbackToSavepoint(const da::TCustomDAConnection& session, const std::string& name);
};

}  // namespace ora
