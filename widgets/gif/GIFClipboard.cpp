#include <exception>

#include "foundation/objects/OlvClipboard.h"
#include "platform/Clipboard.h"
#include "widgets/gfx/BmpFile.h"
#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFImage.h"

namespace olv {

void TGIFImage::LoadFromClipboardFormat(const std::string& format, const std::optional<std::string>& data) {
  const bool known = format == kGIFClipboardFormat || format == plat::kBitmapFormat;
  const std::optional<std::string> bytes = !known ? std::nullopt : data ? data : OlvClipboard().GetBytes(format);
  if (!bytes) throw GIFException("Unsupported clipboard format");
  TMemoryStream stream(*bytes);
  if (format == kGIFClipboardFormat) {
    LoadFromStream(stream);
  } else {
    Assign(ReadBmp(stream));
  }
}

std::optional<TGIFClipboardData> TGIFImage::SaveToClipboardFormat() {
  if (Empty()) return std::nullopt;
  const TBitmap* bitmap = GetBitmap();
  TGIFClipboardData result;
  result.format = plat::kBitmapFormat;
  const std::vector<uint8_t> bmp = WriteBmp(*bitmap);
  result.data.assign(bmp.begin(), bmp.end());
  result.palette = bitmap->Palette();
  TMemoryStream gif;
  SaveToStream(gif);
  try {
    OlvClipboard().PutBytes(kGIFClipboardFormat, std::string(gif.View()));
  } catch (const std::exception&) {
    throw GIFException("Failed to store GIF on clipboard");
  }
  return result;
}

}  // namespace olv
