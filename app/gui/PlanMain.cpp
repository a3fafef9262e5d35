#include "app/gui/PlanMain.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

#include "app/core/ProgramFiles.h"
#include "app/gui/SchCompress.h"
#include "app/gui/SchPwd.h"
#include "foundation/MessageBoxes.h"
#include "platform/MainThread.h"
#include "platform/ProcessRegistry.h"
#include "widgets/OlvIeCtrls.h"
#include "widgets/OlvTraybar.h"
#include "widgets/qt/QtBrowserHost.h"
#include "widgets/qt/QtTrayHost.h"

namespace sch {

namespace {

enum NodeRole { kKindRole = Qt::UserRole + 1 };

QString Q(const char* text) { return QString::fromUtf8(text); }

}  // namespace

QString QtFileFilter(const std::string& filter) {
  // "Text|pattern|Text|pattern": Qt wants "Text (pattern);;Text (pattern)".
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) out << parts[i] + " (" + parts[i + 1] + ")";
  return out.join(";;");
}

TSchMainForm::TSchMainForm(Options options, QWidget* parent) : QMainWindow(parent), options_(std::move(options)) {
  setWindowTitle(Q(kMainCaption));
  resize(860, 600);
  CreateActions();
  CreateMenus();

  auto* splitter = new QSplitter(this);
  auto* left = new QWidget(splitter);
  left->setMinimumWidth(200);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(new QLabel("  Scheme list", left));
  tree_ = new QTreeWidget(left);
  tree_->setObjectName("SchTree");
  tree_->setHeaderHidden(true);
  tree_->setContextMenuPolicy(Qt::ActionsContextMenu);
  tree_->addAction(ActionOf(Action::SchAdd));
  tree_->addAction(ActionOf(Action::SchDel));
  leftLayout->addWidget(tree_);

  pcAll_ = new QTabWidget(splitter);
  pcAll_->setObjectName("pcAll");
  pageInfo_ = new QWidget(pcAll_);
  auto* infoLayout = new QVBoxLayout(pageInfo_);
  webView_ = new QTextBrowser(pageInfo_);
  webView_->setObjectName("WebBrowser");
  infoLayout->addWidget(webView_);
  pageOptions_ = CreateOptionsPage();
  pageLogs_ = CreateLogsPage();
  pcAll_->addTab(pageInfo_, "Information");
  pcAll_->addTab(pageOptions_, "Options");
  pcAll_->addTab(pageLogs_, "Logs");
  splitter->addWidget(left);
  splitter->addWidget(pcAll_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({220, 640});
  setCentralWidget(splitter);
  statusBar();

  browser_ = olv::MakeQtWebBrowser(webView_);
  browser_->SetBorderWidth(1);
  browser_->SetIePopupMenu(false);
  browser_->OnBeforeNavigate = [this](olv::TWebBrowserEx&, const std::string& url, bool& cancel) {
    if (url.find("urlExit") != std::string::npos) {
      cancel = true;
      close();
    } else if (url.find("urlHide") != std::string::npos) {
      cancel = true;
      hide();
    }
  };

  // The tree: the root and the three categories.
  root_ = new QTreeWidgetItem(tree_, QStringList(Q(kRootName)));
  root_->setData(0, kKindRole, static_cast<int>(NodeKind::Root));
  for (int i = 0; i < 3; ++i) {
    categories_[i] = new QTreeWidgetItem(root_, QStringList(Q(kCategoryNames[i])));
    categories_[i]->setData(0, kKindRole, static_cast<int>(NodeKind::Category));
  }
  root_->setExpanded(true);
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { UpdateUI(); });
  connect(pcAll_, &QTabWidget::currentChanged, this, [this] { UpdateUI(); });

  // Start-up: the scheme file's name and the settings.
  fileName_ = options_.schemeFile.empty() ? ProgramDataFile(kSchemeFileExt) : options_.schemeFile;
  if (options_.settingsFile.empty()) options_.settingsFile = ProgramSettingsFile();
  config_ = ReadMainConfig(options_.settingsFile);
  config_.langId = 0;
  ActionOf(Action::ShowDos)->setChecked(config_.showDosWindow);

  if (options_.withTray) {
    tray_ = olv::MakeQtTrayBar(this);
    tray_->SetShowHint(true);
    tray_->SetMinimizeToTray(true);
    tray_->SetCycleInterval(100);
    tray_->OnClick = [this](olv::TTrayBar& bar) {
      if (isVisible())
        bar.HideOwner();
      else
        bar.ShowOwner();
    };
  }
  tree_->setCurrentItem(root_);
  UpdateUI();
}

TSchMainForm::~TSchMainForm() {
  try {
    config_.showDosWindow = ActionOf(Action::ShowDos)->isChecked();
    WriteMainConfig(options_.settingsFile, config_);
  } catch (const std::exception&) {
    // The settings are a convenience; a read-only place must not stop the program from ending.
  }
}

void TSchMainForm::CreateActions() {
  for (int i = 0; i < kActionCount; ++i) {
    const auto action = static_cast<Action>(i);
    auto* a = new QAction(Q(InfoOf(action).caption), this);
    a->setObjectName(Q(InfoOf(action).name));
    connect(a, &QAction::triggered, this, [this, action] { Execute(action); });
    actions_[i] = a;
  }
  ActionOf(Action::ShowDos)->setCheckable(true);
  const std::pair<Action, QStyle::StandardPixmap> icons[] = {
      {Action::Save, QStyle::SP_DialogSaveButton},   {Action::Load, QStyle::SP_DialogOpenButton},
      {Action::Exit, QStyle::SP_DialogCloseButton},  {Action::SchAdd, QStyle::SP_FileIcon},
      {Action::SchDel, QStyle::SP_TrashIcon},        {Action::SchRun, QStyle::SP_MediaPlay},
      {Action::CharSet, QStyle::SP_FileDialogDetailedView}, {Action::TimeStart, QStyle::SP_MediaSeekForward},
      {Action::TimeStop, QStyle::SP_MediaStop},
  };
  auto* bar = addToolBar("Tools");
  bar->setObjectName("ToolBar");
  for (const auto& [action, pixmap] : icons) {
    ActionOf(action)->setIcon(style()->standardIcon(pixmap));
    bar->addAction(ActionOf(action));
  }
}

void TSchMainForm::CreateMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction(ActionOf(Action::Save));
  file->addAction(ActionOf(Action::Load));
  file->addAction(ActionOf(Action::SaveAs));
  file->addSeparator();
  file->addAction(ActionOf(Action::Exit));
  QMenu* scheme = menuBar()->addMenu("&Scheme");
  for (Action a : {Action::SchAdd, Action::SchDel}) scheme->addAction(ActionOf(a));
  scheme->addSeparator();
  for (Action a : {Action::TimeStart, Action::TimeStop, Action::TimeStartAll, Action::TimeStopAll})
    scheme->addAction(ActionOf(a));
  scheme->addSeparator();
  for (Action a : {Action::SchRun, Action::TermRuning, Action::TermAllRuning}) scheme->addAction(ActionOf(a));
  scheme->addSeparator();
  scheme->addAction(ActionOf(Action::ShowDos));
  QMenu* tools = menuBar()->addMenu("&Tools");
  tools->addAction(ActionOf(Action::CharSet));
  tools->addAction(ActionOf(Action::SetPwd));
  tools->addSeparator();
  tools->addAction(ActionOf(Action::Compress));
  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction(ActionOf(Action::About));
}

QWidget* TSchMainForm::CreateOptionsPage() {
  auto* page = new QWidget(pcAll_);
  auto* layout = new QVBoxLayout(page);
  auto* sub = new QTabWidget(page);

  auto* timers = new QWidget(sub);
  auto* timersLayout = new QVBoxLayout(timers);
  auto* form = new QFormLayout;
  edtName_ = new QLineEdit(timers);
  edtType_ = new QLineEdit(timers);
  edtType_->setReadOnly(true);
  form->addRow("Sch Name", edtName_);
  form->addRow("Sch Type", edtType_);
  timersLayout->addLayout(form);
  chkAuto_ = new QCheckBox("Allow automatism", timers);
  timersLayout->addWidget(chkAuto_);
  timerPanel_ = new QGroupBox("  Timer setting", timers);
  auto* panelLayout = new QHBoxLayout(timerPanel_);
  auto* modeBox = new QGroupBox("Time model", timerPanel_);
  auto* modeLayout = new QVBoxLayout(modeBox);
  timeModel_ = new QButtonGroup(modeBox);
  for (int i = 0; i < static_cast<int>(kTimeModeNames.size()); ++i) {
    auto* r = new QRadioButton(Q(kTimeModeNames[i]), modeBox);
    timeModel_->addButton(r, i);
    modeLayout->addWidget(r);
  }
  panelLayout->addWidget(modeBox);
  lstTimes_ = new QListWidget(timerPanel_);
  panelLayout->addWidget(lstTimes_, 1);
  auto* timeButtons = new QVBoxLayout;
  for (Action a : {Action::TimeAdd, Action::TimeDel, Action::TimeClear, Action::TimeEdit}) {
    auto* b = new QPushButton(Q(InfoOf(a).caption), timerPanel_);
    connect(b, &QPushButton::clicked, ActionOf(a), &QAction::trigger);
    connect(ActionOf(a), &QAction::enabledChanged, b, &QPushButton::setEnabled);
    timeButtons->addWidget(b);
  }
  timeButtons->addStretch();
  panelLayout->addLayout(timeButtons);
  timersLayout->addWidget(timerPanel_, 1);
  sub->addTab(timers, "Timers");

  auto* params = new QWidget(sub);
  auto* paramsLayout = new QVBoxLayout(params);
  edtExtParams_ = new QTableWidget(0, 2, params);
  edtExtParams_->setObjectName("edtExtParams");
  edtExtParams_->setHorizontalHeaderLabels({"Name", "Value"});
  edtExtParams_->horizontalHeader()->setStretchLastSection(true);
  edtExtParams_->verticalHeader()->hide();
  paramsLayout->addWidget(edtExtParams_);
  sub->addTab(params, "Params");

  layout->addWidget(sub, 1);
  edtCmdScrips_ = new QPlainTextEdit(page);
  edtCmdScrips_->setObjectName("edtCmdScrips");
  edtCmdScrips_->setReadOnly(true);
  edtCmdScrips_->setMaximumHeight(90);
  layout->addWidget(edtCmdScrips_);
  return page;
}

QWidget* TSchMainForm::CreateLogsPage() {
  auto* page = new QWidget(pcAll_);
  auto* layout = new QVBoxLayout(page);
  lvLogs_ = new QTableWidget(0, static_cast<int>(kLogColumns.size()), page);
  lvLogs_->setObjectName("lvLogs");
  QStringList titles;
  for (const char* c : kLogColumns) titles << Q(c);
  lvLogs_->setHorizontalHeaderLabels(titles);
  lvLogs_->horizontalHeader()->setStretchLastSection(true);
  lvLogs_->verticalHeader()->hide();
  lvLogs_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvLogs_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(lvLogs_, 1);
  auto* row = new QHBoxLayout;
  for (Action a : {Action::LogDetail, Action::LogDel, Action::LogClear}) {
    auto* b = new QPushButton(Q(InfoOf(a).caption), page);
    connect(b, &QPushButton::clicked, ActionOf(a), &QAction::trigger);
    connect(ActionOf(a), &QAction::enabledChanged, b, &QPushButton::setEnabled);
    row->addWidget(b);
  }
  auto* group = new QGroupBox(page);
  auto* groupLayout = new QHBoxLayout(group);
  chkClearLogs_ = new QCheckBox("Clear logs before runing", group);
  chkDelDmp_ = new QCheckBox("Delete the DMP files(Export only)", group);
  edtRemain_ = new QSpinBox(group);
  edtRemain_->setRange(0, 9999);
  auto* remainLabel = new QLabel("Remain count", group);
  groupLayout->addWidget(chkClearLogs_);
  groupLayout->addWidget(chkDelDmp_);
  groupLayout->addWidget(remainLabel);
  groupLayout->addWidget(edtRemain_);
  connect(chkClearLogs_, &QCheckBox::toggled, this, [this, remainLabel](bool on) {
    chkDelDmp_->setEnabled(on);
    edtRemain_->setEnabled(on);
    remainLabel->setEnabled(on);
  });
  chkDelDmp_->setEnabled(false);
  edtRemain_->setEnabled(false);
  remainLabel->setEnabled(false);
  row->addWidget(group, 1);
  layout->addLayout(row);
  return page;
}

SelectionState TSchMainForm::CurrentSelection() const {
  SelectionState s;
  QTreeWidgetItem* item = tree_->currentItem();
  if (item) s.node = static_cast<NodeKind>(item->data(0, kKindRole).toInt());
  s.runTimeSelected = lstTimes_->currentRow() >= 0;
  s.runTimeCount = lstTimes_->count();
  s.logSelected = !lvLogs_->selectedItems().isEmpty();
  s.logCount = lvLogs_->rowCount();
  return s;
}

void TSchMainForm::UpdateUI() {
  const SelectionState s = CurrentSelection();
  const bool scheme = s.node == NodeKind::Scheme;
  pcAll_->setTabVisible(pcAll_->indexOf(pageOptions_), scheme);
  pcAll_->setTabVisible(pcAll_->indexOf(pageLogs_), scheme);
  for (int i = 0; i < kActionCount; ++i) actions_[i]->setEnabled(ActionEnabled(static_cast<Action>(i), s));
  timerPanel_->setVisible(chkAuto_->isChecked());
  edtName_->setEnabled(s.schemeState != ssRunning);
  WriteInformationPage();
}

void TSchMainForm::WriteInformationPage() {
  // A plain page until the information page's own template arrives.
  std::string running;
  if (running_.Empty()) {
    running = "None plans are running";
  } else {
    running = std::to_string(running_.Count()) + " plans are running<ul>";
    for (const auto& n : running_.Names()) running += "<li>" + n + "</li>";
    running += "</ul>";
  }
  std::string html = std::string("<html><body><h3>") + kMainCaption + "</h3><p>" + running + "</p></body></html>";
  try {
    browser_->WriteHtml(html);
  } catch (const std::exception&) {
    // A view that refuses the page leaves the old one; the window stays usable.
  }
  UpdateTrayHint();
}

void TSchMainForm::UpdateTrayHint() {
  if (!tray_) return;
  tray_->SetHint(running_.Empty() ? std::string("Wait for executing")
                                  : std::to_string(running_.Count()) + " plans are running");
  tray_->SetCycleIcons(!running_.Empty());
}

void TSchMainForm::NotAvailable() { olv::ShowInfo(kNotAvailableYet); }

void TSchMainForm::Execute(Action action) {
  try {
    switch (action) {
      case Action::Exit: close(); return;
      case Action::Compress: ShowCompressForm(this); break;
      case Action::ShowDos: break;  // the check mark is the state
      case Action::About:
        olv::InfoBox("About", std::string(kMainCaption) + "\nBackup schemes for Oracle databases.");
        break;
      case Action::Load:
        if (!LoadAllowed(running_)) {
          olv::ShowInfo(kLoadWhileRunning);
          break;
        }
        if (QFileDialog::getOpenFileName(this, QString(), QString::fromStdString(fileName_),
                                         QtFileFilter(kSchemeFileFilter)).isEmpty())
          break;
        NotAvailable();
        break;
      case Action::SaveAs:
        if (QFileDialog::getSaveFileName(this, QString(), QString::fromStdString(fileName_),
                                         QtFileFilter(kSchemeFileFilter)).isEmpty())
          break;
        NotAvailable();
        break;
      case Action::SetPwd: {
        SchemePasswordData data;
        SetupSchemePassword(data, true, this);
        break;
      }
      default: NotAvailable(); break;
    }
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
  }
  UpdateUI();
}

void TSchMainForm::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  // Notices from runs no longer block: a worker waiting on this window is released at once.
  if (plat::MainThread* main = plat::CurrentMainThread()) main->beginShutdown();
  // Then end running children (recorded exit code 101) and wait for them.
  plat::ProcessRegistry::global().shutdown();
}

void TSchMainForm::closeEvent(QCloseEvent* event) {
  Shutdown();
  event->accept();
}

}  // namespace sch
