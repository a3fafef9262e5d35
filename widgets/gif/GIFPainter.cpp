#include "widgets/gif/GIFPainter.h"

#include <algorithm>

#include "widgets/gif/GIFImage.h"

namespace olv {

namespace {

int64_t MulDivRounded(int64_t a, int64_t b, int64_t c) {
  const int64_t p = a * b;
  return (p >= 0 ? p + c / 2 : p - c / 2) / c;
}

int ScaleCoord(int v, int size, int imageSize) {
  if (imageSize == 0) return v;
  return static_cast<int>(MulDivRounded(v, size, imageSize));
}

// Sets a painter's flag for the length of a call.
struct Flag {
  bool& flag;
  explicit Flag(bool& f) : flag(f) { flag = true; }
  ~Flag() { flag = false; }
};

}  // namespace

TGIFPainter::TGIFPainter(TGIFImage& image, TBitmap& destination, const TRect& rect, uint16_t options,
                         TAnimationClock& clock)
    : image_(&image), dest_(&destination), rect_(rect), options_(options), speed_(image.AnimationSpeed),
      clock_(clock) {
  OnStartPaint = image.OnStartPaint;
  OnPaint = image.OnPaint;
  OnAfterPaint = image.OnAfterPaint;
  OnLoop = image.OnLoop;
  OnEndPaint = image.OnEndPaint;

  if (image.BackgroundColor != kClNone) clearColor_ = image.BackgroundColor;
  else if (image.Header().ColorMap().Count() > 0) clearColor_ = image.Header().BackgroundColor();
  else clearColor_ = kClWhite;  // the system's window colour

  bool background = options_ & goClearAtFirstFrame;
  bool previous = false;
  for (const auto& frame : image.Images()) {
    const TGIFDisposal d = frame->Disposal();
    if (!frame->GraphicControlExtension()) continue;
    background = background || d == DisposalBackground;
    previous = previous || d == DisposalPrevious;
  }
  const int w = std::max(0, rect_.Width()), h = std::max(0, rect_.Height());
  const TRect destRect = rect_;
  if (background && (options_ & goDrawTransparent)) {
    background_.emplace(w, h);
    TCanvas(*background_).CopyRect(background_->Bounds(), *dest_, destRect);
  }
  if (background || previous) {
    work_.emplace(w, h);
    TCanvas(*work_).CopyRect(work_->Bounds(), *dest_, destRect);
    previous_.emplace(w, h);
    previous_->Fill(clearColor_);
  }
}

TGIFPainter::~TGIFPainter() {
  if (scheduled_) clock_.Cancel(scheduled_);
}

bool TGIFPainter::Threaded() const { return options_ & goDrawInThread; }

void TGIFPainter::Start() {
  if (phase_ != Phase::Begin) return;
  auto self = shared_from_this();
  if (!Threaded()) {
    RunUntimed();
    return;
  }
  Resume();
}

void TGIFPainter::Resume() {
  scheduled_ = 0;
  if (running_ || finished_) return;
  auto self = shared_from_this();  // an event may end the picture, and the painter with it
  Wait w;
  try {
    Flag f(running_);
    w = Advance();
  } catch (...) {
    error_ = std::current_exception();
    terminated_ = true;
    Finish();
    return;
  }
  if (w.done) return;
  Schedule(w);
}

void TGIFPainter::Schedule(const Wait& w) {
  if (w.frozen) return;  // frozen until Stop or Restart
  std::weak_ptr<TGIFPainter> weak = weak_from_this();
  scheduled_ = clock_.Schedule(w.ms, [weak] {
    if (auto p = weak.lock()) p->Resume();
  });
}

void TGIFPainter::RunUntimed() {
  auto self = shared_from_this();
  try {
    while (true) {
      Wait w;
      {
        Flag f(running_);
        w = Advance();
      }
      if (w.done) return;
      int64_t remaining = std::max<int64_t>(1, w.ms);
      while (remaining > 0 && !terminated_ && !restart_) {
        const int64_t slice = std::min<int64_t>(remaining, 100);
        const int64_t t0 = clock_.NowMs();
        clock_.Sleep(slice);
        remaining -= std::max<int64_t>(1, clock_.NowMs() - t0);
        clock_.ProcessMessages();
      }
    }
  } catch (...) {
    error_ = std::current_exception();
    terminated_ = true;
    Finish();
    throw;
  }
}

void TGIFPainter::Stop() {
  if (finished_) return;
  terminated_ = true;
  if (scheduled_) {
    clock_.Cancel(scheduled_);
    scheduled_ = 0;
  }
  // A painter inside its own step (an event handler stopped it) ends when the step returns.
  if (!running_) Finish();
}

void TGIFPainter::Restart() {
  if (finished_) return;
  restart_ = true;
  if (!Threaded() || running_ || phase_ == Phase::Begin) return;
  // Wake a waiting or frozen painter, as the wake-up event did.
  if (scheduled_) clock_.Cancel(scheduled_);
  previousWait_ = 0;
  startTime_ = clock_.NowMs();
  Schedule(Wait{});
}

void TGIFPainter::Detach() {
  Stop();
  image_ = nullptr;
}

void TGIFPainter::Finish() {
  if (finished_) return;
  finished_ = true;
  phase_ = Phase::Done;
  ActiveImage = -1;
  if (scheduled_) {
    clock_.Cancel(scheduled_);
    scheduled_ = 0;
  }
  work_.reset();
  previous_.reset();
  background_.reset();
  if (TGIFImage* image = image_) {
    image_ = nullptr;
    image->PainterEnded(this);
  }
}

bool TGIFPainter::Fire(const Event& e) {
  if (terminated_) return false;
  if (e) e(*this);
  return !terminated_;
}

// One run of the play of the Part's loops, up to the next wait. Each case falls to the next phase.
TGIFPainter::Wait TGIFPainter::Advance() {
  while (true) {
    if (!image_ && phase_ != Phase::Done) terminated_ = true;
    switch (phase_) {
      case Phase::Begin:
        restart_ = true;
        phase_ = Phase::Play;
        break;

      case Phase::Play:
        if (!restart_ || terminated_) {
          phase_ = Phase::End;
          break;
        }
        ActiveImage = 0;
        if (!Fire(OnStartPaint)) {
          phase_ = Phase::End;
          break;
        }
        started_ = false;
        restart_ = false;
        loopCount_ = 1;
        loopPoint_ = 0;
        loopSeen_ = false;
        delay_ = Threaded() ? 0 : 1;
        previousDisposal_ = DisposalKeep;
        startTime_ = clock_.NowMs();
        previousWait_ = 0;
        phase_ = Phase::Pass;
        break;

      case Phase::Pass:
        if (!((loopCount_ != 0 || (options_ & goLoopForever)) && !terminated_ && !restart_)) {
          phase_ = Phase::Play;
          break;
        }
        ActiveImage = loopPoint_;
        if (started_ && !Fire(OnLoop)) {
          phase_ = Phase::End;
          break;
        }
        phase_ = Phase::Frame;
        break;

      case Phase::Frame: {
        if (ActiveImage < 0 || ActiveImage >= image_->Images().Count() || terminated_ || restart_) {
          phase_ = Phase::PassEnd;
          break;
        }
        TGIFSubImage* frame = image_->Images().Items(ActiveImage);
        if (frame->Empty()) {
          phase_ = Phase::PassEnd;
          break;
        }
        phase_ = Phase::Paint;
        if (delay_ > 0) {
          frame->Bitmap();
          int64_t wait;
          const int64_t now = clock_.NowMs();
          if (speed_ > 0) {
            const int64_t late = (now - startTime_ - previousWait_) / 2;
            wait = MulDivRounded(int64_t{delay_} * DelayUnitMs - late, 100, speed_);
            previousWait_ = wait;
          } else {
            wait = -1;
          }
          startTime_ = clock_.NowMs();
          if (Threaded()) {
            if (speed_ <= 0) return Wait{false, true, 0};
            if (wait > 0) return Wait{false, false, wait};
            return Wait{false, false, 0};  // late: paint at once, once the loop is free
          }
          if (wait < 0 && speed_ <= 0) wait = int64_t{MaximumFrameDelay} * DelayUnitMs;
          return Wait{false, false, std::max<int64_t>(1, wait)};
        }
        break;
      }

      case Phase::Paint: {
        if (terminated_ || !Fire(OnPaint)) {
          phase_ = Phase::End;
          break;
        }
        TGIFSubImage* frame = image_->Images().Items(ActiveImage);
        TGIFDisposal disposal = DisposalKeep;
        for (const auto& ext : frame->Extensions()) {
          if (auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(ext.get())) {
            if (loopSeen_) continue;
            loopSeen_ = true;
            loopCount_ = loop->Loops;
            if ((loopCount_ == 0 || (options_ & goLoopForever)) && Threaded()) loopCount_ = -1;
            loopPoint_ = ActiveImage;
          } else if (auto* gce = dynamic_cast<const TGIFGraphicControlExtension*>(ext.get())) {
            disposal = gce->Disposal();
          }
        }
        PaintFrame(ActiveImage, disposal);
        previousDisposal_ = disposal;
        if (terminated_) {
          phase_ = Phase::End;
          break;
        }
        delay_ = DefaultFrameDelay;
        if (const TGIFGraphicControlExtension* gce = frame->GraphicControlExtension(); gce && gce->Delay() > 0) {
          delay_ = std::max<int>(gce->Delay(), MinimumFrameDelay);
          if (!Threaded()) delay_ = std::min(delay_, MaximumFrameDelay);
        }
        const int shown = ActiveImage;
        if (!Fire(OnAfterPaint)) {
          phase_ = Phase::End;
          break;
        }
        if (ActiveImage == shown) ++ActiveImage;
        phase_ = (options_ & goDrawAnimated) ? Phase::Frame : Phase::PassEnd;
        break;
      }

      case Phase::PassEnd:
        if (loopCount_ > 0) --loopCount_;
        // Without looping the play ends; Play starts another only when restarting.
        phase_ = ((options_ & goDrawAnimated) && (options_ & goDrawLooped)) ? Phase::Pass : Phase::Play;
        break;

      case Phase::End:
        ActiveImage = -1;
        Fire(OnEndPaint);
        Finish();
        return Wait{true, false, 0};

      case Phase::Done:
        return Wait{true, false, 0};
    }
  }
}

TRect TGIFPainter::FrameArea(int index) const {
  const TGIFSubImage* frame = image_->Images().Items(index);
  const int iw = image_->Width() > 0 ? image_->Width() : frame->Width();
  const int ih = image_->Height() > 0 ? image_->Height() : frame->Height();
  const int w = rect_.Width(), h = rect_.Height();
  return {ScaleCoord(frame->Left(), w, iw), ScaleCoord(frame->Top(), h, ih),
          ScaleCoord(frame->Left() + frame->Width(), w, iw), ScaleCoord(frame->Top() + frame->Height(), h, ih)};
}

void TGIFPainter::RestoreArea(int index) {
  const bool transparent = options_ & goDrawTransparent;
  const TGIFSubImage* frame = image_->Images().Items(index);
  auto restore = [&](const TRect& area) {
    TCanvas canvas(*work_);
    if (transparent && background_) canvas.CopyRect(area, *background_, area);
    else canvas.FillRect(area, clearColor_);
  };
  const bool smaller = frame->Width() < image_->Width() && frame->Height() < image_->Height();
  if ((options_ & goDrawTiled) && (transparent || smaller) && image_->Width() > 0 && image_->Height() > 0) {
    for (int64_t y = frame->Top(); y < rect_.Height(); y += image_->Height())
      for (int64_t x = frame->Left(); x < rect_.Width(); x += image_->Width())
        restore(MakeRect(static_cast<int>(x), static_cast<int>(y), frame->Width(), frame->Height()));
    return;
  }
  restore(FrameArea(index));
}

void TGIFPainter::PaintFrame(int index, TGIFDisposal disposal) {
  TGIFSubImage* frame = image_->Images().Items(index);
  const bool transparent = options_ & goDrawTransparent;
  const bool tiled = options_ & goDrawTiled;
  if (!work_) {
    TCanvas canvas(*dest_);
    frame->Draw(canvas, rect_, transparent, tiled);
    started_ = true;
    image_->CachedBitmapPainted(*dest_);
    return;
  }
  TBitmap* surface = nullptr;
  switch (disposal) {
    case DisposalNone:
    case DisposalKeep:
    case DisposalBackground: surface = &*work_; break;
    case DisposalPrevious:
      surface = (previousDisposal_ == DisposalNone || previousDisposal_ == DisposalKeep) ? dest_ : &*previous_;
      break;
  }
  if (surface) {
    if ((options_ & goClearAtFirstFrame) && index == 0) RestoreArea(index);
    if (surface == &*previous_) *previous_ = *work_;
    TCanvas canvas(*surface);
    if (surface == dest_) {
      frame->Draw(canvas, rect_, transparent, tiled);
    } else {
      frame->Draw(canvas, surface->Bounds(), transparent, tiled);
      TCanvas(*dest_).CopyRect(rect_, *surface, surface->Bounds());
    }
    if (disposal == DisposalBackground) RestoreArea(index);
  }
  started_ = true;
  image_->CachedBitmapPainted(*dest_);
}

}  // namespace olv
