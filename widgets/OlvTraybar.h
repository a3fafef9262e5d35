#pragma once
// TTrayBar: one icon in the desktop's notification area. It shows a hint and an icon, cycles the
// icon through an image list on a timer, turns the icon's mouse messages into events, opens a popup
// menu, and hides its owner window to the icon when the owner is minimised.
//
// Ownership: the component owns its host, its cycle timer and its owner-window adapter; it shares
// the image list; the popup menu is the caller's and must be detached (SetPopupMenu(nullptr))
// before it goes.
// Threads: everything runs on the thread that created the component (the GUI thread), and so do the
// events and the cycle step. A call from another thread is a programming error: it throws
// std::logic_error and changes nothing (a worker wanting to change the hint posts to the GUI thread).
// Without a notification area (a desktop with no tray, or a headless session) the properties are
// still kept, the Show/Hide/Modify calls report false, and the owner window is never hidden, since
// nothing could bring it back.
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "widgets/Icon.h"
#include "widgets/IntervalTimer.h"
#include "widgets/TrayPlatform.h"

namespace olv {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

class TTrayBar {
 public:
  using NotifyEvent = std::function<void(TTrayBar& sender)>;
  using MouseEvent =
      std::function<void(TTrayBar& sender, TMouseButton button, TShiftState shift, int x, int y)>;
  using MouseMoveEvent = std::function<void(TTrayBar& sender, TShiftState shift, int x, int y)>;
  using CycleEvent = std::function<void(TTrayBar& sender, int nextIndex)>;

  // The tip the notification area gets is at most this many characters of the hint.
  static constexpr std::size_t kMaxTipChars = 63;

  // owner may be null: then nothing is hidden or restored. The icon is not added until
  // IconVisible is set or Loaded() runs.
  TTrayBar(std::unique_ptr<TrayHost> host, std::unique_ptr<IntervalTimer> cycleTimer,
           std::unique_ptr<TrayOwnerWindow> owner);
  virtual ~TTrayBar();
  TTrayBar(const TTrayBar&) = delete;
  TTrayBar& operator=(const TTrayBar&) = delete;

  // Properties, in the order the window sets them up.
  const std::shared_ptr<const TImageList>& IconList() const { return iconList_; }
  void SetIconList(std::shared_ptr<const TImageList> list);  // then IconIndex := 0
  bool CycleIcons() const { return cycleIcons_; }
  void SetCycleIcons(bool on);  // on: IconIndex := 0; the timer runs exactly while on
  unsigned CycleInterval() const { return cycleInterval_; }
  void SetCycleInterval(unsigned milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);  // false: no mouse event, no menu
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show);
  const TIcon& Icon() const { return icon_; }
  void SetIcon(const TIcon& icon);
  bool IconVisible() const { return iconVisible_; }
  void SetIconVisible(bool visible);  // true: ShowIcon, false: HideIcon
  int IconIndex() const { return iconIndex_; }
  void SetIconIndex(int index);  // kept within the image list; 0 without one
  TrayPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TrayPopupMenu* menu);
  bool LeftPopup() const { return leftPopup_; }
  void SetLeftPopup(bool on);  // the left button opens the menu too
  bool StartMinimized() const { return startMinimized_; }
  void SetStartMinimized(bool on);  // read once by Loaded()
  bool MinimizeToTray() const { return minimizeToTray_; }
  void SetMinimizeToTray(bool on);

  NotifyEvent OnClick;
  NotifyEvent OnDblClick;
  MouseEvent OnMouseDown;
  MouseEvent OnMouseUp;
  MouseMoveEvent OnMouseMove;
  CycleEvent OnCycle;

  // The window's set-up is done: refreshes the icon and adds it when IconVisible is set. With
  // StartMinimized the owner starts hidden to the icon, or shown minimised when there is no icon
  // to bring it back. Returns false when it took care of the owner that way, true when the
  // caller shows the owner as usual.
  bool Loaded();

  // Each sets IconVisible (Show/Hide) and reports whether the notification area took the call.
  virtual bool ShowIcon();
  virtual bool HideIcon();
  virtual bool ModifyIcon();

  // Whether the icon is in the notification area now.
  bool IconShown() const { return iconShown_; }
  // What the notification area is given: the icon and the hint cut to its tip.
  TrayIconData IconData() const;

  // Hides the owner to the icon, adding the icon when needed; when there is no icon to bring the
  // window back, minimises it instead. Returns whether the owner was hidden.
  bool HideOwner();
  // Shows the owner again: not minimised, in front, focused.
  void ShowOwner();

  // Entry points of the host, the timer and the owner; public so a headless loop can drive them.
  void HandleMouseMessage(int message);
  void CycleStep();
  void OwnerMinimized();

 protected:
  // Overridable steps; each default calls the event of the same name when it is assigned.
  virtual void Click();
  virtual void DblClick();
  virtual void CycleIcon();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void DoMinimizeToTray();

 private:
  void RequireOwnThread(const char* operation) const;
  void OpenPopup();
  int NextCycleIndex() const;

  std::unique_ptr<TrayHost> host_;
  std::unique_ptr<IntervalTimer> timer_;
  std::unique_ptr<TrayOwnerWindow> owner_;
  std::thread::id thread_;

  std::shared_ptr<const TImageList> iconList_;
  bool cycleIcons_ = false;
  unsigned cycleInterval_ = 0;
  bool enabled_ = true;
  std::string hint_;
  bool showHint_ = false;
  TIcon icon_;
  bool iconVisible_ = true;
  int iconIndex_ = 0;
  TrayPopupMenu* popupMenu_ = nullptr;
  bool leftPopup_ = false;
  bool startMinimized_ = false;
  bool minimizeToTray_ = false;

  bool iconShown_ = false;
  bool leftDown_ = false;
  // Expires with the component; lets a step see that an event handler ended it.
  std::shared_ptr<const int> life_ = std::make_shared<const int>(0);
};

}  // namespace olv
