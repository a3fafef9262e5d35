#pragma once
// The main window's options as the window tests start it: the given scheme and settings files, no
// tray icon, the test's main thread. Each test adds what it drives.
#include <string>

#include "app/gui/PlanMain.h"

namespace schtest {

inline sch::TSchMainForm::Options TestFormOptions(const std::string& schemeFile, const std::string& settingsFile,
                                                  plat::MainThread& mainThread) {
  sch::TSchMainForm::Options options;
  options.schemeFile = schemeFile;
  options.settingsFile = settingsFile;
  options.withTray = false;
  options.services.mainThread = &mainThread;
  return options;
}

}  // namespace schtest
