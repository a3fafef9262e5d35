#include "widgets/gif/GIFItem.h"

#include "foundation/files/FileStream.h"
#include "widgets/gif/GIFImage.h"

namespace olv {

void TGIFItem::Warning(const std::string& message) const {
  if (image_) image_->Warning(this, 1, message);
}

void TGIFItem::SaveToFile(const std::string& path) {
  TMemoryStream s;
  SaveToStream(s);
  TFileStream file(path, fmCreate);
  file.WriteBuffer(s.Memory(), static_cast<size_t>(s.Size()));
}

void TGIFItem::LoadFromFile(const std::string& path) {
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

}  // namespace olv
