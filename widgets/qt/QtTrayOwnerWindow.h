#pragma once
// The tray icon's owner window on Qt: a top-level QWidget, watched for being minimised. The
// minimise is reported from the event loop, after the window has finished changing state, so
// hiding it then is safe. The window belongs to its creator; once it is gone the adapter does
// nothing. GUI thread only.
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "widgets/TrayPlatform.h"

namespace olv {

class QtTrayOwnerWindow : public QObject, public TrayOwnerWindow {
 public:
  explicit QtTrayOwnerWindow(QWidget* window);
  ~QtTrayOwnerWindow() override;

  void SetMinimizeHandler(MinimizeHandler handler) override { handler_ = std::move(handler); }
  bool IsVisible() const override;
  void Hide() override;
  void Minimize() override;
  void Restore() override;
  void BringToFront() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
  MinimizeHandler handler_;
};

}  // namespace olv
