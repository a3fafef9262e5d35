#pragma once
// A flat speed button whose caption can be hidden and whose glyph follows its action: every
// change of the action (its picture, its caption) is copied again, the glyph emptied first, and
// with ShowCaption off the caption stays empty. Clicking the button triggers the action.
//
// Ownership: the action is not owned (the button lets go of it when it goes away). GUI thread only.
#include <QPointer>
#include <QToolButton>

class QAction;

namespace olv {

class TOlvSpeedButton : public QToolButton {
 public:
  explicit TOlvSpeedButton(QWidget* parent = nullptr);

  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool show);
  bool Flat() const { return autoRaise(); }
  void SetFlat(bool flat) { setAutoRaise(flat); }

  QAction* Action() const { return action_; }
  void SetAction(QAction* action);

 protected:
  // Copies the action's picture, caption, hint and state into the button.
  virtual void ActionChange();

 private:
  QPointer<QAction> action_;
  QMetaObject::Connection changed_;
  bool showCaption_ = true;
};

}  // namespace olv
