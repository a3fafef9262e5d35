#pragma once
// The tray's desktop without a desktop: a notification area, an owner window and a popup menu that
// only keep state, for headless runs of the window logic and for tests. Each records what it was
// asked, and the Simulate... calls play the user's part (a click on the icon, minimising the window).
// GUI-thread objects like their Qt counterparts.
#include <string>
#include <vector>

#include "widgets/TrayPlatform.h"

namespace olv {

class HeadlessTrayHost : public TrayHost {
 public:
  explicit HeadlessTrayHost(bool available = true) : available_(available) {}

  void SetMessageHandler(MessageHandler handler) override { handler_ = std::move(handler); }
  bool Available() const override { return available_; }
  bool Add(const TrayIconData& data) override;
  bool Remove() override;
  bool Modify(const TrayIconData& data) override;
  bool CursorPos(int& x, int& y) const override;
  TShiftState KeyboardShift() const override { return keys_; }

  // The user's side.
  void SetAvailable(bool available) { available_ = available; }
  void SetCursor(int x, int y, bool readable = true);
  void SetKeys(TShiftState keys) { keys_ = keys; }
  void SimulateMessage(int message);

  // What the notification area shows (meaningful while Shown()).
  bool Shown() const { return shown_; }
  const TrayIconData& Showing() const { return showing_; }
  int AddCalls() const { return addCalls_; }
  int ModifyCalls() const { return modifyCalls_; }

 private:
  MessageHandler handler_;
  bool available_;
  bool shown_ = false;
  TrayIconData showing_;
  int addCalls_ = 0;
  int modifyCalls_ = 0;
  int cursorX_ = 0, cursorY_ = 0;
  bool cursorReadable_ = true;
  TShiftState keys_ = 0;
};

class HeadlessOwnerWindow : public TrayOwnerWindow {
 public:
  void SetMinimizeHandler(MinimizeHandler handler) override { handler_ = std::move(handler); }
  bool IsVisible() const override { return visible_; }
  void Hide() override { visible_ = false; }
  void Minimize() override;
  void Restore() override;
  void BringToFront() override { ++frontCalls_; }

  // The user minimises the window (its minimise button).
  void SimulateMinimize();
  void SetVisible(bool visible) { visible_ = visible; }
  bool IsMinimized() const { return minimized_; }
  int FrontCalls() const { return frontCalls_; }

 private:
  MinimizeHandler handler_;
  bool visible_ = true;
  bool minimized_ = false;
  int frontCalls_ = 0;
};

class HeadlessPopupMenu : public TrayPopupMenu {
 public:
  explicit HeadlessPopupMenu(bool autoPopup = true, bool hasDefault = true)
      : autoPopup_(autoPopup), hasDefault_(hasDefault) {}

  bool AutoPopup() const override { return autoPopup_; }
  void Popup(int x, int y) override { popups_.push_back({x, y}); }
  bool ClickDefault() override;

  struct Position {
    int x, y;
  };
  const std::vector<Position>& Popups() const { return popups_; }
  int DefaultClicks() const { return defaultClicks_; }

 private:
  bool autoPopup_;
  bool hasDefault_;
  std::vector<Position> popups_;
  int defaultClicks_ = 0;
};

}  // namespace olv
