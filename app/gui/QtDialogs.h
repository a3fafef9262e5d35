#pragma once
// Message and input boxes on Qt. Any thread may ask: a box asked from another thread is shown
// on the GUI thread through the main thread handed in (a blocking send; without one every box is
// shown on the asking thread, as a test on the GUI thread does); once shutdown has begun
// the box is not shown and the answer is the box's cancel answer. Once Refuse() has been called
// (a close asked by a signal) no box is shown either: its text goes to stderr, the answer is the
// cancel answer, and EndModalBoxes() ends every box already open.
#include "platform/Dialogs.h"

class QWidget;

namespace plat {
class MainThread;
}

namespace sch {

class QtDialogs : public plat::Dialogs {
 public:
  explicit QtDialogs(plat::MainThread* mainThread = nullptr, QWidget* parent = nullptr)
      : mainThread_(mainThread), parent_(parent) {}
  int MessageBox(const std::string& caption, const std::string& text, unsigned flags) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& value) override;
  void Beep(unsigned type) override;

  void Refuse() { refused_ = true; }
  // Every modal box and dialog open now ends, answered as cancelled. Main thread.
  static void EndModalBoxes();

 private:
  int ShowMessage(const std::string& caption, const std::string& text, unsigned flags);
  // Runs f on the GUI thread; false when that is impossible (shutdown).
  template <typename F>
  bool OnGuiThread(F&& f);
  plat::MainThread* mainThread_;
  QWidget* parent_;
  bool refused_ = false;  // main thread
};

}  // namespace sch
