#include "app/gui/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

namespace sch {

// The configuration is made once per process: a second FcInit, Qt's, returns at once.
FontWarmUp::FontWarmUp() : thread_([] { FcInit(); }) {}

FontWarmUp::~FontWarmUp() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace sch
