#pragma once
// TGIFPainter: plays a GIF picture's frames onto a bitmap: the frame delays, the loops of the
// looping extension, the disposal methods through its work, previous-frame and background
// buffers, and the playback speed.
//
// The painter is a state machine on the main thread. With DrawInThread it is timed: Start paints up
// to the first wait, then the picture's clock calls it back when the next frame is due, so all
// painting happens on the main thread between the loop's other events and no lock is needed.
// Without DrawInThread it plays to its end inside Start, sleeping through the clock in slices of at
// most 100 ms and letting pending events run between them.
//
// Delays: DelayUnitMs (12) per unit; a frame without a delay plays DefaultFrameDelay (10) units; a
// delay is raised to MinimumFrameDelay (3) and, without a timer, lowered to MaximumFrameDelay
// (1000). AnimationSpeed in percent divides the waits; 0 or less freezes a timed painter on its
// frame until it is stopped.
//
// Ownership: the picture creates painters and keeps them in its painter list until they end; a
// painter refers to its picture (detached when the picture goes) and paints into a destination
// bitmap that its creator keeps alive while the painter runs (the picture's cached bitmap, or the
// caller's with DrawDirect). An error inside a timed painter ends that painter only (Error() keeps
// it); a painter without a timer passes it on to the caller of Start.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Canvas.h"
#include "widgets/gif/AnimationClock.h"
#include "widgets/gif/GIFExtensions.h"

namespace olv {

class TGIFImage;

class TGIFPainter : public std::enable_shared_from_this<TGIFPainter> {
 public:
  using Event = std::function<void(TGIFPainter& sender)>;

  static inline int DelayUnitMs = 12;
  static inline int DefaultFrameDelay = 10;
  static inline int MinimumFrameDelay = 3;
  static inline int MaximumFrameDelay = 1000;

  // Use TGIFImage::CreatePainter; public for make_shared.
  TGIFPainter(TGIFImage& image, TBitmap& destination, const TRect& rect, uint16_t options, TAnimationClock& clock);
  ~TGIFPainter();
  TGIFPainter(const TGIFPainter&) = delete;
  TGIFPainter& operator=(const TGIFPainter&) = delete;

  TGIFImage* Image() const { return image_; }
  TBitmap& Destination() const { return *dest_; }
  const TRect& Rect() const { return rect_; }
  uint16_t DrawOptions() const { return options_; }
  bool Threaded() const;
  int AnimationSpeed() const { return speed_; }
  // The frame being shown; -1 before the start and after the end. OnAfterPaint may set the next.
  int ActiveImage = -1;
  bool Started() const { return started_; }
  bool Terminated() const { return terminated_; }
  // The play has ended (stopped, or its passes are done).
  bool Finished() const { return finished_; }
  std::exception_ptr Error() const { return error_; }

  Event OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;

  // Runs the painter: a timed one up to its first wait, one without a timer to its end.
  void Start();
  // Ends the painter at once; no event runs after this.
  void Stop();
  // Plays again from the first frame, waking a waiting painter.
  void Restart();

  // The picture is going: the painter stops and forgets it.
  void Detach();

 private:
  enum class Phase { Begin, Play, Pass, Frame, Paint, PassEnd, End, Done };
  struct Wait {
    bool done = false;
    bool frozen = false;  // no timed wake-up: only Stop or Restart
    int64_t ms = 0;
  };

  Wait Advance();
  void RunUntimed();
  void Resume();
  void Schedule(const Wait& w);
  void Finish();
  bool Fire(const Event& e);
  void PaintFrame(int index, TGIFDisposal disposal);
  void RestoreArea(int index);
  TRect FrameArea(int index) const;

  TGIFImage* image_;
  TBitmap* dest_;
  TRect rect_;
  uint16_t options_;
  int speed_;
  TAnimationClock& clock_;

  Phase phase_ = Phase::Begin;
  bool restart_ = false;
  bool started_ = false;
  bool terminated_ = false;
  bool finished_ = false;
  bool running_ = false;  // inside Advance: a re-entrant Resume does nothing
  int loopCount_ = 1;
  int loopPoint_ = 0;
  bool loopSeen_ = false;
  int delay_ = 0;
  TGIFDisposal previousDisposal_ = DisposalKeep;
  int64_t startTime_ = 0;
  int64_t previousWait_ = 0;
  uint64_t scheduled_ = 0;

  TColor clearColor_ = kClWhite;
  std::optional<TBitmap> work_, previous_, background_;
  std::exception_ptr error_;
};

}  // namespace olv
