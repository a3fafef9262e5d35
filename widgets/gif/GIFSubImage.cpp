#include "widgets/gif/GIFSubImage.h"

#include <algorithm>
#include <cstring>

#include "widgets/gif/ColorLookup.h"
#include "widgets/gif/ColorReduction.h"
#include "widgets/gif/DIB.h"
#include "widgets/gif/Ditherer.h"
#include "widgets/gif/GIFDecoder.h"
#include "widgets/gif/GIFEncoder.h"
#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFImage.h"
#include "widgets/gif/GIFStreamIO.h"

namespace olv {

namespace {

void CheckFrameSize(int64_t width, int64_t height) {
  if (width * height > TGIFSubImage::kMaxFramePixels) throw GIFException("Image is too large");
}

int MulDiv(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return static_cast<int>(a);
  const int64_t p = a * b;
  return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

// Reads a frame's extensions up to its image descriptor or the trailer.
void ReadExtensions(TStream& s, TGIFSubImage& frame) {
  while (true) {
    const int b = GIFPeekOrEnd(s);
    if (b < 0 || b == ',' || b == ';') return;
    if (b != '!') {
      frame.Warning("Invalid extension introducer");
      return;
    }
    std::unique_ptr<TGIFExtension> ext = FindExtension(s, &frame);
    if (!ext) throw GIFException("Unknown extension type");
    ext->LoadFromStream(s);
    frame.Extensions().Add(std::move(ext));
  }
}

}  // namespace

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), colorMap_(image, this) {}

TGIFSubImage::~TGIFSubImage() { extensions_.Clear(); }

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
  if (colorMap_.Count() > 0) return colorMap_;
  if (image_ && image_->Header().ColorMap().Count() > 0) return image_->Header().ColorMap();
  return colorMap_;
}

int TGIFSubImage::GetVersion() const { return colorMap_.Optimized() || extensions_.Count() > 0 ? 2 : 1; }

int TGIFSubImage::TransparentIndex() const {
  return transparent_ && gce_ ? gce_->TransparentColorIndex() : -1;
}

void TGIFSubImage::ExtensionCreated(TGIFGraphicControlExtension* gce) {
  if (!gce_) gce_ = gce;
}

void TGIFSubImage::ExtensionGone(TGIFExtension* ext) {
  if (ext == gce_) gce_ = nullptr;
}

void TGIFSubImage::SetTransparentFlag(bool on) {
  if (transparent_ == on) return;
  transparent_ = on;
  Changed();
}

void TGIFSubImage::Changed() {
  bitmap_.reset();
  mask_ = TBitmap();
  needMask_ = true;
}

void TGIFSubImage::Clear() {
  extensions_.Clear();
  colorMap_.Clear();
  data_.clear();
  data_.shrink_to_fit();
  zeroPending_ = false;
  left_ = top_ = width_ = height_ = 0;
  packed_ = 0;
  transparent_ = false;
  gce_ = nullptr;
  Changed();
}

void TGIFSubImage::DropPixels() {
  CheckFrameSize(width_, height_);
  data_.clear();  // the capacity stays, for the pixels to come
  zeroPending_ = width_ > 0 && height_ > 0;
  Changed();
}

void TGIFSubImage::ReadyPixels() const {
  if (!zeroPending_) return;
  data_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
  zeroPending_ = false;
}

void TGIFSubImage::CheckScreen() {
  if (!image_) return;
  TGIFHeader& h = image_->Header();
  if (left_ + width_ > h.Width) {
    if (h.Width > 0) {
      Warning("Image width too small for contained frames");
      Warning("Image exceeds Logical Screen size");
    }
    h.Width = static_cast<uint16_t>(std::min(65535, left_ + width_));
  }
  if (top_ + height_ > h.Height) {
    if (h.Height > 0) {
      Warning("Image height too small for contained frames");
      Warning("Image exceeds Logical Screen size");
    }
    h.Height = static_cast<uint16_t>(std::min(65535, top_ + height_));
  }
}

void TGIFSubImage::SetLeft(uint16_t left) {
  left_ = left;
  CheckScreen();
}

void TGIFSubImage::SetTop(uint16_t top) {
  top_ = top;
  CheckScreen();
}

void TGIFSubImage::SetWidth(uint16_t width) {
  if (width == width_) return;
  CheckFrameSize(width, height_);
  width_ = width;
  DropPixels();
  CheckScreen();
}

void TGIFSubImage::SetHeight(uint16_t height) {
  if (height == height_) return;
  CheckFrameSize(width_, height);
  height_ = height;
  DropPixels();
  CheckScreen();
}

uint8_t TGIFSubImage::Pixels(int x, int y) {
  if (x < 0 || x >= width_) throw GIFException("Invalid pixel coordinates");
  return ScanLine(y)[static_cast<size_t>(x)];
}

void TGIFSubImage::SetPixels(int x, int y, uint8_t index) {
  if (x < 0 || x >= width_) throw GIFException("Invalid pixel coordinates");
  ScanLine(y)[static_cast<size_t>(x)] = index;
  Changed();
}

std::span<uint8_t> TGIFSubImage::ScanLine(int y) {
  if (y < 0 || y >= height_) throw GIFException("Invalid pixel coordinates");
  ReadyPixels();
  if (data_.empty()) throw GIFException("Image is empty");
  return {data_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_), static_cast<size_t>(width_)};
}

void TGIFSubImage::SetData(std::span<const uint8_t> pixels) {
  if (pixels.size() != static_cast<size_t>(width_) * static_cast<size_t>(height_))
    throw GIFException("Invalid image dimensions");
  if (pixels.data() != data_.data()) data_.assign(pixels.begin(), pixels.end());
  zeroPending_ = false;
  Changed();
}

void TGIFSubImage::SetData(std::vector<uint8_t>&& pixels) {
  if (pixels.size() != static_cast<size_t>(width_) * static_cast<size_t>(height_))
    throw GIFException("Invalid image dimensions");
  data_ = std::move(pixels);
  zeroPending_ = false;
  Changed();
}

TPalette TGIFSubImage::Palette() const {
  if (image_ && image_->DoDither()) return Cube216Palette();
  return ActiveColorMap().ExportPalette();
}

// ---- reading and writing ----

void TGIFSubImage::LoadFromStream(TStream& s) {
  Clear();
  ReadExtensions(s, *this);
  const int next = GIFPeekOrEnd(s);
  if (next != ',') {
    // The trailer, a zero byte or the end: a frame of extensions only. Anything else is left for
    // the picture to report.
    return;
  }
  uint8_t d[10];
  GIFReadCheck(s, d, 10);
  left_ = d[1] | d[2] << 8;
  top_ = d[3] | d[4] << 8;
  width_ = d[5] | d[6] << 8;
  height_ = d[7] | d[8] << 8;
  packed_ = d[9];
  if ((width_ == 0 || height_ == 0) && image_) {
    width_ = image_->Width();
    height_ = image_->Height();
    Warning("Image exceeds Logical Screen size");
  }
  CheckFrameSize(width_, height_);
  if (packed_ & 0x80) {
    colorMap_.LoadFromStream(s, 1 << ((packed_ & 7) + 1));
    colorMap_.SetOptimized(packed_ & 0x20);
  }
  const int fill = transparent_ && gce_ ? gce_->TransparentColorIndex() : 0;
  data_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), static_cast<uint8_t>(fill));
  GIFDecodeImage(s, data_, width_, height_, Interlaced(), [this](const std::string& m) { Warning(m); });
  Changed();
  if (TGIFImage::DecodeOnLoad) Bitmap();
}

void TGIFSubImage::SaveToStream(TStream& s) {
  extensions_.SaveToStream(s);
  if (Empty()) return;
  ReadyPixels();
  if (colorMap_.Count() > 0)
    packed_ = static_cast<uint8_t>(0x80 | (colorMap_.Optimized() ? 0x20 : 0) | (colorMap_.BitsPerPixel() - 1));
  else
    packed_ &= 0x40 | 0x18;
  const uint8_t d[10] = {',', static_cast<uint8_t>(left_), static_cast<uint8_t>(left_ >> 8),
                         static_cast<uint8_t>(top_), static_cast<uint8_t>(top_ >> 8),
                         static_cast<uint8_t>(width_), static_cast<uint8_t>(width_ >> 8),
                         static_cast<uint8_t>(height_), static_cast<uint8_t>(height_ >> 8), packed_};
  s.WriteBuffer(d, 10);
  colorMap_.SaveToStream(s);
  int bits, colors;
  if (colorMap_.Count() > 0) {
    colors = colorMap_.Count();
    bits = colorMap_.BitsPerPixel();
  } else {
    bits = image_ ? image_->BitsPerPixel() : 8;
    colors = 1 << bits;
  }
  std::unique_ptr<TGIFEncoder> encoder;
  if (image_ && image_->Compression == 1) encoder = std::make_unique<TRLEEncoder>();
  else encoder = std::make_unique<TLZWEncoder>();
  encoder->Compress(s, bits, colors, data_.data(), Interlaced(), height_, width_);
}

// ---- rendering ----

const TBitmap& TGIFSubImage::Bitmap() {
  if (!bitmap_) Render();
  return *bitmap_;
}

bool TGIFSubImage::HasMask() {
  if (needMask_ && transparent_) {
    bitmap_.reset();
    Render();
  }
  return !mask_.Empty();
}

const TBitmap& TGIFSubImage::Mask() {
  HasMask();
  return mask_;
}

void TGIFSubImage::Render() {
  if (Empty()) {
    bitmap_.emplace();
    bitmap_->SetPalette(Palette());
    return;
  }
  ReadyPixels();
  if (image_) image_->Progress(TGIFProgressStage::Starting, 0, "Rendering...");
  bool ok = false;
  struct End {
    TGIFImage* image;
    bool& ok;
    ~End() {
      if (image) image->Progress(TGIFProgressStage::Ending, ok ? 100 : 0, "Rendering...");
    }
  } end{image_, ok};

  const TPalette palette = Palette();
  TBitmap out;
  TBitmap mask;
  bool marked = false;
  {
    TDIBWriter dib(out, TPixelFormat::pf8bit, width_, height_, palette);
    const int tIndex = needMask_ && transparent_ && gce_ ? gce_->TransparentColorIndex() : -1;
    if (tIndex >= 0) mask = TBitmap(width_, height_, TPixelFormat::pf1bit);
    const bool dither = image_ && image_->DoDither();
    const TGIFColorMap& map = ActiveColorMap();
    std::vector<TGIFColor> colors(map.Entries());
    colors.resize(256);  // pixels past the table read black
    TNetscapeColorLookup cube;
    TFloydSteinbergDitherer ditherer(width_, cube);
    uint8_t fill = 0;
    if (dither && tIndex >= 0) {
      // Transparent pixels keep the cube index of the transparent colour (masked anyway).
      TGIFColor t = colors[static_cast<size_t>(tIndex)];
      fill = static_cast<uint8_t>(cube.Lookup(t.Red, t.Green, t.Blue));
    }
    for (int y = 0; y < height_; ++y) {
      const uint8_t* src = data_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
      uint8_t* dst = dib.ScanLine(y).data();
      uint8_t* maskRow = tIndex >= 0 ? mask.ScanLine(y).data() : nullptr;
      if (maskRow) {
        for (int x = 0; x < width_; ++x)
          if (src[x] == tIndex) {
            maskRow[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
            marked = true;
          }
      }
      if (!dither) {
        std::memcpy(dst, src, static_cast<size_t>(width_));
      } else {
        for (int n = 0; n < width_; ++n) {
          const int x = ditherer.Column();
          if (src[x] == tIndex) {
            dst[x] = fill;
            ditherer.Skip();
            continue;
          }
          TGIFColor c = colors[src[x]];
          dst[x] = static_cast<uint8_t>(ditherer.Dither(c.Red, c.Green, c.Blue));
        }
        ditherer.NextLine();
      }
      if (image_ && (y % 32) == 0 && y > 0)
        image_->Progress(TGIFProgressStage::Running, static_cast<int>(int64_t{y} * 100 / height_), "Rendering...");
    }
  }
  mask_ = marked ? std::move(mask) : TBitmap();
  if (needMask_ && transparent_) needMask_ = false;
  bitmap_ = std::move(out);
  ok = true;
}

void TGIFSubImage::Draw(TCanvas& canvas, const TRect& rect, bool transparent, bool tile) {
  const bool masked = transparent && transparent_ && HasMask();
  const TBitmap& bmp = Bitmap();
  if (bmp.Empty()) return;
  const int pw = image_ && image_->Width() > 0 ? image_->Width() : width_;
  const int ph = image_ && image_->Height() > 0 ? image_->Height() : height_;
  auto put = [&](const TRect& dest) {
    if (masked) canvas.CopyRectMasked(dest, bmp, bmp.Bounds(), mask_);
    else canvas.CopyRect(dest, bmp, bmp.Bounds());
  };
  if (tile) {
    for (int64_t y = int64_t{rect.Top} + top_; y < rect.Bottom; y += ph)
      for (int64_t x = int64_t{rect.Left} + left_; x < rect.Right; x += pw)
        put(MakeRect(static_cast<int>(x), static_cast<int>(y), width_, height_));
    return;
  }
  put({rect.Left + MulDiv(left_, rect.Width(), pw), rect.Top + MulDiv(top_, rect.Height(), ph),
       rect.Left + MulDiv(left_ + width_, rect.Width(), pw), rect.Top + MulDiv(top_ + height_, rect.Height(), ph)});
}

// ---- assignment ----

void TGIFSubImage::Assign(const TGIFSubImage& source) {
  if (&source == this) return;
  Clear();
  if (source.Empty()) return;
  left_ = source.left_, top_ = source.top_, width_ = source.width_, height_ = source.height_;
  packed_ = source.packed_;
  data_ = source.data_;
  zeroPending_ = source.zeroPending_;
  colorMap_.Assign(source.colorMap_);
  TMemoryStream s;
  source.extensions_.SaveToStream(s);
  s.SetPosition(0);
  ReadExtensions(s, *this);
  transparent_ = source.transparent_;
  if (source.bitmap_) bitmap_ = source.bitmap_;
}

void TGIFSubImage::Assign(const TBitmap& source) {
  Clear();
  if (source.Empty()) return;
  if (source.Width() > 65535 || source.Height() > 65535) throw GIFException("Image is too large");
  SetWidth(static_cast<uint16_t>(source.Width()));
  SetHeight(static_cast<uint16_t>(source.Height()));
  ReadyPixels();  // every pixel is written below, but a colour table overflow may stop it midway
  TBitmap cached;
  if (IsIndexed(source.PixelFormat())) {
    cached = source;
  } else {
    const int method = image_ ? int{image_->ColorReduction} : int{ReduceCube216};
    cached = ReduceColors(source, method, image_ ? image_->DitherMode : 0, image_ ? image_->ReductionBits() : 8);
    if (cached.Empty()) throw GIFException("Invalid reduction method");
  }
  if (image_) image_->Progress(TGIFProgressStage::Starting, 0, "Converting...");
  bool ok = false;
  struct End {
    TGIFImage* image;
    bool& ok;
    ~End() {
      if (image) image->Progress(TGIFProgressStage::Ending, ok ? 100 : 0, "Converting...");
    }
  } end{image_, ok};

  const TPixelFormat format = IsIndexed(cached.PixelFormat()) ? cached.PixelFormat() : TPixelFormat::pf24bit;
  TDIBReader reader(cached, format);
  if (format == TPixelFormat::pf24bit) {
    // Colours met recently are looked for first: pictures repeat their neighbours.
    int ring[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int last = 0;
    for (int y = 0; y < height_; ++y) {
      const uint8_t* src = reader.ScanLine(y).data();
      uint8_t* dst = data_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
      for (int x = 0; x < width_; ++x) {
        const TColor c = MakeColor(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        int index = -1;
        for (int k = 0; k < 8 && index < 0; ++k) {
          const int slot = (last - k + 8) & 7;
          if (ring[slot] >= 0 && colorMap_.Entries()[static_cast<size_t>(ring[slot])] ==
                                     TGIFColor{ColorRed(c), ColorGreen(c), ColorBlue(c)}) {
            index = ring[slot];
            last = slot;
          }
        }
        if (index < 0) {
          index = colorMap_.IndexOf(c);
          if (index < 0) index = colorMap_.Add(c);  // "Color table overflow" past 256
          last = (last + 1) & 7;
          ring[last] = index;
        }
        dst[x] = static_cast<uint8_t>(index);
      }
      if (image_ && y % 32 == 0 && y > 0)
        image_->Progress(TGIFProgressStage::Running, static_cast<int>(int64_t{y} * 100 / height_), "Converting...");
    }
  } else {
    colorMap_.ImportPalette(cached.Palette());
    for (int y = 0; y < height_; ++y) {
      uint8_t* dst = data_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
      for (int x = 0; x < width_; ++x) dst[x] = static_cast<uint8_t>(reader.Bitmap().Index(x, y));
    }
  }
  Changed();
  bitmap_ = std::move(cached);
  if (source.Transparent()) ApplyMask(source.MakeMask(source.TransparentColor()));
  ok = true;
}

void TGIFSubImage::ApplyMask(const TBitmap& mask) {
  colorMap_.Optimize();
  if (colorMap_.Count() == 0 || colorMap_.Count() >= TGIFColorMap::kMaxColors) return;
  const int index = colorMap_.Add(kClBlack);
  bool any = false;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (mask.Index(x, y)) {
        data_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = static_cast<uint8_t>(index);
        any = true;
      }
  if (!any) {
    colorMap_.Delete(index);
    return;
  }
  auto gce = std::make_unique<TGIFGraphicControlExtension>(this);
  TGIFGraphicControlExtension* g = gce.get();
  extensions_.Add(std::move(gce));
  g->StoreTransparentColorIndex(static_cast<uint8_t>(index));
  g->SetTransparent(true);
  Changed();
}

}  // namespace olv
