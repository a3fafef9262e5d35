#pragma once
// The form library's screen object: the display's size in pixels, its pixels per inch and its
// size in tenths of a millimetre, and the hint form to which hints and progress reports go.
// The window side makes one from the display and feeds it the application's hints, focus and
// active-window changes; the expression language reaches it as "Screen" (Install).
//
// Ownership: the hint form is not owned (a form that goes away calls FormDestroyed); the
// progress gauge is owned. Main thread only, except that ShowProgressAnyThread (ProgressDisplay.h)
// hands calls over from other threads.
#include <memory>
#include <string>

#include "foundation/objects/OlvClass.h"
#include "widgets/forms/HintForm.h"

namespace olv {

struct TScreenMetrics {
  int width = 0, height = 0;      // pixels
  int horzDpi = 0, vertDpi = 0;   // logical pixels per inch
};

// What the window side knows of a newly active window. form is null for a window that is not a
// library form; mdiOwner is the owning library form when the form is an MDI child.
struct TActiveFormChange {
  THintForm* form = nullptr;
  THintForm* mdiOwner = nullptr;
};

class TScreen : public TObject {
 public:
  explicit TScreen(const TScreenMetrics& metrics);
  ~TScreen() override;

  // Makes this the object that the expression variable "Screen" reaches; the destructor undoes it.
  void Install();

  int Width() const { return metrics_.width; }
  int Height() const { return metrics_.height; }
  int HorzDPI() const { return metrics_.horzDpi; }
  int VertDPI() const { return metrics_.vertDpi; }
  int HorzSize() const { return horzSize_; }  // tenths of a millimetre
  int VertSize() const { return vertSize_; }

  THintForm* HintForm() const { return hintForm_; }
  void SetHintForm(THintForm* form) { hintForm_ = form; }

  // Hint routing: the application's hint ("short|long"), the hint of the newly focused control
  // (hasControl false when focus left every control), the newly active window.
  void ApplicationHint(const std::string& hint);
  void ActiveControlChanged(bool hasControl, const std::string& hint);
  void ActiveFormChanged(const TActiveFormChange& change);

  // The progress display: Position -1 shows the text only, below -1 removes the gauge, 0 or more
  // shows the gauge at Position of Max (Max < 1 keeps the gauge's maximum). Nothing without a
  // hint form.
  void ShowProgress(const std::string& text, int position, int max);
  TProgressGauge* ProgressGauge() const { return gauge_.get(); }

  // A form that goes away stops being the hint form, and its gauge is forgotten.
  void FormDestroyed(const THintForm* form);

 private:
  TScreenMetrics metrics_;
  int horzSize_ = 0, vertSize_ = 0;
  THintForm* hintForm_ = nullptr;
  std::unique_ptr<TProgressGauge> gauge_;
  bool installed_ = false;
};

// The live screen object, or null while none is installed.
TScreen* LiveScreen();

}  // namespace olv
