#pragma once
// The probes of the program's own skin: which picture, frame and slice each of its colours stands
// for, drawn again from the skin's INI in the source tree, as the build draws the package.
#include <fstream>
#include <sstream>

#include "tools/skinkit/OurSkin.h"

namespace skin {

inline const skinkit::TOurProbes& OurProbes() {
  static const skinkit::TOurProbes probes = [] {
    std::ifstream in(ORASCHEME_SOURCE_DIR "/resources/skin/orascheme.ini", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    skinkit::TOurProbes p;
    skinkit::BuildOurSkin(text.str(), "orascheme.ini", &p);
    return p;
  }();
  return probes;
}

inline std::optional<skinkit::Probe> OurProbe(olv::TColor colour) { return OurProbes().Read(colour); }

}  // namespace skin
