// orascheme: the Oracle backup scheme manager.
#include <cstdio>

#include "foundation/startup/OlvStartup.h"
#include "platform/BuildInfo.h"
#include "platform/TerminationSignals.h"
#ifdef ORASCHEME_WITH_GUI
#include "app/gui/GuiMain.h"
#endif

int main(int argc, char** argv) {
  // A write past the file-size limit is a failed save, not the end of the program.
  plat::IgnoreFileSizeSignal();
  olv::StartUp(argc, argv);
#ifdef ORASCHEME_WITH_GUI
  return sch::RunMainWindow(argc, argv);
#else
  std::printf("%s %s\n", plat::ProgramName().c_str(), plat::ProgramVersion().c_str());
  std::printf("This build has no window side (configured without ORASCHEME_GUI).\n");
  return 0;
#endif
}
