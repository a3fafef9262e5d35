#include "tests/dataaccess/TestSQLMonitor.h"

#include <atomic>

namespace da::testing {

namespace {

std::atomic<TestSQLMonitor*> gMonitor{nullptr};

}  // namespace

TestSQLMonitor::TestSQLMonitor() : TCustomDASQLMonitor(false) {
  TestSQLMonitor* none = nullptr;
  gMonitor.compare_exchange_strong(none, this);
  try {
    SetActive(true);
  } catch (...) {
    TestSQLMonitor* self = this;
    gMonitor.compare_exchange_strong(self, nullptr);
    throw;
  }
}

TestSQLMonitor::~TestSQLMonitor() {
  try {
    SetActive(false);
  } catch (...) {
    // A destructor cannot report.
  }
  TestSQLMonitor* self = this;
  gMonitor.compare_exchange_strong(self, nullptr);
}

TCustomDASQLMonitor* TestSQLMonitor::GetMonitor() { return gMonitor.load(); }

}  // namespace da::testing
