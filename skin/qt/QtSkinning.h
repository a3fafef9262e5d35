#pragma once
// The skin on Qt windows: the window side of the skin manager. Made once, on the main thread,
// after the QApplication, it makes the one skin manager over itself, installs the skin style as
// the application's style and an application event filter, and loads the program's skin into its
// main skin component (sfMainform, Active). From then on every top-level window is found as it is
// polished (before it first shows) and activated, handed to the manager, and, when the rules
// allow, framed in the skin (TWinSkinForm); its controls, menu bar and popup menus are drawn by
// the style from the skin. Destroying it takes the skin off every window and puts the original
// style back.
//
// Settings: a native frame keeps the window manager's frame and skins only the inside (for window
// managers that refuse frameless windows).
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <span>

#include "skin/SkinManage.h"

class QStyle;
class QWidget;

namespace skin {

class TSkinStyle;
class TWinSkinForm;

// How a widget is drawn: with which component's skin, as which kind of control (None: the base
// style draws it).
struct TWidgetSkin {
  TSkinData* data = nullptr;
  TSkinObjectKind kind = TSkinObjectKind::None;
  bool menuBar = false;  // a menu bar of a skinned window with xcMainMenu
  bool menu = false;     // a popup menu drawn in the skin
  explicit operator bool() const { return data != nullptr; }
};

class TQtSkinning : public QObject, public TSkinWindowHost {
 public:
  struct Options {
    bool nativeFrame = false;
  };
  // Loads package (a compressed skin package) into the main component; skinning starts with the
  // first window shown. A package that does not load leaves every window as it is.
  explicit TQtSkinning(std::span<const uint8_t> package, Options options);
  explicit TQtSkinning(std::span<const uint8_t> package) : TQtSkinning(package, Options{}) {}
  // The same with the package loaded already by LoadPackage.
  TQtSkinning(std::unique_ptr<TSkinData> loaded, Options options);
  // The main component with package loaded into it, not yet active. Needs no window side and
  // touches nothing shared, so it may run on another thread while the program starts.
  static std::unique_ptr<TSkinData> LoadPackage(std::span<const uint8_t> package);
  ~TQtSkinning() override;

  // The one instance, or nullptr.
  static TQtSkinning* Instance();

  TSkinData& Data() { return *data_; }
  TSkinManage& Manager() { return *manager_; }
  const Options& Settings() const { return options_; }

  // Our forms call this before they first show, so they come up skinned.
  void PrepareForm(QWidget* window);
  // The skinned-window object of a window, or nullptr.
  TWinSkinForm* FormOf(const QWidget* window) const;
  // How the style draws a widget (cached until the skinned windows change).
  TWidgetSkin SkinOf(const QWidget* widget);
  // Decisions are made again (after windows were attached or detached, or the skin changed).
  void ForgetDecisions();

  // TSkinWindowHost
  std::vector<TWindowId> ApplicationForms() override;
  TWindowFacts Facts(TWindowId window) override;
  std::unique_ptr<TSkinnedWindow> AttachWindow(TWindowId window, TSkinData& component) override;
  void StartActionTimer(int ms) override;
  void StopActionTimer() override;

  // The class name the skin rules see for a window.
  static std::string WindowClassName(const QWidget* window);

  // A caption button of an action without a meaning of its own was clicked.
  std::function<void(QWidget* window, int action)> OnCaptionAction;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TWidgetSkin Decide(const QWidget* widget);

  Options options_;
  std::unique_ptr<TSkinData> data_;
  TSkinManage* manager_ = nullptr;
  QTimer timer_;
  QPointer<QStyle> previousStyle_;
  QString previousStyleName_;
  TSkinStyle* style_ = nullptr;
  QHash<const QWidget*, TWidgetSkin> decisions_;
};

}  // namespace skin
