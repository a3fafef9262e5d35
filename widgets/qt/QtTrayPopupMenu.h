#pragma once
// The tray icon's popup menu on Qt: a QMenu whose default action (QMenu::defaultAction) is the item
// a double click on the icon clicks. The menu belongs to its creator; once it is gone the adapter
// opens nothing. GUI thread only.
#include <QMenu>
#include <QPointer>

#include "widgets/TrayPlatform.h"

namespace olv {

class QtTrayPopupMenu : public TrayPopupMenu {
 public:
  explicit QtTrayPopupMenu(QMenu* menu, bool autoPopup = true) : menu_(menu), autoPopup_(autoPopup) {}

  bool AutoPopup() const override { return autoPopup_ && menu_; }
  void SetAutoPopup(bool on) { autoPopup_ = on; }
  void Popup(int x, int y) override;
  bool ClickDefault() override;

  QMenu* Menu() const { return menu_; }

 private:
  QPointer<QMenu> menu_;
  bool autoPopup_;
};

}  // namespace olv
