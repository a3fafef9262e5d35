#pragma once
// The tray icon's notification area on Qt: one QSystemTrayIcon, owned by the host. The desktop
// reports clicks, not single button moves, so each activation is told to the component as the
// button messages it stands for (a click as press and release, a double click as the double-click
// message and its release); mouse moves over the icon are not reported by the desktop.
// Without a system tray the icon's picture and tip are still kept, and the calls report false.
// GUI thread only.
#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>
#include <utility>
#include <vector>

#include "widgets/OlvTraybar.h"
#include "widgets/TrayPlatform.h"

class QWidget;

namespace olv {

class QtTrayHost : public QObject, public TrayHost {
 public:
  QtTrayHost();
  ~QtTrayHost() override;

  void SetMessageHandler(MessageHandler handler) override { handler_ = std::move(handler); }
  bool Available() const override;
  bool Add(const TrayIconData& data) override;
  bool Remove() override;
  bool Modify(const TrayIconData& data) override;
  bool CursorPos(int& x, int& y) const override;
  TShiftState KeyboardShift() const override;

  QSystemTrayIcon* TrayIcon() const { return tray_; }
  // The desktop's activation, as the button messages it stands for.
  void Activated(QSystemTrayIcon::ActivationReason reason);

 private:
  void Apply(const TrayIconData& data);
  QIcon Decode(const TIcon& icon);

  QSystemTrayIcon* tray_;
  MessageHandler handler_;
  bool added_ = false;
  // Decoded pictures, so the cycle does not decode every step; the TIcon keeps its Id alive.
  std::vector<std::pair<TIcon, QIcon>> decoded_;
};

// The tray icon component for a window (owner may be null), with the Qt host, a QTimer for the
// cycle and the owner's adapter.
std::unique_ptr<TTrayBar> MakeQtTrayBar(QWidget* owner);

}  // namespace olv
