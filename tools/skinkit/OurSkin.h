#pragma once
// The program's own skin: its INI (resources/skin/orascheme.ini) names the pictures, and this
// table says how each is drawn: the size and number of its frames and where its margins come
// from in the INI. Every picture is a probe picture (ProbePicture.h) numbered by its place in the
// table, so tests can tell from one pixel which picture, frame and slice a painter drew.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/skinkit/PackageWriter.h"

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

// The skin's files: the INI under iniName, then one BMP per picture under the name its key gives
// (the file-name part, as the loader looks it up). Throws std::runtime_error when the INI names no
// picture for a key of the table.
std::vector<PackageFile> BuildOurSkin(const std::string& iniText, const std::string& iniName = "orascheme.ini");

}  // namespace skinkit
