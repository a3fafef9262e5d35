#include "platform/BuildInfo.h"

#ifndef ORASCHEME_VERSION
#define ORASCHEME_VERSION "0.1.0"
#endif

namespace plat {

std::string ProgramName() { return "orascheme"; }
std::string ProgramVersion() { return ORASCHEME_VERSION; }

}  // namespace plat
