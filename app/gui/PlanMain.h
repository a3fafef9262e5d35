#pragma once
// The main window TSchMainForm, "Oracle backup scheme manager": tool bar, menus, the scheme tree,
// the pages "Information", "Options" and "Logs", a status bar and the tray icon. The commands,
// their texts and enabling rules come from the window-free model (app/core/MainFormModel.h);
// this class only draws them and forwards the user's choices. GUI thread only.
//
// The schemes, their file, timers, runs and shutdown belong to a SchemeHost the window owns; the
// window turns its run notices into tree, page and tray refreshes. Closing saves and then shuts
// the host down: the main thread stops blocking senders first, so a run's notice can never wait
// on a window that is going, then running children are ended (exit code 101), the timer and
// run threads joined, and the records saved.
#include <QMainWindow>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/core/MainConfig.h"
#include "app/core/MainFormModel.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QTextBrowser;
class QButtonGroup;
class QSpinBox;
class QWidget;

namespace plat {
class MainThread;
class ProcessRegistry;
}  // namespace plat

namespace olv {
class TAnimationClock;
class TTrayBar;
}  // namespace olv

namespace sch {

class TSchemeObject;
class TSchemeTimeItem;
class TSchemeWrapper;
class SchemeHost;
class InformationPane;

class TSchMainForm : public QMainWindow {
 public:
  struct Options {
    std::string schemeFile;    // empty: the program's own scheme file
    std::string settingsFile;  // empty: the program's own settings file
    bool withTray = true;
    // Stand-ins for the modal pickers, so tests can answer them: the file dialogs (empty text:
    // cancelled) and the run-time editor. Unset: the real dialogs.
    std::function<std::string(bool save)> pickSchemeFile;
    std::function<bool(TSchemeTimeItem& item, int mode)> editTime;
    // Where run notices are handled (null: plat::CurrentMainThread()) and where children are
    // listed (null: the program's).
    plat::MainThread* mainThread = nullptr;
    plat::ProcessRegistry* processes = nullptr;
    // The information page's picture folder (empty: the program's) and the clock of its animated
    // picture (null: the Qt event loop's).
    std::string pictureFolder;
    olv::TAnimationClock* animationClock = nullptr;
  };
  explicit TSchMainForm(Options options, QWidget* parent = nullptr);
  ~TSchMainForm() override;

  QAction* ActionOf(Action action) const { return actions_[static_cast<int>(action)]; }
  QTreeWidget* SchTree() const { return tree_; }
  QTreeWidgetItem* RootNode() const { return root_; }
  QTreeWidgetItem* CategoryNode(int category) const { return categories_[category]; }
  QTabWidget* Pages() const { return pcAll_; }
  QTableWidget* LogList() const { return lvLogs_; }
  QTextBrowser* InformationView() const { return webView_; }
  InformationPane& Information() const { return *info_; }
  const std::string& FileName() const;
  // The schemes whose run has started and not yet ended, in order of start.
  const std::vector<TSchemeObject*>& Running() const;
  olv::TTrayBar* TrayBar() const { return tray_.get(); }
  TSchemeWrapper* Wrapper() const;
  SchemeHost& Host() const { return *host_; }
  TSchemeObject* SelectedScheme() const;
  QTreeWidgetItem* NodeOf(const TSchemeObject* scheme) const;
  QListWidget* RunTimeList() const { return lstTimes_; }
  QLineEdit* NameEdit() const { return edtName_; }
  QPlainTextEdit* CommandLineMemo() const { return edtCmdScrips_; }
  QTableWidget* ParamGrid() const { return edtExtParams_; }

  // A run's start (phase 0) or end (phase 1), on the main thread while the run waits (the
  // handler of message 7946, after the host has listed the run and, at the end, saved).
  void SchemeRunNotice(int phase, TSchemeObject* scheme);
  // Saves the container, compressed, to FileName (Save as when there is none). A failed save
  // raises with the reason.
  void Save();

  // Recomputes pages and the commands' enabled states (TSchMainForm.UpdateUI).
  void UpdateUI();
  // The state the enabling rules see, from the current selection.
  SelectionState CurrentSelection() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  QWidget* CreateOptionsPage();
  QWidget* CreateLogsPage();
  void Execute(Action action);
  void NotAvailable();
  void UpdateTrayHint();
  void WriteInformationPage();
  void Shutdown();
  void SetWrapper(std::unique_ptr<TSchemeWrapper> wrapper, const std::string& fileName);
  QTreeWidgetItem* AddSchemeNode(TSchemeObject* scheme);
  void RefreshNode(QTreeWidgetItem* node);
  void FillSchemePage();
  void FillLogPage();
  void FillRunTimes();
  std::string PickSchemeFile(bool save);
  bool EditTime(TSchemeTimeItem& item, int mode);
  void LoadCommand();

  Options options_;
  MainConfig config_;
  std::unique_ptr<SchemeHost> host_;
  // The check mark of "Show DOS window", read by runs on their own threads.
  std::shared_ptr<std::atomic<bool>> showDos_ = std::make_shared<std::atomic<bool>>(false);
  bool filling_ = false;  // the pages are being filled from the model: no edits back
  bool shutDown_ = false;

  std::array<QAction*, kActionCount> actions_{};
  QTreeWidget* tree_ = nullptr;
  QTreeWidgetItem* root_ = nullptr;
  std::array<QTreeWidgetItem*, 3> categories_{};
  QTabWidget* pcAll_ = nullptr;
  QWidget* pageInfo_ = nullptr;
  QWidget* pageOptions_ = nullptr;
  QWidget* pageLogs_ = nullptr;
  QTextBrowser* webView_ = nullptr;
  QLineEdit* edtName_ = nullptr;
  QLineEdit* edtType_ = nullptr;
  QCheckBox* chkAuto_ = nullptr;
  QButtonGroup* timeModel_ = nullptr;
  QListWidget* lstTimes_ = nullptr;
  QWidget* timerPanel_ = nullptr;
  QTableWidget* edtExtParams_ = nullptr;
  QPlainTextEdit* edtCmdScrips_ = nullptr;
  QTableWidget* lvLogs_ = nullptr;
  QCheckBox* chkClearLogs_ = nullptr;
  QCheckBox* chkDelDmp_ = nullptr;
  QSpinBox* edtRemain_ = nullptr;
  std::unique_ptr<InformationPane> info_;
  std::unique_ptr<olv::TTrayBar> tray_;
};

// "Scheme files( *.sch)|*.sch|All files( *.*)|*.*" as a Qt file-dialog filter.
QString QtFileFilter(const std::string& filter);

}  // namespace sch
