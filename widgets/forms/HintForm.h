#pragma once
// What the screen object needs of a form to show hints and progress on it: its hint bar and a
// progress gauge. The window side's library form implements THintForm; its gauge implements
// TProgressGauge. Main thread only.
#include <memory>
#include <string>

namespace olv {

class THintForm;

// The one progress gauge of the progress display. Destroying the object removes the gauge from
// its form (when the form still has it).
class TProgressGauge {
 public:
  virtual ~TProgressGauge() = default;
  virtual const THintForm* Form() const = 0;  // the form the gauge was made on
  virtual int Max() const = 0;
  virtual void SetMax(int max) = 0;
  virtual void SetPosition(int position) = 0;
  virtual void ShowNow() = 0;  // visible and repainted at once
};

class THintForm {
 public:
  virtual ~THintForm() = default;
  virtual bool HasHintBar() const = 0;
  // Without a hint bar nothing happens.
  virtual void SetHintText(const std::string& text) = 0;
  virtual void RepaintHintBar() = 0;
  virtual bool IsShowing() const = 0;
  // A new gauge along the bottom of the hint bar's parent (of the form without a hint bar).
  virtual std::unique_ptr<TProgressGauge> CreateProgressGauge() = 0;
};

}  // namespace olv
