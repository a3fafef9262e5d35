#include "widgets/qt/OlvSpeedButton.h"

#include <QAction>

namespace olv {

TOlvSpeedButton::TOlvSpeedButton(QWidget* parent) : QToolButton(parent) {
  setAutoRaise(true);
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  connect(this, &QToolButton::clicked, this, [this] {
    if (action_) action_->trigger();
  });
}

void TOlvSpeedButton::SetShowCaption(bool show) {
  if (show == showCaption_) return;
  showCaption_ = show;
  if (action_) ActionChange();
}

void TOlvSpeedButton::SetAction(QAction* action) {
  if (changed_) disconnect(changed_);
  action_ = action;
  if (!action) return;
  changed_ = connect(action, &QAction::changed, this, [this] { ActionChange(); });
  ActionChange();
}

void TOlvSpeedButton::ActionChange() {
  if (!action_) return;
  setIcon(QIcon());
  setIcon(action_->icon());
  setText(showCaption_ ? action_->text() : QString());
  setToolTip(action_->toolTip());
  setStatusTip(action_->statusTip());
  setEnabled(action_->isEnabled());
  setCheckable(action_->isCheckable());
  setChecked(action_->isChecked());
  setVisible(action_->isVisible());
}

}  // namespace olv
