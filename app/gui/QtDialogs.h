#pragma once
// Message and input boxes on Qt. Any thread may ask: a box asked from another thread is shown
// on the GUI thread through the installed main thread (a blocking send); once shutdown has begun
// the box is not shown and the answer is the box's cancel answer. Once Refuse() has been called
// (a close asked by a signal) no box is shown either: its text goes to stderr, the answer is the
// cancel answer, and EndModalBoxes() ends every box already open.
#include "platform/Dialogs.h"

class QWidget;

namespace sch {

class QtDialogs : public plat::Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  int MessageBox(const std::string& caption, const std::string& text, unsigned flags) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& value) override;
  void Beep(unsigned type) override;

  void Refuse() { refused_ = true; }
  // Every modal box and dialog open now ends, answered as cancelled. Main thread.
  static void EndModalBoxes();

 private:
  int ShowMessage(const std::string& caption, const std::string& text, unsigned flags);
  QWidget* parent_;
  bool refused_ = false;  // main thread
};

}  // namespace sch
