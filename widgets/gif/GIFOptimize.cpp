// The optimiser: TGIFImage::Optimize and the frame operations it uses (Crop, Merge).
//
// Every step keeps what a viewer composes from the picture: the frames shown one after the other,
// each for its delay. Frames are only dropped or shrunk where nothing visible depends on them.
#include <algorithm>

#include "widgets/gif/ColorReduction.h"
#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFImage.h"
#include "widgets/gif/GIFPainter.h"

namespace olv {

namespace {

bool Restores(TGIFDisposal d) { return d == DisposalBackground || d == DisposalPrevious; }

bool Uses(const TGIFSubImage& frame, int index) {
  if (index < 0) return false;
  const auto data = frame.Data();
  return std::find(data.begin(), data.end(), static_cast<uint8_t>(index)) != data.end();
}

TColor ColorOf(const std::vector<TGIFColor>& table, int index) {
  if (index < 0 || index >= static_cast<int>(table.size())) return kClBlack;  // read as rendering does
  const TGIFColor& c = table[static_cast<size_t>(index)];
  return MakeColor(c.Red, c.Green, c.Blue);
}

}  // namespace

TGIFDisposal TGIFSubImage::Disposal() const { return gce_ ? gce_->Disposal() : DisposalKeep; }

bool TGIFSubImage::HasLoopExtension() const {
  for (const auto& ext : extensions_)
    if (dynamic_cast<const TGIFAppExtNSLoop*>(ext.get())) return true;
  return false;
}

bool TGIFSubImage::Crop() {
  if (Empty() || !transparent_ || !gce_) return false;
  // The disposal clears the whole area, borders included: they are not ours to cut.
  if (Disposal() == DisposalBackground) return false;
  const uint8_t t = gce_->TransparentColorIndex();
  ReadyPixels();
  auto at = [&](int x, int y) { return data_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)]; };
  auto columnClear = [&](int x) {
    for (int y = 0; y < height_; ++y)
      if (at(x, y) != t) return false;
    return true;
  };
  int l = 0, r = width_;
  while (l < r && columnClear(l)) ++l;
  while (r > l && columnClear(r - 1)) --r;
  auto rowClear = [&](int y) {
    for (int x = l; x < r; ++x)
      if (at(x, y) != t) return false;
    return true;
  };
  int top = 0, bottom = height_;
  if (l < r) {
    while (top < bottom && rowClear(top)) ++top;
    while (bottom > top && rowClear(bottom - 1)) --bottom;
  }
  const bool nothing = l >= r || top >= bottom;
  if (nothing) {
    // It shows nothing; one transparent pixel keeps its extensions and timing in place.
    l = 0, r = 1, top = 0, bottom = 1;
  }
  if (l == 0 && top == 0 && r == width_ && bottom == height_) return nothing;
  std::vector<uint8_t> cut(static_cast<size_t>(r - l) * static_cast<size_t>(bottom - top));
  for (int y = top; y < bottom; ++y)
    for (int x = l; x < r; ++x)
      cut[static_cast<size_t>(y - top) * static_cast<size_t>(r - l) + static_cast<size_t>(x - l)] = at(x, y);
  left_ += l;
  top_ += top;
  width_ = r - l;
  height_ = bottom - top;
  data_ = std::move(cut);
  Changed();
  return nothing;
}

void TGIFSubImage::Merge(TGIFSubImage& previous) {
  if (Empty() || previous.Empty()) return;
  if (previous.gce_ && Restores(previous.gce_->Disposal())) return;
  const TRect overlap = BoundsRect().Intersect(previous.BoundsRect());
  if (overlap.IsEmpty()) return;
  const TGIFColorMap& map = ActiveColorMap();
  const TGIFColorMap& prevMap = previous.ActiveColorMap();
  int t = TransparentIndex();
  const bool hadIndex = t >= 0;
  if (!hadIndex) {
    if (map.Count() >= TGIFColorMap::kMaxColors) return;
    if (colorMap_.Count() == 0 && (!image_ || image_->Header().ColorMap().Count() == 0)) return;
  }
  const int pt = previous.TransparentIndex();
  const std::vector<TGIFColor> colors = map.Entries();
  const std::vector<TGIFColor> prevColors = prevMap.Entries();
  const bool sameTable = &map == &prevMap;

  // A missing transparent index: one another frame uses, when this frame never shows it as a
  // colour, else a new entry of the frame's own table.
  auto pick = [&]() -> int {
    if (colorMap_.Count() == 0 && image_) {
      for (const auto& other : image_->Images()) {
        if (other.get() == this || other->ColorMap().Count() > 0) continue;
        const int candidate = other->TransparentIndex();
        if (candidate >= 0 && candidate < map.Count() && !Uses(*this, candidate)) return candidate;
      }
      return image_->Header().ColorMap().Add(kClBlack);
    }
    return colorMap_.Add(kClBlack);
  };

  ReadyPixels();
  previous.ReadyPixels();
  bool changed = false;
  for (int y = overlap.Top; y < overlap.Bottom; ++y) {
    uint8_t* row = data_.data() + static_cast<size_t>(y - top_) * static_cast<size_t>(width_);
    const uint8_t* prevRow =
        previous.data_.data() + static_cast<size_t>(y - previous.top_) * static_cast<size_t>(previous.width_);
    for (int x = overlap.Left; x < overlap.Right; ++x) {
      uint8_t& p = row[x - left_];
      const uint8_t q = prevRow[x - previous.left_];
      if (t >= 0 && p == t) continue;
      if (q == pt) continue;
      const bool same = (sameTable && p == q) || ColorOf(colors, p) == ColorOf(prevColors, q);
      if (!same) continue;
      if (t < 0) t = pick();
      p = static_cast<uint8_t>(t);
      changed = true;
    }
  }
  if (!changed) return;
  if (!hadIndex) {
    TGIFGraphicControlExtension* gce = gce_;
    if (!gce) {
      auto made = std::make_unique<TGIFGraphicControlExtension>(this);
      gce = made.get();
      extensions_.Add(std::move(made));
    }
    gce->StoreTransparentColorIndex(static_cast<uint8_t>(t));
    gce->SetTransparent(true);
  }
  Changed();
}

void TGIFImage::Optimize(uint8_t options, int reduction, int dither, int bits) {
  (void)dither;
  (void)bits;
  if (Empty()) return;
  if ((options & ooReduceColors) && !(options & ooCleanup) && reduction == ReducePalette)
    throw GIFException("Invalid reduction method");
  StopPainters();
  ReleaseBitmap();

  Progress(TGIFProgressStage::Starting, 0, "Optimizing...");
  TGIFProgressEnd end{*this, "Optimizing..."};
  const int64_t total = 6 * int64_t{images_.Count()};
  int64_t done = 0;
  auto step = [&] {
    ++done;
    Progress(TGIFProgressStage::Running, static_cast<int>(std::min<int64_t>(100, done * 100 / total)), "Optimizing...");
  };
  auto skip = [&] { done += images_.Count(); };
  auto frame = [&](int i) { return images_.Items(i); };

  // 1. Colour tables sorted by use, unused colours cut.
  if (options & ooColorMaps) {
    if (header_.ColorMap().Count() > 0) header_.ColorMap().Optimize();
    for (int i = 0; i < images_.Count(); ++i) {
      if (frame(i)->ColorMap().Count() > 0) frame(i)->ColorMap().Optimize();
      step();
    }
  } else {
    skip();
  }

  // 2. Transparency that no pixel uses; disposal that the next frame hides entirely.
  if (options & ooCleanup) {
    for (int i = 0; i < images_.Count(); ++i) {
      TGIFSubImage* f = frame(i);
      if (f->Transparent() && !Uses(*f, f->TransparentIndex())) {
        f->GraphicControlExtension()->SetTransparent(false);
        f->SetTransparentFlag(false);
      }
    }
    for (int i = 0; i < images_.Count(); ++i) {
      TGIFSubImage* f = frame(i);
      TGIFGraphicControlExtension* gce = f->GraphicControlExtension();
      if (i + 1 < images_.Count() && gce && Restores(gce->Disposal())) {
        const TGIFSubImage* next = frame(i + 1);
        // The next frame must paint over every pixel of this one and must not itself go back to
        // the picture before it, which would show the disposal.
        const TRect mine = f->BoundsRect();
        if (!next->Transparent() && !next->Empty() && next->BoundsRect().Intersect(mine) == mine &&
            next->Disposal() != DisposalPrevious)
          gce->SetDisposal(DisposalNone);
      }
      step();
    }
  } else {
    skip();
  }

  // 3. Pixels that repeat what is already shown become transparent.
  if (options & ooMerge) {
    for (int i = images_.Count() - 1; i >= 1; --i) {
      int ref = i - 1;
      while (ref > 0 && frame(ref)->GraphicControlExtension() &&
             frame(ref)->GraphicControlExtension()->Disposal() == DisposalPrevious)
        --ref;
      frame(i)->Merge(*frame(ref));
      step();
    }
    step();
  } else {
    skip();
  }

  // 4. Transparent borders cut; frames that show nothing dropped where nothing depends on them,
  // their delay moved to the frame before.
  if (options & ooCrop) {
    for (int i = images_.Count() - 1; i >= 0; --i) {
      TGIFSubImage* f = frame(i);
      if (!f->Empty() && f->Transparent()) {
        const bool nothing = f->Crop();
        TGIFGraphicControlExtension* gce = f->GraphicControlExtension();
        const TGIFDisposal d = f->Disposal();
        if (nothing && i > 0 && !Restores(d) && !f->HasLoopExtension() && !(gce && gce->UserInput()) &&
            !Restores(frame(i - 1)->Disposal())) {
          const int delay = gce ? gce->Delay() : 0;
          TGIFSubImage* before = frame(i - 1);
          if (delay > 0) {
            TGIFGraphicControlExtension* to = before->GraphicControlExtension();
            if (!to) {
              auto made = std::make_unique<TGIFGraphicControlExtension>(before);
              made->SetDisposal(DisposalNone);
              to = made.get();
              before->Extensions().Add(std::move(made));
            }
            to->SetDelay(static_cast<uint16_t>(std::min(65535, to->Delay() + delay)));
          }
          images_.Delete(i);
        }
      }
      step();
    }
  } else {
    skip();
  }

  // 5. Extensions that change nothing; frames left with nothing.
  if (options & ooCleanup) {
    for (int i = images_.Count() - 1; i >= 0; --i) {
      TGIFSubImage* f = frame(i);
      const int count = images_.Count();
      auto& exts = f->Extensions();
      for (int e = exts.Count() - 1; e >= 0; --e) {
        TGIFExtension* ext = exts.Items(e);
        if (dynamic_cast<TGIFCommentExtension*>(ext) || dynamic_cast<TGIFTextExtension*>(ext) ||
            dynamic_cast<TGIFUnknownAppExtension*>(ext)) {
          exts.Delete(e);
        } else if (dynamic_cast<TGIFAppExtNSLoop*>(ext)) {
          if (!(i == 0 && count > 1)) exts.Delete(e);
        } else if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(ext)) {
          const bool plainDisposal = gce->Disposal() == DisposalNone || gce->Disposal() == DisposalKeep;
          if (!gce->Transparent() && !gce->UserInput() && (gce->Delay() == 0 || count == 1) &&
              (plainDisposal || count == 1))
            exts.Delete(e);
        }
      }
      if (f->Empty() && exts.Count() == 0) images_.Delete(i);
      step();
    }
  } else {
    skip();
  }
  end.ok = true;
  Changed();
}

}  // namespace olv
