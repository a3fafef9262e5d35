#include "app/core/PagePictures.h"

#include <filesystem>
#include <functional>
#include <system_error>

#include "app/core/PagePictureData.h"
#include "foundation/files/AtomicFile.h"
#include "foundation/text/Utf8.h"
#include "widgets/gfx/BmpFile.h"
#include "widgets/gif/GIFImage.h"
#include "widgets/gif/GraphicFormats.h"

namespace sch {

std::vector<std::string> PagePictures::Save(const std::string& folder) {
  constexpr plat::Durability kScratch = plat::Durability::Unsynced;
  std::vector<std::string> problems;
  files_.clear();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  for (const EmbeddedPicture& picture : PagePictureData()) {
    try {
      // The pictures are GIF files already: written as they are, and like every file the program
      // writes, beside and renamed, so a page never reads half a file. Not flushed to disk: they
      // are written again at every start and go with the window, and the flushing (twice for
      // each of eight files) was most of the time the window took to come up.
      const std::string key = picture.key;
      const std::string file = dir + key + "." + olv::GraphicExtension(olv::TGraphicClass::GIFImage);
      olv::SaveFileAtomically(
          file, std::nullopt, [&](olv::TStream& s) { s.WriteBuffer(picture.bytes, picture.size); }, kScratch);
      files_.emplace_back(key, file);
      if (key == "imgTimer") {
        // The timer at rest: its first frame as a bitmap.
        olv::TGIFImage image;
        olv::TMemoryStream bytes(std::vector<uint8_t>(picture.bytes, picture.bytes + picture.size));
        image.LoadFromStream(bytes);
        const olv::TBitmap* first = image.GetBitmap();
        if (!first) continue;
        const std::string bmp = dir + key + "." + olv::GraphicExtension(olv::TGraphicClass::Bitmap);
        olv::SaveFileAtomically(bmp, std::nullopt, [&](olv::TStream& s) { olv::WriteBmp(*first, s); }, kScratch);
        files_.emplace_back(kTimerBitmapKey, bmp);
      }
    } catch (const std::exception& e) {
      problems.push_back(std::string(picture.key) + ": " + e.what());
    }
  }
  return problems;
}

std::string PagePictures::File(const std::string& key) const {
  for (const auto& [k, file] : files_) {
    if (!olv::utf8::SameText(k, key)) continue;
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec) ? file : std::string();
  }
  return std::string();
}

void PagePictures::DeleteFiles() {
  for (const auto& [key, file] : files_) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
  }
  files_.clear();
}

}  // namespace sch
