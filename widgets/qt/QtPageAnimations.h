#pragma once
// Animated GIF pictures on a text browser's page. QTextBrowser shows a GIF file as its first frame
// only; for each picture played here our painter plays the frames, and every painted frame becomes
// the page's image resource under the picture's source text, so the page shows it at once.
//
// Play the pictures after the page is written (a new page drops the frames the view was given);
// Refresh hands the current frames to a rewritten page. Ownership: the view belongs to its Qt
// parent, the animations to this object; the clock (null: DefaultAnimationClock()) must outlive
// it. GUI thread only.
#include <QImage>
#include <QPointer>
#include <QTextBrowser>
#include <memory>
#include <string>
#include <vector>

#include "widgets/gfx/Bitmap.h"
#include "widgets/gif/AnimationClock.h"

namespace olv {

class TGIFImage;

// A raster-layer bitmap as a Qt image (true colour).
QImage ToQImage(const TBitmap& bitmap);

class QtPageAnimations {
 public:
  explicit QtPageAnimations(QTextBrowser* view, TAnimationClock* clock = nullptr);
  ~QtPageAnimations();
  QtPageAnimations(const QtPageAnimations&) = delete;
  QtPageAnimations& operator=(const QtPageAnimations&) = delete;

  // Plays the GIF file that the page shows under src (the text of its img element's src). An
  // unreadable file, or one already playing under src, changes nothing; returns whether it plays.
  bool Play(const std::string& src, const std::string& file);
  bool Playing(const std::string& src) const;
  // Hands the frames now shown to the view's document again.
  void Refresh();
  // Stops and forgets every picture.
  void Clear();
  // The frame now shown under src (null when it does not play); and how many frames were handed on.
  QImage Frame(const std::string& src) const;
  int FramesShown() const { return framesShown_; }

 private:
  struct Entry;
  void Show(Entry& entry);

  QPointer<QTextBrowser> view_;
  TAnimationClock* clock_;
  std::vector<std::unique_ptr<Entry>> entries_;
  int framesShown_ = 0;
};

}  // namespace olv
