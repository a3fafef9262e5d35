#pragma once
// TSkinManage: the one skin manager of the program. It keeps the registered skin components,
// decides which windows are skinned and with which component, keeps the skinned windows, and
// carries out the components' requests (skin on, skin off, skin changed) and the purge of
// closed windows a quarter of a second after they are made, from a timer of the window side.
//
// The window side (skin/qt) tells it of windows as they are activated and prepared, describes
// them (TWindowFacts), attaches its skinned-window objects and runs the timer (TSkinWindowHost).
// The manager owns the skinned-window objects; the host and the components outlive their use
// (a component unregisters itself when destroyed).
//
// Queued requests: the last of attach all, detach all and skin changed wins; a purge of closed
// windows is kept beside it, never in its place, and the timer stops once nothing is pending.
//
// Main thread only, like all of the skin engine.
#include <memory>
#include <string>
#include <vector>

#include "skin/SkinData.h"

namespace skin {

using TWindowId = const void*;

// What the manager reads of a window.
struct TWindowFacts {
  std::string className;          // the window class rules compare
  int tag = 0;                    // the form's Tag
  bool child = false;             // a child window
  bool parentIsMdiClient = false;
  bool hasArea = true;
  bool answersSkinned = false;    // the window says it is skinned already
  TWindowId form = nullptr;       // the application's form object of the window, if it is one
};

// A window with a skin attached (window side).
class TSkinnedWindow {
 public:
  TSkinnedWindow(TWindowId window, TSkinData& component) : window_(window), component_(&component) {}
  virtual ~TSkinnedWindow() = default;
  // Takes the skin away and gives the window back its own look.
  virtual void Unskin() = 0;
  // The window is going: lets go of it without restoring anything.
  virtual void Release() = 0;
  // Takes up a changed skin: new caption buttons and frame widths.
  virtual void TakeUpSkin() = 0;
  // Takes up the skin's colours (after TakeUpSkin).
  virtual void ApplySkinColors() = 0;
  // Its window has been destroyed; the next purge frees it.
  virtual bool Destroyed() const = 0;

  TWindowId Window() const { return window_; }
  TSkinData& Component() const { return *component_; }

 private:
  TWindowId window_;
  TSkinData* component_;
};

class TSkinWindowHost {
 public:
  virtual ~TSkinWindowHost() = default;
  // The application's forms, first created first.
  virtual std::vector<TWindowId> ApplicationForms() = 0;
  virtual TWindowFacts Facts(TWindowId window) = 0;
  // Attaches a skinned-window object to the window with the component.
  virtual std::unique_ptr<TSkinnedWindow> AttachWindow(TWindowId window, TSkinData& component) = 0;
  // The action timer: fire DoAction once after ms milliseconds (restarting it), or not at all.
  virtual void StartActionTimer(int ms) = 0;
  virtual void StopActionTimer() = 0;
};

enum TSkinAction : int { saNone = 0, saAttachAll = 1, saDetachAll = 2, saSkinChanged = 3, saPurge = 6 };

class TSkinManage {
 public:
  static constexpr int kActionDelay = 250;

  explicit TSkinManage(TSkinWindowHost& host) : host_(host) {}
  // Lets go of every skinned window (Release) and frees them; the components stay.
  ~TSkinManage();
  TSkinManage(const TSkinManage&) = delete;
  TSkinManage& operator=(const TSkinManage&) = delete;

  void AddSkinData(TSkinData* component);
  // Also forgets requests of the component and takes its skin off the windows that use it.
  void RemoveSkinData(TSkinData* component);
  const std::vector<TSkinData*>& Components() const { return components_; }

  // A window was activated: the first one starts the manager; then AddForm.
  void WindowActivated(TWindowId window);
  // Attaches a skinned-window object when the rules allow it.
  bool AddForm(TWindowId window);
  // Drops the entry of a window without telling it (its object is going away by itself).
  void RemoveForm(TWindowId window);
  TSkinnedWindow* FindForm(TWindowId window) const;
  size_t FormCount() const { return forms_.size(); }

  // The component for a window, or nullptr: an sfOnlyThisForm component of the window's form;
  // else for message and system dialogs an sfDialog component; else the last sfMainform one, else
  // the first registered.
  TSkinData* ChooseComponent(const TWindowFacts& facts) const;
  // The component whose skin draws a popup menu window, or nullptr when popups are not skinned.
  TSkinData* PopupComponent(const TWindowFacts& facts) const;

  // Queues an action for the component; the timer fires it after interval ms once the manager
  // is started. Before that, attach all only enables skinning and detach all disables it.
  void SetAction(int action, int interval, TSkinData* component);
  // The timer's handler: carries out what is queued, then tells each component concerned
  // (OnSkinChanged), and stops the timer.
  void DoAction();
  bool Pending() const { return action_ != saNone || !purgeFor_.empty(); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  int Started() const { return started_; }
  void CountStart() { ++started_; }

 private:
  void AttachAll(TSkinData& component);
  void DetachAll(TSkinData& component);
  void SkinChanged(TSkinData& component);
  void Purge();
  void Free(size_t index, bool unskin);

  TSkinWindowHost& host_;
  std::vector<TSkinData*> components_;
  std::vector<std::unique_ptr<TSkinnedWindow>> forms_;
  bool enabled_ = false, attachingAll_ = false;
  int started_ = 0;
  int action_ = saNone;
  TSkinData* actionFor_ = nullptr;
  std::vector<TSkinData*> purgeFor_;
};

// The program's one manager, or nullptr before the window side (or the first loaded component)
// made it.
TSkinManage* SkinManager();
// Makes the one manager over host (the previous one, if any, is freed first).
TSkinManage& CreateSkinManager(TSkinWindowHost& host);
void FreeSkinManager();

}  // namespace skin
