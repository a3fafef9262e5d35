#include "widgets/gif/GIFImage.h"

#include <algorithm>

#include "foundation/files/FileStream.h"
#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFStreamIO.h"

namespace olv {

TGIFImage::TGIFImage() : header_(this) {}

TGIFImage::~TGIFImage() { images_.Clear(); }

void TGIFImage::SetReductionBits(int bits) {
  if (bits < 1 || bits > 8) throw GIFException("Invalid reduction bits");
  reductionBits_ = bits;
}

void TGIFImage::Warning(const void* sender, int severity, const std::string& message) const {
  if (OnWarning) OnWarning(sender, severity, message);
}

void TGIFImage::Progress(TGIFProgressStage stage, int percent, const std::string& message) const {
  if (OnProgress) OnProgress(stage, percent, message);
}

bool TGIFImage::DoDither() const {
  return (DrawOptions & goDitherColors) && (!(DrawOptions & goDitherOnPaletteDevice) || PaletteDeviceDither);
}

TPalette TGIFImage::Palette() const { return header_.ColorMap().ExportPalette(); }

int TGIFImage::Version() const {
  int v = header_.GetVersion();
  for (const auto& frame : images_) {
    if (v >= 2) break;
    v = std::max(v, frame->GetVersion());
  }
  return v;
}

int TGIFImage::ColorResolution() const {
  int r = header_.ColorResolution();
  for (const auto& frame : images_) r = std::max(r, frame->ColorResolution());
  return r;
}

int TGIFImage::BitsPerPixel() const {
  int b = header_.BitsPerPixel();
  for (const auto& frame : images_) b = std::max(b, frame->BitsPerPixel());
  return b;
}

void TGIFImage::Clear() {
  images_.Clear();
  header_.Clear();
}

void TGIFImage::LoadFromStream(TStream& s) {
  const int64_t start = s.Position();
  Clear();
  try {
    header_.LoadFromStream(s);
    const int64_t size = std::max<int64_t>(1, s.Size());
    while (true) {
      int b = GIFPeekOrEnd(s);
      while (b == 0) {
        s.Seek(1, TSeekOrigin::Current);
        b = GIFPeekOrEnd(s);
      }
      if (b < 0) return;  // no trailer: accepted
      if (b == ';') break;
      if (b != '!' && b != ',') {
        Warning(this, 1, "Unknown GIF block type");
        break;
      }
      auto frame = std::make_unique<TGIFSubImage>(this);
      frame->LoadFromStream(s);
      images_.Add(std::move(frame));
      Progress(TGIFProgressStage::Running, static_cast<int>(std::min<int64_t>(100, s.Position() * 100 / size)),
               "Loading...");
    }
    TGIFTrailer trailer(this);
    trailer.LoadFromStream(s);
  } catch (...) {
    s.SetPosition(start);
    throw;
  }
}

void TGIFImage::SaveToStream(TStream& s) {
  header_.SaveToStream(s);
  for (int i = 0; i < images_.Count(); ++i) {
    images_.Items(i)->SaveToStream(s);
    Progress(TGIFProgressStage::Running, (i + 1) * 100 / images_.Count(), "Saving...");
  }
  TGIFTrailer(this).SaveToStream(s);
}

void TGIFImage::LoadFromFile(const std::string& path) {
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TGIFImage::SaveToFile(const std::string& path) {
  TMemoryStream s;
  SaveToStream(s);
  TFileStream file(path, fmCreate);
  file.WriteBuffer(s.Memory(), static_cast<size_t>(s.Size()));
}

}  // namespace olv
