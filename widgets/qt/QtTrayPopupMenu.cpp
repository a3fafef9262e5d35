#include "widgets/qt/QtTrayPopupMenu.h"

#include <QAction>

namespace olv {

void QtTrayPopupMenu::Popup(int x, int y) {
  if (menu_) menu_->popup(QPoint(x, y));
}

bool QtTrayPopupMenu::ClickDefault() {
  if (!menu_) return false;
  QAction* item = menu_->defaultAction();
  if (!item || !item->isEnabled()) return false;
  item->trigger();
  return true;
}

}  // namespace olv
