#include "widgets/HeadlessTray.h"

namespace olv {

bool HeadlessTrayHost::Add(const TrayIconData& data) {
  ++addCalls_;
  if (!available_) return false;
  shown_ = true;
  showing_ = data;
  return true;
}

bool HeadlessTrayHost::Remove() {
  if (!shown_) return false;
  shown_ = false;
  return true;
}

bool HeadlessTrayHost::Modify(const TrayIconData& data) {
  ++modifyCalls_;
  if (!shown_ || !available_) return false;
  showing_ = data;
  return true;
}

bool HeadlessTrayHost::CursorPos(int& x, int& y) const {
  if (!cursorReadable_) return false;
  x = cursorX_;
  y = cursorY_;
  return true;
}

void HeadlessTrayHost::SetCursor(int x, int y, bool readable) {
  cursorX_ = x;
  cursorY_ = y;
  cursorReadable_ = readable;
}

void HeadlessTrayHost::SimulateMessage(int message) {
  if (handler_) handler_(message);
}

void HeadlessOwnerWindow::Minimize() {
  visible_ = true;
  minimized_ = true;
}

void HeadlessOwnerWindow::Restore() {
  visible_ = true;
  minimized_ = false;
  ++frontCalls_;
}

void HeadlessOwnerWindow::SimulateMinimize() {
  minimized_ = true;
  if (handler_) handler_();
}

bool HeadlessPopupMenu::ClickDefault() {
  if (!hasDefault_) return false;
  ++defaultClicks_;
  return true;
}

}  // namespace olv
