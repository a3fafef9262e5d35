#include "widgets/gif/GIFImage.h"

#include <algorithm>

#include "foundation/files/FileStream.h"
#include "widgets/gif/ColorReduction.h"
#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFPainter.h"
#include "widgets/gif/GIFStreamIO.h"

namespace olv {

TGIFImage::TGIFImage() : header_(this) {}

TGIFImage::~TGIFImage() {
  // Painters still listed forget the picture; whoever holds one keeps a stopped painter.
  while (!painters_.empty()) {
    std::shared_ptr<TGIFPainter> p = painters_.back();
    painters_.pop_back();
    p->Detach();
  }
  images_.Clear();
}

void TGIFImage::Changed() {
  if (OnChange) OnChange(*this);
}

void TGIFImage::SetScreenSide(bool width, int value) {
  if (value < 0 || value > 65535) throw GIFException("Invalid image dimensions");
  for (const auto& frame : images_)
    if (width ? frame->Left() + frame->Width() > value : frame->Top() + frame->Height() > value)
      throw GIFException(width ? "Image width too small for contained frames"
                               : "Image height too small for contained frames");
  uint16_t& side = width ? header_.Width : header_.Height;
  if (value == side) return;
  side = static_cast<uint16_t>(value);
  ReleaseBitmap();
  Changed();
}

TPalette TGIFImage::GetPalette() const {
  if (cached_ && !cached_->Palette().Empty()) return cached_->Palette();
  if (DoDither()) return Cube216Palette();
  if (header_.ColorMap().Count() > 0) return header_.ColorMap().ExportPalette();
  if (!Empty()) return images_.Items(0)->Palette();
  return TPalette();
}

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
  StopPainters();
  ReleaseBitmap();
  images_.Clear();
  header_.Clear();
}

void TGIFImage::LoadFromStream(TStream& s) {
  Progress(TGIFProgressStage::Starting, 0, "Loading...");
  TGIFProgressEnd end{*this, "Loading..."};
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
      if (b < 0) {  // no trailer: accepted
        end.ok = true;
        return;
      }
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
  end.ok = true;
}

void TGIFImage::SaveToStream(TStream& s) {
  Progress(TGIFProgressStage::Starting, 0, "Saving...");
  TGIFProgressEnd end{*this, "Saving..."};
  header_.SaveToStream(s);
  for (int i = 0; i < images_.Count(); ++i) {
    images_.Items(i)->SaveToStream(s);
    Progress(TGIFProgressStage::Running, (i + 1) * 100 / images_.Count(), "Saving...");
  }
  TGIFTrailer(this).SaveToStream(s);
  end.ok = true;
}

void TGIFImage::WriteData(TStream& s) {
  if (OptimizeOnWrite) Optimize(ooAll, ReduceNone, 0, 8);
  SaveToStream(s);
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

// ---- frames ----

int TGIFImage::Add(std::unique_ptr<TGIFSubImage> frame) {
  int index;
  if (frame->Image() == this) {
    index = images_.Add(std::move(frame));
  } else {
    auto own = std::make_unique<TGIFSubImage>(this);
    own->Assign(*frame);
    index = images_.Add(std::move(own));
  }
  ReleaseBitmap();
  Changed();
  return index;
}

int TGIFImage::Add(const TBitmap& bitmap) {
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->Assign(bitmap);
  return Add(std::move(frame));
}

void TGIFImage::Assign(const TGIFImage& source) {
  if (&source == this) return;
  Clear();
  // For the length of the copy this picture reports to the source's handlers; it keeps the
  // source's warning handler (a setting that is copied) and gets its own progress handler back.
  struct End {
    TGIFImage& image;
    ProgressEvent own;
    bool ok = false;
    ~End() {
      image.Progress(TGIFProgressStage::Ending, ok ? 100 : 0, "Copying...");
      image.OnProgress = std::move(own);
    }
  } end{*this, OnProgress};
  OnWarning = source.OnWarning;
  OnProgress = source.OnProgress;
  Progress(TGIFProgressStage::Starting, 0, "Copying...");
  header_.Width = source.header_.Width;
  header_.Height = source.header_.Height;
  header_.Packed = source.header_.Packed;
  header_.BackgroundColorIndex = source.header_.BackgroundColorIndex;
  header_.AspectRatio = source.header_.AspectRatio;
  header_.ColorMap().Assign(source.header_.ColorMap());
  BackgroundColor = source.BackgroundColor;
  DrawOptions = source.DrawOptions;
  ColorReduction = source.ColorReduction;
  DitherMode = source.DitherMode;
  OnStartPaint = source.OnStartPaint;
  OnPaint = source.OnPaint;
  OnAfterPaint = source.OnAfterPaint;
  OnLoop = source.OnLoop;
  OnEndPaint = source.OnEndPaint;
  const int count = source.images_.Count();
  for (int i = 0; i < count; ++i) {
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->Assign(*source.images_.Items(i));
    images_.Add(std::move(frame));
    Progress(TGIFProgressStage::Running, (i + 1) * 100 / count, "Copying...");
  }
  end.ok = true;
  Changed();
}

void TGIFImage::Assign(const TBitmap& source) {
  Clear();
  Add(source);
}

void TGIFImage::AssignTo(TBitmap& target) {
  const TBitmap* b = GetBitmap();
  target = b ? *b : TBitmap();
}

// ---- the cached bitmap ----

const TBitmap* TGIFImage::GetBitmap() {
  if (Empty()) return nullptr;
  if (cached_) return cached_.get();
  TGIFSubImage* frame = images_.Items(0);
  if (frame->Width() == Width() && frame->Height() == Height()) {
    cached_ = std::make_unique<TBitmap>(frame->Bitmap());
  } else {
    cached_ = std::make_unique<TBitmap>(Width(), Height());
    TCanvas canvas(*cached_);
    frame->Draw(canvas, cached_->Bounds(), false, false);
  }
  return cached_.get();
}

void TGIFImage::ReleaseBitmap() {
  if (auto p = drawPainter_.lock()) p->Stop();
  drawPainter_.reset();
  cached_.reset();
}

void TGIFImage::CachedBitmapPainted(const TBitmap& bitmap) {
  if (cached_ && &bitmap == cached_.get()) Changed();
}

// ---- drawing and painters ----

void TGIFImage::DrawCached(TCanvas& canvas, const TRect& rect) {
  if (!(DrawOptions & goDrawTiled) || Width() <= 0 || Height() <= 0) {
    canvas.StretchDraw(rect, *cached_);
    return;
  }
  for (int64_t y = rect.Top; y < rect.Bottom; y += Height())
    for (int64_t x = rect.Left; x < rect.Right; x += Width())
      canvas.StretchDraw(MakeRect(static_cast<int>(x), static_cast<int>(y), Width(), Height()), *cached_);
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) {
  if (drawing_ || Empty()) return;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{drawing_};
  drawing_ = true;
  const bool transparent = DrawOptions & goDrawTransparent;
  const bool tiled = DrawOptions & goDrawTiled;
  if (images_.Count() == 1 || !(DrawOptions & goDrawAnimated)) {
    images_.Items(0)->Draw(canvas, rect, transparent, tiled);
    return;
  }
  const bool direct = DrawOptions & goDrawDirect;
  if (cached_ && !direct) {
    DrawCached(canvas, rect);
    return;
  }
  if (auto p = drawPainter_.lock(); p && !p->Finished() && &p->Destination() == &canvas.Target() && p->Rect() == rect)
    return;
  StopDrawPainter();
  TBitmap* destination;
  TRect destRect;
  if (direct) {
    destination = &canvas.Target();
    destRect = rect;
  } else {
    cached_ = std::make_unique<TBitmap>(Width(), Height());
    TCanvas(*cached_).CopyRect(cached_->Bounds(), canvas.Target(), rect);
    destination = cached_.get();
    destRect = cached_->Bounds();
  }
  drawPainter_ = CreatePainter(*destination, destRect, DrawOptions);
  // A timed painter has painted its first frame by now; one without a timer has played through.
  if (!direct && cached_) DrawCached(canvas, rect);
}

std::shared_ptr<TGIFPainter> TGIFImage::CreatePainter(TBitmap& destination, const TRect& rect, uint16_t options) {
  if (Empty() || rect.IsEmpty()) return nullptr;
  if (images_.Count() == 1) options &= static_cast<uint16_t>(~(goDrawInThread | goDrawAnimated));
  auto painter = std::make_shared<TGIFPainter>(*this, destination, rect, options, Clock ? *Clock : DefaultAnimationClock());
  painters_.push_back(painter);
  painter->Start();
  return painter->Finished() ? nullptr : painter;
}

void TGIFImage::StopDrawPainter() {
  if (auto p = drawPainter_.lock()) p->Stop();
  drawPainter_.reset();
  cached_.reset();
}

void TGIFImage::StopPainters() {
  // Stopping removes each painter from the list; copy first.
  const std::vector<std::shared_ptr<TGIFPainter>> all = painters_;
  for (const auto& p : all) p->Stop();
  drawPainter_.reset();
}

void TGIFImage::PainterEnded(TGIFPainter* painter) {
  for (auto it = painters_.begin(); it != painters_.end(); ++it)
    if (it->get() == painter) {
      // The caller holds its own reference while it ends.
      painters_.erase(it);
      return;
    }
}

}  // namespace olv
