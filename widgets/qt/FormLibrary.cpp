#include "widgets/qt/FormLibrary.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QStatusTipEvent>
#include <QWidget>

#include "widgets/forms/ControlPosition.h"
#include "widgets/forms/DesignSize.h"
#include "widgets/forms/ProgressDisplay.h"

namespace olv {

namespace {

TScreenMetrics PrimaryScreenMetrics() {
  TScreenMetrics m;
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    m.width = s->geometry().width();
    m.height = s->geometry().height();
    m.horzDpi = static_cast<int>(s->logicalDotsPerInchX() + 0.5);
    m.vertDpi = static_cast<int>(s->logicalDotsPerInchY() + 0.5);
  }
  return m;
}

}  // namespace

TFormLibrary::TFormLibrary(plat::MainThread* mainThread) {
  InstallProgressDisplay(mainThread);
  RegisterFormStreamClasses();
  screen_ = std::make_unique<TScreen>(PrimaryScreenMetrics());
  screen_->Install();
  InitDesignSize(screen_->Width(), screen_->Height());
  qApp->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    screen_->ActiveControlChanged(now != nullptr, now ? now->statusTip().toStdString() : std::string());
  });
}

TFormLibrary::~TFormLibrary() {
  qApp->removeEventFilter(this);
  UninstallProgressDisplay();
  screen_.reset();
  UnregisterFormStreamClasses();
}

bool TFormLibrary::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  auto* w = static_cast<QWidget*>(watched);
  if (!w->isWindow()) return false;
  if (event->type() == QEvent::StatusTip) {
    screen_->ApplicationHint(static_cast<QStatusTipEvent*>(event)->tip().toStdString());
  } else if (event->type() == QEvent::WindowActivate) {
    // Library forms and the program's windows that show hints themselves (THintForm) take part;
    // Qt has no MDI children of the system's kind: no form has an MDI owner.
    screen_->ActiveFormChanged({dynamic_cast<THintForm*>(w), nullptr});
  }
  return false;
}

QCursor TFormLibrary::DragCursor(int index) {
  switch (index) {
    case crDragCopy:
    case crMultiDragCopy:
      return QCursor(Qt::DragCopyCursor);
    case crDragMove:
    case crMultiDragMove:
      return QCursor(Qt::DragMoveCursor);
    case crDragDel:
      return QCursor(Qt::ForbiddenCursor);
    default:
      return QCursor(Qt::ArrowCursor);
  }
}

}  // namespace olv
