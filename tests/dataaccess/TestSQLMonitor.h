#pragma once
// TestSQLMonitor: the SQL monitor the dataaccess tests' sessions report to. Like a database's own
// monitor it has one process-wide active instance, the first created and still alive; its texts
// are the generic ones of TCustomDASQLMonitor.
#include <string>

#include "dataaccess/DASQLMonitor.h"

namespace da::testing {

class TestSQLMonitor : public TCustomDASQLMonitor {
 public:
  TestSQLMonitor();
  ~TestSQLMonitor() override;
  std::string ClassName() const override { return "TestSQLMonitor"; }

  // The process-wide monitor (the first created and still alive), or nullptr.
  static TCustomDASQLMonitor* GetMonitor();
  TSQLMonitorClass MonitorClass() const override { return &TestSQLMonitor::GetMonitor; }
};

}  // namespace da::testing
