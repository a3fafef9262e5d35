#include "widgets/qt/QtTrayHost.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QPointer>

#include "widgets/qt/QtIntervalTimer.h"
#include "widgets/qt/QtTrayOwnerWindow.h"

namespace olv {
namespace {

constexpr std::size_t kDecodedKept = 32;

}  // namespace

QtTrayHost::QtTrayHost() : tray_(new QSystemTrayIcon(this)) {
  connect(tray_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
}

QtTrayHost::~QtTrayHost() { tray_->hide(); }

bool QtTrayHost::Available() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

QIcon QtTrayHost::Decode(const TIcon& icon) {
  if (icon.Empty()) {
    // An icon in the area needs a picture; an empty one shows as a transparent square.
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
  }
  for (const auto& entry : decoded_)
    if (entry.first.Id() == icon.Id()) return entry.second;
  QPixmap pixmap;
  const auto& bytes = icon.Data();
  pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()));
  QIcon result(pixmap);
  if (decoded_.size() >= kDecodedKept) decoded_.erase(decoded_.begin());
  decoded_.emplace_back(icon, result);
  return result;
}

void QtTrayHost::Apply(const TrayIconData& data) {
  tray_->setIcon(Decode(data.icon));
  tray_->setToolTip(QString::fromStdString(data.tip));
}

bool QtTrayHost::Add(const TrayIconData& data) {
  Apply(data);
  // Shown even without a tray: Qt puts the icon in when a tray appears later.
  tray_->show();
  added_ = true;
  return Available();
}

bool QtTrayHost::Remove() {
  const bool was = added_ && Available();
  tray_->hide();
  added_ = false;
  return was;
}

bool QtTrayHost::Modify(const TrayIconData& data) {
  Apply(data);
  return added_ && Available();
}

bool QtTrayHost::CursorPos(int& x, int& y) const {
  const QPoint p = QCursor::pos();
  x = p.x();
  y = p.y();
  return true;
}

TShiftState QtTrayHost::KeyboardShift() const {
  const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
  TShiftState shift = 0;
  if (keys & Qt::ShiftModifier) shift |= ssShift;
  if (keys & Qt::ControlModifier) shift |= ssCtrl;
  if (keys & Qt::AltModifier) shift |= ssAlt;
  return shift;
}

void QtTrayHost::Activated(QSystemTrayIcon::ActivationReason reason) {
  int messages[2] = {0, 0};
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      messages[0] = tmLButtonDown, messages[1] = tmLButtonUp;
      break;
    case QSystemTrayIcon::DoubleClick:
      messages[0] = tmLButtonDblClk, messages[1] = tmLButtonUp;
      break;
    case QSystemTrayIcon::Context:
      messages[0] = tmRButtonDown, messages[1] = tmRButtonUp;
      break;
    case QSystemTrayIcon::MiddleClick:
      messages[0] = tmMButtonDown, messages[1] = tmMButtonUp;
      break;
    default:
      return;
  }
  // A handler may end the component, and this host with it: then the second message is not sent.
  const QPointer<QtTrayHost> alive(this);
  for (int message : messages) {
    if (!alive || !handler_) return;
    const MessageHandler handler = handler_;
    handler(message);
  }
}

std::unique_ptr<TTrayBar> MakeQtTrayBar(QWidget* owner) {
  std::unique_ptr<TrayOwnerWindow> window;
  if (owner) window = std::make_unique<QtTrayOwnerWindow>(owner);
  return std::make_unique<TTrayBar>(std::make_unique<QtTrayHost>(), std::make_unique<QtIntervalTimer>(),
                                    std::move(window));
}

}  // namespace olv
