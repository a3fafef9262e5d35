// orascheme: the Oracle backup scheme manager.
#include <cstdio>

#include "foundation/OlvStartup.h"
#include "platform/BuildInfo.h"

int main(int argc, char** argv) {
  olv::StartUp(argc, argv);
  std::printf("%s %s\n", plat::ProgramName().c_str(), plat::ProgramVersion().c_str());
  std::printf("The main window is not built yet; the libraries and their tests are.\n");
  return 0;
}
