#include "widgets/qt/QtPageAnimations.h"

#include <QTextDocument>
#include <QUrl>
#include <cstring>

#include "widgets/gif/GIFImage.h"
#include "widgets/gif/GIFPainter.h"

namespace olv {

QImage ToQImage(const TBitmap& bitmap) {
  QImage out(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    if (bitmap.PixelFormat() == TPixelFormat::pf32bit) {
      const uint8_t* src = bitmap.ScanLine(y).data();
      for (int x = 0; x < bitmap.Width(); ++x) row[x] = qRgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]);
    } else {
      for (int x = 0; x < bitmap.Width(); ++x) {
        const TColor c = bitmap.Pixel(x, y);
        row[x] = qRgb(ColorRed(c), ColorGreen(c), ColorBlue(c));
      }
    }
  }
  return out;
}

struct QtPageAnimations::Entry {
  std::string src;
  std::unique_ptr<TGIFImage> image;
  TBitmap target;
  QImage frame;
};

QtPageAnimations::QtPageAnimations(QTextBrowser* view, TAnimationClock* clock) : view_(view), clock_(clock) {}

QtPageAnimations::~QtPageAnimations() { Clear(); }

bool QtPageAnimations::Playing(const std::string& src) const {
  for (const auto& e : entries_)
    if (e->src == src) return true;
  return false;
}

bool QtPageAnimations::Play(const std::string& src, const std::string& file) {
  if (Playing(src)) return true;
  auto entry = std::make_unique<Entry>();
  entry->src = src;
  entry->image = std::make_unique<TGIFImage>();
  try {
    entry->image->LoadFromFile(file);
  } catch (const std::exception&) {
    return false;
  }
  TGIFImage& image = *entry->image;
  if (image.Empty() || image.Width() == 0 || image.Height() == 0) return false;
  image.Clock = clock_;
  // Opaque frames on the page's white: the cached bitmap starts white.
  image.DrawOptions = static_cast<uint16_t>((image.DrawOptions | goDrawAnimated | goDrawLooped | goDrawInThread) &
                                            ~(goDitherColors | goDrawDirect));
  Entry* raw = entry.get();
  image.OnChange = [this, raw](TGIFImage& changed) {
    if (const TBitmap* b = changed.GetBitmap()) {
      raw->frame = ToQImage(*b);
      Show(*raw);
    }
  };
  entries_.push_back(std::move(entry));
  raw->target = TBitmap(image.Width(), image.Height());
  raw->target.Fill(kClWhite);
  TCanvas canvas(raw->target);
  image.Draw(canvas, raw->target.Bounds());
  if (raw->frame.isNull()) {
    // A still picture: drawn once, no painter.
    raw->frame = ToQImage(raw->target);
    Show(*raw);
  }
  return true;
}

void QtPageAnimations::Show(Entry& entry) {
  if (!view_ || entry.frame.isNull()) return;
  view_->document()->addResource(QTextDocument::ImageResource, QUrl(QString::fromStdString(entry.src)), entry.frame);
  view_->viewport()->update();
  ++framesShown_;
}

void QtPageAnimations::Refresh() {
  for (auto& e : entries_) Show(*e);
}

void QtPageAnimations::Clear() {
  for (auto& e : entries_) e->image->OnChange = nullptr;
  entries_.clear();
}

QImage QtPageAnimations::Frame(const std::string& src) const {
  for (const auto& e : entries_)
    if (e->src == src) return e->frame;
  return QImage();
}

}  // namespace olv
