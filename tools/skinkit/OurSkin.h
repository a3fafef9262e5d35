#pragma once
// The program's own skin: its INI (resources/skin/orascheme.ini) names the pictures, and this
// table says how each is drawn: the size and number of its frames and where its margins come
// from in the INI. The pictures are drawn for a person to look at (a calm slate scheme with light
// shading), and every pixel's colour is also a probe: no two pictures, frames or slices share a
// colour (shades that would meet are moved apart by a few levels), so tests can tell from one
// pixel which picture, frame and slice a painter drew (TOurProbes).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/skinkit/PackageWriter.h"
#include "tools/skinkit/ProbePicture.h"
#include "widgets/gfx/Color.h"

namespace skinkit {

struct OurPicture {
  int id;  // the probe picture number
  std::string_view section, key;
  int frameWidth, frameHeight, frames;
  bool vertical;
};

// Every picture of the skin, in table order.
const std::vector<OurPicture>& OurPictures();
// The probe number of the picture named by a section's key; none when the table has no such key.
std::optional<int> OurPictureId(std::string_view section, std::string_view key);

// Which picture (its number in the table), frame and slice each colour of our skin stands for.
class TOurProbes {
 public:
  std::optional<Probe> Read(olv::TColor colour) const;
  // Some colour of the picture's frame and slice (the first one drawn); none when it has none.
  std::optional<olv::TColor> Colour(int picture, int frame, int slice) const;
  // Records a drawn colour; false when it stands for another picture, frame or slice already.
  bool Add(olv::TColor colour, const Probe& probe);
  bool Has(olv::TColor colour) const;

 private:
  std::vector<std::pair<olv::TColor, Probe>> entries_;  // sorted by colour
};

// The skin's files: the INI under iniName, then one BMP per picture under the name its key gives
// (the file-name part, as the loader looks it up). Throws std::runtime_error when the INI names no
// picture for a key of the table. The probes of the drawn colours go to probes when given.
std::vector<PackageFile> BuildOurSkin(const std::string& iniText, const std::string& iniName = "orascheme.ini",
                                      TOurProbes* probes = nullptr);

}  // namespace skinkit
