#include "widgets/gif/GIFHeader.h"

#include <algorithm>
#include <cctype>

#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFImage.h"
#include "widgets/gif/GIFStreamIO.h"

namespace olv {

namespace {
bool IsGif(const uint8_t* sig) {
  return std::toupper(sig[0]) == 'G' && std::toupper(sig[1]) == 'I' && std::toupper(sig[2]) == 'F';
}
}  // namespace

void TGIFHeader::Clear() {
  Width = Height = 0;
  Packed = BackgroundColorIndex = AspectRatio = 0;
  colorMap_.Clear();
}

void TGIFHeader::LoadFromStream(TStream& s) {
  const int64_t start = s.Position();
  uint8_t sig[6];
  GIFReadCheck(s, sig, 6);
  if (!IsGif(sig)) {
    // Some writers put 4 bytes before the signature.
    s.SetPosition(start + 4);
    GIFReadCheck(s, sig, 6);
    if (!IsGif(sig)) throw GIFException("Invalid GIF signature");
  }
  uint8_t d[7];
  GIFReadCheck(s, d, 7);
  Width = static_cast<uint16_t>(d[0] | d[1] << 8);
  Height = static_cast<uint16_t>(d[2] | d[3] << 8);
  Packed = d[4];
  BackgroundColorIndex = d[5];
  AspectRatio = d[6];
  if (Packed & 0x80) {
    colorMap_.LoadFromStream(s, 1 << ((Packed & 7) + 1));
    colorMap_.SetOptimized(Packed & 0x08);
  } else {
    colorMap_.Clear();
  }
}

void TGIFHeader::SaveToStream(TStream& s) {
  const TGIFImage* image = Image();
  if (!image || image->Empty()) throw GIFException("Unsupported GIF version");
  const char* sig = image->Version() >= 2 ? "GIF89a" : "GIF87a";
  s.WriteBuffer(sig, 6);
  uint8_t packed = 0;
  if (colorMap_.Count() > 0) {
    packed |= 0x80;
    if (colorMap_.Optimized()) packed |= 0x08;
    packed |= static_cast<uint8_t>(colorMap_.BitsPerPixel() - 1);
  } else {
    int bits = 1;
    for (const auto& frame : image->Images()) bits = std::max(bits, frame->BitsPerPixel());
    packed |= static_cast<uint8_t>(bits - 1);
  }
  packed |= static_cast<uint8_t>((std::clamp(image->ColorResolution(), 0, 7)) << 4);
  Packed = packed;
  const uint8_t d[7] = {static_cast<uint8_t>(Width), static_cast<uint8_t>(Width >> 8),
                        static_cast<uint8_t>(Height), static_cast<uint8_t>(Height >> 8),
                        packed, BackgroundColorIndex, AspectRatio};
  s.WriteBuffer(d, 7);
  colorMap_.SaveToStream(s);
}

void TGIFTrailer::SaveToStream(TStream& s) { GIFWriteByte(s, ';'); }

void TGIFTrailer::LoadFromStream(TStream& s) {
  uint8_t b = 0;
  if (s.Read(&b, 1) == 1 && b != ';') Warning("Invalid Image trailer");
}

}  // namespace olv
