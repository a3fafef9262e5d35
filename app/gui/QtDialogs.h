#pragma once
// Message and input boxes on Qt. Any thread may ask: a box asked from another thread is shown
// on the GUI thread through the installed main thread (a blocking send); once shutdown has begun
// the box is not shown and the answer is the box's cancel answer.
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

 private:
  int ShowMessage(const std::string& caption, const std::string& text, unsigned flags);
  QWidget* parent_;
};

}  // namespace sch
