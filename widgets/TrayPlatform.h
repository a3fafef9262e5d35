#pragma once
// What the tray icon component needs of the desktop, as three small interfaces: the notification
// area itself (TrayHost), the window that the icon hides and restores (TrayOwnerWindow), and the
// popup menu it opens (TrayPopupMenu). The Qt versions are in widgets/qt; the headless ones in
// widgets/HeadlessTray.h. All are used on the GUI thread only, and they call their handlers there.
#include <functional>
#include <string>

#include "widgets/Icon.h"

namespace olv {

// Keyboard and button state of a mouse event; the values combine as a bit set.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1u << 0;
constexpr TShiftState ssAlt = 1u << 1;
constexpr TShiftState ssCtrl = 1u << 2;
constexpr TShiftState ssLeft = 1u << 3;
constexpr TShiftState ssRight = 1u << 4;
constexpr TShiftState ssMiddle = 1u << 5;

// The mouse messages that the notification area reports for the icon, by their desktop numbers.
enum TrayMouseMessage : int {
  tmMouseMove = 512,
  tmLButtonDown = 513,
  tmLButtonUp = 514,
  tmLButtonDblClk = 515,
  tmRButtonDown = 516,
  tmRButtonUp = 517,
  tmRButtonDblClk = 518,
  tmMButtonDown = 519,
  tmMButtonUp = 520,
};

// What the notification area shows for the icon: the picture and the tool tip (already cut).
struct TrayIconData {
  TIcon icon;
  std::string tip;
};

class TrayHost {
 public:
  using MessageHandler = std::function<void(int message)>;  // a TrayMouseMessage
  virtual ~TrayHost() = default;

  // Where the icon's mouse messages go; an empty handler detaches.
  virtual void SetMessageHandler(MessageHandler handler) = 0;
  // Whether the desktop has a notification area at all right now.
  virtual bool Available() const = 0;
  // Each returns true when the notification area took the call. Add of an icon already there
  // succeeds; Remove and Modify of an icon that is not there fail.
  virtual bool Add(const TrayIconData& data) = 0;
  virtual bool Remove() = 0;
  virtual bool Modify(const TrayIconData& data) = 0;
  // The mouse cursor's screen position; false when it cannot be read.
  virtual bool CursorPos(int& x, int& y) const = 0;
  // Shift, Ctrl and Alt as they are held now.
  virtual TShiftState KeyboardShift() const = 0;
};

class TrayOwnerWindow {
 public:
  using MinimizeHandler = std::function<void()>;
  virtual ~TrayOwnerWindow() = default;

  // Called after the user (or the program) minimised the window; an empty handler detaches.
  virtual void SetMinimizeHandler(MinimizeHandler handler) = 0;
  virtual bool IsVisible() const = 0;
  virtual void Hide() = 0;
  virtual void Minimize() = 0;
  // Shown, not minimised, in front and with the keyboard focus.
  virtual void Restore() = 0;
  virtual void BringToFront() = 0;
};

class TrayPopupMenu {
 public:
  virtual ~TrayPopupMenu() = default;
  // False: the component never opens this menu itself.
  virtual bool AutoPopup() const = 0;
  // Opens the menu at a screen position; returns at once.
  virtual void Popup(int x, int y) = 0;
  // Clicks the menu's default top-level item; false when it has none.
  virtual bool ClickDefault() = 0;
};

}  // namespace olv
