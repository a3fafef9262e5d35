#pragma once
// The GIF painters' clock on Qt: a monotonic timer for "now", single-shot QTimers of the GUI
// thread for the painters' next frames, and the event loop for painters without a timer. Handed
// to the images whose painters it drives (TGIFImage::Clock), and outlives them. GUI thread only.
#include <QElapsedTimer>
#include <QObject>
#include <map>

#include "widgets/gif/AnimationClock.h"

class QTimer;

namespace olv {

class QtAnimationClock : public QObject, public TAnimationClock {
 public:
  QtAnimationClock();
  ~QtAnimationClock() override;

  int64_t NowMs() override { return elapsed_.elapsed(); }
  uint64_t Schedule(int64_t ms, Callback fn) override;
  void Cancel(uint64_t id) override;
  void Sleep(int64_t ms) override;
  void ProcessMessages() override;

 private:
  QElapsedTimer elapsed_;
  uint64_t nextId_ = 1;
  std::map<uint64_t, QTimer*> timers_;
};

}  // namespace olv
