#include "widgets/qt/QtTrayOwnerWindow.h"

#include <QEvent>
#include <QWindowStateChangeEvent>

namespace olv {

QtTrayOwnerWindow::QtTrayOwnerWindow(QWidget* window) : window_(window) {
  if (window_) window_->installEventFilter(this);
}

QtTrayOwnerWindow::~QtTrayOwnerWindow() {
  if (window_) window_->removeEventFilter(this);
}

bool QtTrayOwnerWindow::IsVisible() const { return window_ && window_->isVisible(); }

void QtTrayOwnerWindow::Hide() {
  if (window_) window_->hide();
}

void QtTrayOwnerWindow::Minimize() {
  if (window_) window_->showMinimized();
}

void QtTrayOwnerWindow::Restore() {
  if (!window_) return;
  window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  BringToFront();
}

void QtTrayOwnerWindow::BringToFront() {
  if (!window_) return;
  window_->raise();
  window_->activateWindow();
}

bool QtTrayOwnerWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::WindowStateChange) {
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (window_->isMinimized() && !(change->oldState() & Qt::WindowMinimized)) {
      QMetaObject::invokeMethod(
          this,
          [this] {
            // Still minimised by the time the loop gets here: the user may have restored it.
            if (handler_ && window_ && window_->isMinimized()) {
              const MinimizeHandler handler = handler_;
              handler();
            }
          },
          Qt::QueuedConnection);
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace olv
