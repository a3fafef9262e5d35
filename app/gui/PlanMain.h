#pragma once
// The main window TSchMainForm, "Oracle backup scheme manager": tool bar, menus, the scheme tree,
// the pages "Information", "Options" and "Logs", a status bar and the tray icon. The commands,
// their texts and enabling rules come from the window-free model (app/core/MainFormModel.h);
// this class only draws them and forwards the user's choices. GUI thread only.
//
// Every command is one call into the SchemeHost the window owns (app/core/SchemeHost.h), which
// holds what the commands do; the window draws, asks its dialogs and dispatches. It turns the
// host's run notices into tree, page and tray refreshes. Closing is the host's Close.
//
// With the form library started (widgets/qt/FormLibrary.h) the window is its screen object's hint
// form from its making on, and again whenever it is activated: the expression function Hint, from
// any thread, shows its text in the status bar and its progress in a gauge at the bar's right end.
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
#include "app/core/ParamGrid.h"
#include "app/core/SchemeHost.h"
#include "widgets/forms/HintForm.h"

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
class TAnimationClock;
class TTrayBar;
}  // namespace olv

namespace sch {

class TSchemeObject;
class TSchemeTimeItem;
class TSchemeWrapper;
class InformationPane;

class TSchMainForm : public QMainWindow, public olv::THintForm {
 public:
  struct Options {
    std::string schemeFile;    // empty: the program's own scheme file
    std::string settingsFile;  // empty: the program's own settings file
    bool withTray = true;
    // Stand-ins for the modal pickers, so tests can answer them: the file dialogs (empty text:
    // cancelled) and the run-time editor. Unset: the real dialogs.
    std::function<std::string(bool save)> pickSchemeFile;
    std::function<bool(TSchemeTimeItem& item, int mode)> editTime;
    // What the schemes' host and its runs use: main thread, process registry, editors, session.
    SchemeServices services;
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
  // The "Options" and "Logs" pages' controls, made on first need (these make them).
  QTableWidget* LogList();
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
  QListWidget* RunTimeList();
  QLineEdit* NameEdit();
  QPlainTextEdit* CommandLineMemo();
  QTableWidget* ParamGrid();

  // A run's start (phase 0), listed record (2) or end (phase 1), on the main thread while the run
  // waits (the handler of message 7946, after the host has listed the run and, at the listing
  // and the end, saved).
  void SchemeRunNotice(int phase, TSchemeObject* scheme);
  // Saves the container, compressed, to FileName (Save as when there is none). A failed save
  // raises with the reason.
  void Save();
  // Another program has the scheme file: the window took none and the program is to end (the
  // start said so on stderr and in a box).
  bool FileInUse() const;
  // A close asked by a signal: closes as the window's close does, but a failed save goes to the
  // status bar, stderr and the log, never to a box (nobody may be there to click it).
  void CloseBySignal();

  // Recomputes pages and the commands' enabled states (TSchMainForm.UpdateUI).
  void UpdateUI();
  // The state the enabling rules see, from the current selection.
  SelectionState CurrentSelection() const;

  // THintForm: the status bar is the hint bar.
  bool HasHintBar() const override { return true; }
  void SetHintText(const std::string& text) override;
  void RepaintHintBar() override;
  bool IsShowing() const override { return isVisible(); }
  std::unique_ptr<olv::TProgressGauge> CreateProgressGauge() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  // The "Options" and "Logs" pages are shown only with a scheme selected: their controls are
  // made right after the window's first frame, or before when first needed (a scheme selected,
  // or asked for). Until then the pages are empty and the state read from them is that of empty
  // pages.
  void EnsurePages();
  void CreateOptionsPage();
  void CreateLogsPage();
  void ConnectPages();
  // The pages' part of UpdateUI.
  void UpdatePages(const SelectionState& s);
  void Execute(Action action);
  // "Character set": the tool with the selected Oracle scheme's login, or an empty one.
  void ShowCharsetTool(TSchemeObject* scheme);
  void UpdateTrayHint();
  void WriteInformationPage();
  void Shutdown();
  void ClearTree();
  void FillTree();
  // The category of the selected node (its own, or its scheme's); -1 for the root or none.
  int SelectedCategory() const;
  SchemeHost::TimeEditor TimeEditorFor();
  static SchemeHost::PasswordCheck PasswordCheck(QWidget* parent);
  QTreeWidgetItem* AddSchemeNode(TSchemeObject* scheme);
  void RefreshNode(QTreeWidgetItem* node);
  void FillSchemePage();
  // The value cell of a parameter row as paramRows_ says.
  void ShowParamCell(int row);
  // A value typed or picked in the grid; the edit button of a row.
  void CommitParam(int row, const std::string& value);
  void PressParamButton(int row);
  void FillLogPage();
  void FillRunTimes();
  std::string PickSchemeFile(bool save);
  bool EditTime(TSchemeTimeItem& item, int mode);
  void LoadCommand();

  Options options_;
  MainConfig config_;
  std::unique_ptr<SchemeHost> host_;
  bool filling_ = false;  // the pages are being filled from the model: no edits back
  bool shutDown_ = false;
  bool painted_ = false;  // the first frame is drawn; the pages are made (or about to be)

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
  std::vector<ParamRow> paramRows_;  // the rows of the scheme on the page
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
