#include "widgets/OlvTraybar.h"

#include <stdexcept>

namespace olv {
namespace {

// The first `limit` characters of a UTF-8 text; a multi-byte character is never split.
std::string FirstChars(const std::string& text, std::size_t limit) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool startsChar = (byte & 0xC0) != 0x80;
    if (startsChar && chars++ == limit) return text.substr(0, i);
  }
  return text;
}

}  // namespace

TTrayBar::TTrayBar(std::unique_ptr<TrayHost> host, std::unique_ptr<IntervalTimer> cycleTimer,
                   std::unique_ptr<TrayOwnerWindow> owner)
    : host_(std::move(host)),
      timer_(std::move(cycleTimer)),
      owner_(std::move(owner)),
      thread_(std::this_thread::get_id()) {
  if (!host_ || !timer_) throw std::invalid_argument("TTrayBar needs a tray host and a cycle timer");
  timer_->SetEnabled(false);
  timer_->SetInterval(cycleInterval_);
  timer_->SetHandler([this] { CycleStep(); });
  host_->SetMessageHandler([this](int message) { HandleMouseMessage(message); });
  if (owner_) owner_->SetMinimizeHandler([this] { OwnerMinimized(); });
}

TTrayBar::~TTrayBar() {
  timer_->SetEnabled(false);
  timer_->SetHandler(nullptr);
  host_->SetMessageHandler(nullptr);
  if (owner_) owner_->SetMinimizeHandler(nullptr);
  // Not the overridable HideIcon: a derived part is already gone here.
  iconVisible_ = false;
  if (iconShown_) host_->Remove();
  iconShown_ = false;
}

void TTrayBar::RequireOwnThread(const char* operation) const {
  if (std::this_thread::get_id() != thread_)
    throw std::logic_error(std::string("TTrayBar::") + operation +
                           " called from a thread other than the one that created the tray icon");
}

void TTrayBar::SetIconList(std::shared_ptr<const TImageList> list) {
  RequireOwnThread("SetIconList");
  iconList_ = std::move(list);
  SetIconIndex(0);
}

void TTrayBar::SetCycleIcons(bool on) {
  RequireOwnThread("SetCycleIcons");
  cycleIcons_ = on;
  if (on) SetIconIndex(0);
  timer_->SetEnabled(on);
}

void TTrayBar::SetCycleInterval(unsigned milliseconds) {
  RequireOwnThread("SetCycleInterval");
  cycleInterval_ = milliseconds;
  timer_->SetInterval(milliseconds);
}

void TTrayBar::SetEnabled(bool enabled) {
  RequireOwnThread("SetEnabled");
  enabled_ = enabled;
}

void TTrayBar::SetHint(const std::string& hint) {
  RequireOwnThread("SetHint");
  hint_ = hint;
  ModifyIcon();
}

void TTrayBar::SetShowHint(bool show) {
  RequireOwnThread("SetShowHint");
  showHint_ = show;
  ModifyIcon();
}

void TTrayBar::SetIcon(const TIcon& icon) {
  RequireOwnThread("SetIcon");
  icon_ = icon;
  ModifyIcon();
}

void TTrayBar::SetIconVisible(bool visible) {
  RequireOwnThread("SetIconVisible");
  if (visible)
    ShowIcon();
  else
    HideIcon();
}

void TTrayBar::SetIconIndex(int index) {
  RequireOwnThread("SetIconIndex");
  const int count = iconList_ ? iconList_->Count() : 0;
  if (count == 0) {
    // No picture to take: an empty list is treated like no list, the icon stays as it is.
    iconIndex_ = 0;
  } else {
    iconIndex_ = index < 0 ? 0 : (index >= count ? count - 1 : index);
    icon_ = iconList_->GetIcon(iconIndex_);
  }
  ModifyIcon();
}

void TTrayBar::SetPopupMenu(TrayPopupMenu* menu) {
  RequireOwnThread("SetPopupMenu");
  popupMenu_ = menu;
}

void TTrayBar::SetLeftPopup(bool on) {
  RequireOwnThread("SetLeftPopup");
  leftPopup_ = on;
}

void TTrayBar::SetStartMinimized(bool on) {
  RequireOwnThread("SetStartMinimized");
  startMinimized_ = on;
}

void TTrayBar::SetMinimizeToTray(bool on) {
  RequireOwnThread("SetMinimizeToTray");
  minimizeToTray_ = on;
}

bool TTrayBar::Loaded() {
  RequireOwnThread("Loaded");
  ModifyIcon();
  SetIconVisible(iconVisible_);
  if (!startMinimized_ || !owner_) return true;
  if (iconShown_) {
    owner_->Hide();
  } else {
    owner_->Minimize();
  }
  return false;
}

TrayIconData TTrayBar::IconData() const {
  TrayIconData data;
  data.icon = icon_;
  if (showHint_ && !hint_.empty()) data.tip = FirstChars(hint_, kMaxTipChars);
  return data;
}

bool TTrayBar::ShowIcon() {
  RequireOwnThread("ShowIcon");
  iconVisible_ = true;
  iconShown_ = host_->Add(IconData());
  return iconShown_;
}

bool TTrayBar::HideIcon() {
  RequireOwnThread("HideIcon");
  iconVisible_ = false;
  const bool removed = host_->Remove();
  if (removed) iconShown_ = false;
  return removed;
}

bool TTrayBar::ModifyIcon() {
  RequireOwnThread("ModifyIcon");
  return host_->Modify(IconData());
}

bool TTrayBar::HideOwner() {
  RequireOwnThread("HideOwner");
  if (!owner_) return false;
  // The icon is the only way back to a hidden window: without one the window is minimised.
  if (!ShowIcon()) {
    owner_->Minimize();
    return false;
  }
  owner_->Hide();
  return true;
}

void TTrayBar::ShowOwner() {
  RequireOwnThread("ShowOwner");
  if (owner_) owner_->Restore();
}

void TTrayBar::HandleMouseMessage(int message) {
  RequireOwnThread("HandleMouseMessage");
  if (!enabled_) return;
  int x = 0, y = 0;
  host_->CursorPos(x, y);
  const TShiftState keys = host_->KeyboardShift();
  // An event handler may end the component (a click that closes the program): nothing of it may
  // be touched after that.
  const std::weak_ptr<const int> alive = life_;
  switch (message) {
    case tmMouseMove:
      MouseMove(keys, x, y);
      break;
    case tmLButtonDown:
      MouseDown(TMouseButton::mbLeft, keys | ssLeft, x, y);
      if (alive.expired()) return;
      leftDown_ = true;
      if (leftPopup_) OpenPopup();
      break;
    case tmLButtonUp:
      // A press that began elsewhere and ends over the icon is no click.
      if (leftDown_) {
        leftDown_ = false;
        Click();
        if (alive.expired()) return;
      }
      MouseUp(TMouseButton::mbLeft, keys | ssLeft, x, y);
      break;
    case tmLButtonDblClk:
      DblClick();
      if (alive.expired()) return;
      if (popupMenu_ && popupMenu_->AutoPopup() && !leftPopup_) popupMenu_->ClickDefault();
      break;
    case tmRButtonDown:
      MouseDown(TMouseButton::mbRight, keys | ssRight, x, y);
      if (alive.expired()) return;
      OpenPopup();
      break;
    case tmRButtonUp:
      MouseUp(TMouseButton::mbRight, keys | ssRight, x, y);
      break;
    case tmMButtonDown:
      MouseDown(TMouseButton::mbMiddle, keys | ssMiddle, x, y);
      break;
    case tmMButtonUp:
      MouseUp(TMouseButton::mbMiddle, keys | ssMiddle, x, y);
      break;
    default:
      break;  // the right double click included
  }
}

void TTrayBar::OpenPopup() {
  if (!popupMenu_ || !popupMenu_->AutoPopup()) return;
  int x = 0, y = 0;
  if (!host_->CursorPos(x, y)) return;
  if (owner_) owner_->BringToFront();
  popupMenu_->Popup(x, y);
}

int TTrayBar::NextCycleIndex() const {
  // At or past the last picture (the list may have shrunk) the cycle starts over.
  return iconIndex_ >= iconList_->Count() - 1 ? 0 : iconIndex_ + 1;
}

void TTrayBar::CycleStep() {
  RequireOwnThread("CycleStep");
  if (!iconList_ || iconList_->Count() == 0) return;
  icon_ = iconList_->GetIcon(iconIndex_);
  const std::weak_ptr<const int> alive = life_;
  CycleIcon();
  if (alive.expired()) return;
  ModifyIcon();
  // The field, not SetIconIndex: the next step shows the next picture, this one stays up until then.
  // OnCycle may have taken the list away.
  if (iconList_ && iconList_->Count() > 0) iconIndex_ = NextCycleIndex();
}

void TTrayBar::OwnerMinimized() {
  RequireOwnThread("OwnerMinimized");
  if (minimizeToTray_) DoMinimizeToTray();
}

void TTrayBar::Click() {
  if (OnClick) OnClick(*this);
}

void TTrayBar::DblClick() {
  if (OnDblClick) OnDblClick(*this);
}

void TTrayBar::CycleIcon() {
  if (OnCycle) OnCycle(*this, NextCycleIndex());
}

void TTrayBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TTrayBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void TTrayBar::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TTrayBar::DoMinimizeToTray() { HideOwner(); }

}  // namespace olv
