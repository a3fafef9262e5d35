#pragma once
// The main window TSchMainForm, "Oracle backup scheme manager": tool bar, menus, the scheme tree,
// the pages "Information", "Options" and "Logs", a status bar and the tray icon. The commands,
// their texts and enabling rules come from the window-free model (app/core/MainFormModel.h);
// this class only draws them and forwards the user's choices. GUI thread only.
//
// Closing saves and then shuts down: the main thread stops blocking senders first, so a run's
// notice can never wait on a window that is going, and then running children are terminated
// and waited for.
#include <QMainWindow>
#include <array>
#include <map>
#include <memory>
#include <string>

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

namespace olv {
class TWebBrowserEx;
class TTrayBar;
}  // namespace olv

namespace sch {

class TSchMainForm : public QMainWindow {
 public:
  struct Options {
    std::string schemeFile;    // empty: the program's own scheme file
    std::string settingsFile;  // empty: the program's own settings file
    bool withTray = true;
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
  const std::string& FileName() const { return fileName_; }
  RunningList& Running() { return running_; }
  olv::TTrayBar* TrayBar() const { return tray_.get(); }

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

  Options options_;
  std::string fileName_;
  MainConfig config_;
  RunningList running_;
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
  std::unique_ptr<olv::TWebBrowserEx> browser_;
  std::unique_ptr<olv::TTrayBar> tray_;
};

// "Scheme files( *.sch)|*.sch|All files( *.*)|*.*" as a Qt file-dialog filter.
QString QtFileFilter(const std::string& filter);

}  // namespace sch
