#include "app/gui/PlanMain.h"
#include "app/gui/SchRunLog.h"
#include "app/gui/InformationPane.h"
#include "app/core/PagePictureData.h"

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
#include <QPixmap>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdio>
#include <exception>

#include "foundation/files/LogWriter.h"
#include "foundation/files/FileStream.h"
#include "foundation/files/ProgramFiles.h"
#include "platform/FileLock.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeHost.h"
#include "app/core/OracleScheme.h"
#include "app/core/SchemeWrapper.h"
#include "app/gui/SchTimeEditor.h"
#include "app/gui/ParamValueDelegate.h"
#include "foundation/base/Exception.h"
#include "foundation/text/Format.h"
#include "foundation/objects/OlvStringList.h"
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include "app/gui/SchCompress.h"
#include "app/gui/SchPwd.h"
#include "app/core/DMSession.h"
#include "app/gui/OraCharsetSelector.h"
#include "foundation/dialogs/MessageBoxes.h"
#include "platform/MainThread.h"
#include "platform/ProcessRegistry.h"
#include "widgets/OlvIeCtrls.h"
#include "widgets/OlvTraybar.h"
#include "widgets/forms/Screen.h"
#include "widgets/qt/HintBar.h"
#include "widgets/qt/QtBrowserHost.h"
#include "widgets/qt/QtTrayHost.h"
#include "widgets/qticons/StandardIcon.h"

namespace sch {

namespace {

enum NodeRole { kKindRole = Qt::UserRole + 1, kSchemeRole };

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
  // The tray's icon at rest is the program's icon: the caption shows it too.
  if (const auto icons = TrayIconData(); !icons.empty()) {
    QPixmap icon;
    if (icon.loadFromData(icons[0].bytes, static_cast<uint>(icons[0].size))) setWindowIcon(QIcon(icon));
  }
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
  pageOptions_ = new QWidget(pcAll_);
  pageLogs_ = new QWidget(pcAll_);
  pcAll_->addTab(pageInfo_, "Information");
  pcAll_->addTab(pageOptions_, "Options");
  pcAll_->addTab(pageLogs_, "Logs");
  splitter->addWidget(left);
  splitter->addWidget(pcAll_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({220, 640});
  setCentralWidget(splitter);
  statusBar();
  if (olv::TScreen* screen = olv::LiveScreen()) screen->SetHintForm(this);

  // A program that finds its scheme file in use ends at once: it leaves the picture files (shared
  // by every program on the same data) to the one that has the file.
  const std::string schemeFile = options_.schemeFile.empty() ? olv::SchemeFilePath() : options_.schemeFile;
  const bool fileTaken = plat::FileLock::HolderOf(olv::ExpandStreamFileName(schemeFile)) != 0;
  info_ = std::make_unique<InformationPane>(webView_, options_.pictureFolder, options_.animationClock, !fileTaken);
  if (!info_->PictureErrors().empty())
    statusBar()->showMessage(QString::fromStdString(std::string(kPicturesNotWritten) + " (" +
                                                    info_->PictureErrors().front() + ")"));
  info_->OnLink = [this](PageLink link) {
    if (link == PageLink::Exit) close();
    else hide();
  };

  // The tree: the root and the three categories.
  root_ = new QTreeWidgetItem(tree_, QStringList(Q(kRootName)));
  root_->setData(0, kKindRole, static_cast<int>(NodeKind::Root));
  for (int i = 0; i < 3; ++i) {
    categories_[i] = new QTreeWidgetItem(root_, QStringList(Q(kCategoryNames[i])));
    categories_[i]->setData(0, kKindRole, static_cast<int>(NodeKind::Category));
  }
  root_->setExpanded(true);

  // Start-up: the scheme file's name and the settings.
  const std::string& fileName = schemeFile;
  if (options_.settingsFile.empty()) options_.settingsFile = olv::SettingsFilePath();
  config_ = ReadMainConfig(options_.settingsFile);
  config_.langId = 0;
  // The host asks, the window shows: its questions are the program's confirmation boxes.
  SchemeServices services = options_.services;
  if (!services.confirm) services.confirm = [](const std::string& question) { return olv::ConfirmQuestion(question); };
  host_ = std::make_unique<SchemeHost>(std::move(services));
  connect(ActionOf(Action::ShowDos), &QAction::toggled, this, [this](bool on) { host_->SetShowDos(on); });
  ActionOf(Action::ShowDos)->setChecked(config_.showDosWindow);
  host_->SetRunNotice([this](TSchemeObject& scheme, int param) { SchemeRunNotice(param, &scheme); });
  ClearTree();
  const std::string startError = host_->Start(fileName);
  FillTree();
  if (!startError.empty()) {
    if (FileInUse()) std::fprintf(stderr, "%s\n", startError.c_str());
    olv::ErrorBox("Error", startError);
  }

  if (options_.withTray) {
    tray_ = olv::MakeQtTrayBar(this);
    tray_->SetIconList(TrayIcons());
    tray_->SetShowHint(true);
    tray_->SetMinimizeToTray(true);
    tray_->SetCycleInterval(kTrayCycleInterval);
    tray_->OnClick = [this](olv::TTrayBar& bar) {
      if (isVisible()) {
        bar.HideOwner();
        return;
      }
      try {
        if (!host_->MayRestore(PasswordCheck(nullptr))) return;
      } catch (const std::exception& e) {
        olv::ErrorBox("Error", e.what());
        return;
      }
      bar.ShowOwner();
    };
  }
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
    if (SelectedScheme()) EnsurePages();
    FillSchemePage();
    FillLogPage();
    UpdateUI();
  });
  connect(pcAll_, &QTabWidget::currentChanged, this, [this] {
    FillLogPage();
    UpdateUI();
  });

  tree_->setCurrentItem(root_);
  UpdateUI();
}

TSchMainForm::~TSchMainForm() {
  if (olv::TScreen* screen = olv::LiveScreen()) screen->FormDestroyed(this);
  Shutdown();
  try {
    config_.showDosWindow = ActionOf(Action::ShowDos)->isChecked();
    WriteMainConfig(options_.settingsFile, config_);
  } catch (const std::exception&) {
    // The settings are a convenience; a read-only place must not stop the program from ending.
  }
}

void TSchMainForm::SetHintText(const std::string& text) { olv::SetHintBarText(statusBar(), text); }

void TSchMainForm::RepaintHintBar() { olv::RepaintHintBarNow(statusBar()); }

std::unique_ptr<olv::TProgressGauge> TSchMainForm::CreateProgressGauge() {
  return olv::MakeProgressGauge(this, statusBar(), statusBar());
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
    ActionOf(action)->setIcon(olv::StandardIcon(pixmap, style()));
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
  for (Action a : {Action::SchRun, Action::TermRunning, Action::TermAllRunning}) scheme->addAction(ActionOf(a));
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

void TSchMainForm::EnsurePages() {
  if (edtName_) return;
  // Made while hidden (no scheme was selected yet): shown with their page, as made at the start.
  CreateOptionsPage();
  CreateLogsPage();
  ConnectPages();
  UpdatePages(CurrentSelection());
  // A window that has been shown has every control polished by its style; so have these, as if
  // made with it.
  if (testAttribute(Qt::WA_WState_Polished))
    for (QWidget* page : {pageOptions_, pageLogs_})
      for (QWidget* w : page->findChildren<QWidget*>()) w->ensurePolished();
}

QTableWidget* TSchMainForm::LogList() {
  EnsurePages();
  return lvLogs_;
}

QListWidget* TSchMainForm::RunTimeList() {
  EnsurePages();
  return lstTimes_;
}

QLineEdit* TSchMainForm::NameEdit() {
  EnsurePages();
  return edtName_;
}

QPlainTextEdit* TSchMainForm::CommandLineMemo() {
  EnsurePages();
  return edtCmdScrips_;
}

QTableWidget* TSchMainForm::ParamGrid() {
  EnsurePages();
  return edtExtParams_;
}

void TSchMainForm::ConnectPages() {
  connect(edtName_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (TSchemeObject* scheme = SelectedScheme(); scheme && host_->SetSchemeName(*scheme, text.toStdString())) {
      if (QTreeWidgetItem* node = NodeOf(scheme)) node->setText(0, text);
    }
  });
  connect(chkAuto_, &QCheckBox::toggled, this, [this](bool on) {
    if (TSchemeObject* scheme = SelectedScheme(); scheme && !filling_) host_->SetAutoExec(*scheme, on);
    UpdateUI();
  });
  connect(timeModel_, &QButtonGroup::idClicked, this, [this](int mode) {
    if (TSchemeObject* scheme = SelectedScheme()) {
      host_->SetTimeMode(*scheme, mode);
      FillRunTimes();
    }
  });
  connect(lstTimes_, &QListWidget::itemDoubleClicked, this, [this] { ActionOf(Action::TimeEdit)->trigger(); });
  connect(lstTimes_, &QListWidget::currentRowChanged, this, [this] { UpdateUI(); });
  connect(lvLogs_, &QTableWidget::itemSelectionChanged, this, [this] { UpdateUI(); });
  connect(chkClearLogs_, &QCheckBox::toggled, this, [this](bool on) {
    if (TSchemeObject* scheme = SelectedScheme(); scheme && !filling_) host_->SetAutoClearLogs(*scheme, on);
  });
  connect(chkDelDmp_, &QCheckBox::toggled, this, [this](bool on) {
    if (TSchemeObject* scheme = SelectedScheme(); scheme && !filling_) host_->SetDelDmpFile(*scheme, on);
  });
  connect(edtRemain_, &QSpinBox::valueChanged, this, [this](int n) {
    if (TSchemeObject* scheme = SelectedScheme(); scheme && !filling_) host_->SetRemainCount(*scheme, n);
  });
}

void TSchMainForm::CreateOptionsPage() {
  QWidget* page = pageOptions_;
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
    b->setEnabled(ActionOf(a)->isEnabled());
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
  edtExtParams_->setWordWrap(false);
  edtExtParams_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                 QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  ParamValueDelegate::Hooks hooks;
  hooks.rowOf = [this](int row) { return row >= 0 && row < static_cast<int>(paramRows_.size()) ? &paramRows_[row] : nullptr; };
  hooks.commit = [this](int row, const std::string& value) { CommitParam(row, value); };
  hooks.button = [this](int row) { PressParamButton(row); };
  edtExtParams_->setItemDelegateForColumn(1, new ParamValueDelegate(std::move(hooks), edtExtParams_));
  paramsLayout->addWidget(edtExtParams_);
  sub->addTab(params, "Params");

  layout->addWidget(sub, 1);
  edtCmdScrips_ = new QPlainTextEdit(page);
  edtCmdScrips_->setObjectName("edtCmdScrips");
  edtCmdScrips_->setReadOnly(true);
  edtCmdScrips_->setMaximumHeight(90);
  layout->addWidget(edtCmdScrips_);
}

void TSchMainForm::CreateLogsPage() {
  QWidget* page = pageLogs_;
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
    b->setEnabled(ActionOf(a)->isEnabled());
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
  row->addStretch();
  layout->addLayout(row);
  layout->addWidget(group);
}

SelectionState TSchMainForm::CurrentSelection() const {
  SelectionState s;
  QTreeWidgetItem* item = tree_->currentItem();
  if (item) s.node = static_cast<NodeKind>(item->data(0, kKindRole).toInt());
  if (TSchemeObject* scheme = SelectedScheme()) {
    s.schemeState = scheme->State;
    s.autoExec = scheme->AutoExec;
    s.timerStarted = scheme->TimerStarted();
  }
  // Pages not made yet are empty: nothing listed, nothing selected.
  if (lstTimes_) {
    s.runTimeSelected = lstTimes_->currentRow() >= 0;
    s.runTimeCount = lstTimes_->count();
    s.logSelected = !lvLogs_->selectedItems().isEmpty();
    s.logCount = lvLogs_->rowCount();
  }
  return s;
}

void TSchMainForm::UpdateUI() {
  const SelectionState s = CurrentSelection();
  const bool scheme = s.node == NodeKind::Scheme;
  pcAll_->setTabVisible(pcAll_->indexOf(pageOptions_), scheme);
  pcAll_->setTabVisible(pcAll_->indexOf(pageLogs_), scheme);
  for (int i = 0; i < kActionCount; ++i) actions_[i]->setEnabled(ActionEnabled(static_cast<Action>(i), s));
  UpdatePages(s);
  if (QTreeWidgetItem* node = tree_->currentItem()) RefreshNode(node);
  WriteInformationPage();
}

void TSchMainForm::UpdatePages(const SelectionState& s) {
  if (!edtName_) return;
  timerPanel_->setVisible(chkAuto_->isChecked());
  edtName_->setEnabled(s.schemeState != ssRunning);
}

void TSchMainForm::WriteInformationPage() {
  std::vector<std::string> running;
  for (const TSchemeObject* scheme : Running()) running.push_back(scheme->SchName());
  const TSchemeObject* scheme = SelectedScheme();
  const SchemePageState selected = scheme ? PageStateOf(*scheme) : SchemePageState{};
  info_->Write(scheme ? &selected : nullptr, running);
  UpdateTrayHint();
}

void TSchMainForm::UpdateTrayHint() {
  if (tray_) UpdateTray(*tray_, static_cast<int>(Running().size()));
}

void TSchMainForm::ShowCharsetTool(TSchemeObject* scheme) {
  auto* session = dynamic_cast<TDMSession*>(options_.services.oracleSession.get());
  if (!session) return;  // the program always hands the window its session; a bare window has no tools
  std::string user, password, service;
  if (auto* oracle = dynamic_cast<TOracleScheme*>(scheme)) {
    user = oracle->GetLoginValue(0);
    password = oracle->GetLoginValue(1);
    service = oracle->GetLoginValue(2);
  }
  ShowCharsetSelector(*session, user, password, service, this);
}

void TSchMainForm::Execute(Action action) {
  TSchemeObject* scheme = SelectedScheme();
  if (scheme) EnsurePages();
  SchemeHost& host = *host_;
  try {
    switch (action) {
      case Action::Exit: close(); return;
      case Action::Compress: ShowCompressForm(this); break;
      case Action::ShowDos: break;  // the check mark's toggle reaches the host
      case Action::About:
        olv::InfoBox("About", std::string(kMainCaption) + "\nBackup schemes for Oracle databases.");
        break;
      case Action::Save: Save(); break;
      case Action::SaveAs: {
        std::string name = PickSchemeFile(true);
        if (!name.empty() && !host.SaveAs(name)) throw olv::Exception(host.LastSaveError());
        break;
      }
      case Action::Load: LoadCommand(); break;
      case Action::SetPwd: {
        SchemePasswordData data{Wrapper()->GetPassword(), Wrapper()->CheckPwdForRestore};
        if (SetupSchemePassword(data, true, this)) host.SetPassword(data.password, data.checkPwdForRestore);
        break;
      }
      case Action::SchAdd:
        if (TSchemeObject* added = host.AddScheme(SelectedCategory())) tree_->setCurrentItem(AddSchemeNode(added));
        break;
      case Action::SchDel: {
        QTreeWidgetItem* node = scheme ? NodeOf(scheme) : nullptr;
        if (node && host.DeleteScheme(*scheme)) {
          tree_->setCurrentItem(node->parent());
          delete node;
          if (!host.LastSaveError().empty()) throw olv::Exception(host.LastSaveError());
        }
        break;
      }
      case Action::TimeAdd:
        if (scheme && host.AddRunTime(*scheme, TimeEditorFor())) FillRunTimes();
        break;
      case Action::TimeEdit:
        if (scheme && host.EditRunTime(*scheme, lstTimes_->currentRow(), TimeEditorFor())) FillRunTimes();
        break;
      case Action::TimeDel:
        if (scheme && host.DeleteRunTime(*scheme, lstTimes_->currentRow())) FillRunTimes();
        break;
      case Action::TimeClear:
        if (scheme && host.ClearRunTimes(*scheme)) FillRunTimes();
        break;
      case Action::LogDel: {
        if (!scheme) break;
        std::vector<int> rows;
        for (const auto& range : lvLogs_->selectedRanges())
          for (int r = range.topRow(); r <= range.bottomRow(); ++r) rows.push_back(r);
        if (host.DeleteLogs(*scheme, rows)) FillLogPage();
        break;
      }
      case Action::LogClear:
        if (scheme && host.ClearLogs(*scheme)) {
          FillLogPage();
          if (!host.LastSaveError().empty()) throw olv::Exception(host.LastSaveError());
        }
        break;
      case Action::LogDetail: {
        if (!scheme) break;
        const int r = lvLogs_->currentRow();
        if (r < 0) break;
        TSchemeLog copy;
        {
          plat::MutexLock lock(scheme->DataLock());
          TSchemeLog* log = scheme->GetLog(r);
          if (!log) break;
          copy.CopyFrom(*log);
        }
        RunLogRow row;
        for (int c = 0; c < static_cast<int>(row.cells.size()) && c < lvLogs_->columnCount(); ++c)
          if (QTableWidgetItem* item = lvLogs_->item(r, c)) row.cells[c] = item->text().toStdString();
        ShowRunLog(copy, row, this);
        break;
      }
      case Action::SchRun:
        if (scheme) host.Run(*scheme);
        break;
      case Action::TimeStart:
        if (scheme) host.StartTimer(*scheme);
        break;
      case Action::TimeStop:
        if (scheme) host.StopTimer(*scheme);
        break;
      case Action::TimeStartAll: host.StartAllTimers(); break;
      case Action::TimeStopAll: host.StopAllTimers(); break;
      case Action::TermRunning:
        if (scheme) host.TerminateScheme(*scheme);
        break;
      case Action::TermAllRunning: host.TerminateAll(); break;
      case Action::CharSet: ShowCharsetTool(scheme); break;
      default: break;
    }
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
  }
  UpdateUI();
}

int TSchMainForm::SelectedCategory() const {
  QTreeWidgetItem* node = tree_->currentItem();
  if (!node || node == root_) return -1;
  if (static_cast<NodeKind>(node->data(0, kKindRole).toInt()) == NodeKind::Scheme) node = node->parent();
  for (int i = 0; i < 3; ++i)
    if (categories_[i] == node) return i;
  return -1;
}

SchemeHost::TimeEditor TSchMainForm::TimeEditorFor() {
  return [this](TSchemeTimeItem& item, int mode) { return EditTime(item, mode); };
}

SchemeHost::PasswordCheck TSchMainForm::PasswordCheck(QWidget* parent) {
  return [parent](const std::string& password, bool checkPwdForRestore) {
    SchemePasswordData data{password, checkPwdForRestore};
    return SetupSchemePassword(data, false, parent);
  };
}

void TSchMainForm::ClearTree() {
  tree_->setCurrentItem(root_);
  for (auto* category : categories_) qDeleteAll(category->takeChildren());
  for (int i = root_->childCount() - 1; i >= 3; --i) delete root_->takeChild(i);
}

void TSchMainForm::FillTree() {
  TSchemeWrapper* w = Wrapper();
  for (int i = 0; i < w->Count(); ++i)
    if (TSchemeObject* scheme = w->GetScheme(i)) tree_->setCurrentItem(AddSchemeNode(scheme));
  root_->setExpanded(true);
}

QTreeWidgetItem* TSchMainForm::AddSchemeNode(TSchemeObject* scheme) {
  const int category = CategoryOfKind(scheme->SchType());
  QTreeWidgetItem* parent = category < 0 ? root_ : categories_[category];
  auto* node = new QTreeWidgetItem(parent, QStringList(QString::fromStdString(scheme->SchName())));
  node->setData(0, kKindRole, static_cast<int>(NodeKind::Scheme));
  node->setData(0, kSchemeRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(scheme)));
  parent->setExpanded(true);
  RefreshNode(node);
  return node;
}

void TSchMainForm::RefreshNode(QTreeWidgetItem* node) {
  if (!node) return;
  auto* scheme = reinterpret_cast<TSchemeObject*>(node->data(0, kSchemeRole).value<quintptr>());
  if (!scheme) return;
  node->setData(0, Qt::UserRole, SchemeNodeImage(scheme->State, scheme->AutoExec));
  static const QIcon waiting = olv::StandardIcon(QStyle::SP_FileIcon, QApplication::style());
  static const QIcon running = olv::StandardIcon(QStyle::SP_MediaPlay, QApplication::style());
  static const QIcon invalid = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
  node->setIcon(0, scheme->State == ssRunning ? running : scheme->State == ssWaiting ? waiting : invalid);
  // Whether the scheme's timer is counting, which the pictures alone do not tell.
  node->setToolTip(0, scheme->AutoExec ? Q(scheme->TimerStarted() ? kTimerStartedHint : kTimerStoppedHint) : QString());
}

TSchemeObject* TSchMainForm::SelectedScheme() const {
  QTreeWidgetItem* node = tree_->currentItem();
  if (!node) return nullptr;
  return reinterpret_cast<TSchemeObject*>(node->data(0, kSchemeRole).value<quintptr>());
}

QTreeWidgetItem* TSchMainForm::NodeOf(const TSchemeObject* scheme) const {
  for (QTreeWidgetItemIterator it(tree_); *it; ++it)
    if ((*it)->data(0, kSchemeRole).value<quintptr>() == reinterpret_cast<quintptr>(scheme)) return *it;
  return nullptr;
}

void TSchMainForm::FillRunTimes() {
  TSchemeObject* scheme = SelectedScheme();
  if (!scheme && !lstTimes_) return;  // nothing listed yet, nothing to list
  EnsurePages();
  // The selected line stays selected (the one after it, when it was deleted).
  const int row = lstTimes_->currentRow();
  lstTimes_->clear();
  if (!scheme) return;
  olv::TStringList texts;
  {
    plat::MutexLock lock(scheme->DataLock());
    scheme->SchemeTime->GetTexts(texts);
  }
  for (int i = 0; i < texts.Count(); ++i) lstTimes_->addItem(QString::fromStdString(texts.Strings(i)));
  if (row >= 0 && lstTimes_->count() > 0) lstTimes_->setCurrentRow(std::min(row, lstTimes_->count() - 1));
}

void TSchMainForm::FillSchemePage() {
  TSchemeObject* scheme = SelectedScheme();
  if (!scheme) return;
  EnsurePages();
  filling_ = true;
  edtName_->setText(QString::fromStdString(scheme->SchName()));
  const int category = CategoryOfKind(scheme->SchType());
  edtType_->setText(category < 0 ? QString() : Q(kCategoryNames[category]));
  chkAuto_->setChecked(scheme->AutoExec);
  if (auto* b = timeModel_->button(scheme->TimeMode())) b->setChecked(true);
  lstTimes_->clear();  // another scheme's selected line means nothing here
  FillRunTimes();
  paramRows_ = ParamRows(*scheme);
  edtExtParams_->setRowCount(static_cast<int>(paramRows_.size()));
  for (int i = 0; i < static_cast<int>(paramRows_.size()); ++i) {
    const ParamRow& row = paramRows_[i];
    auto* name = new QTableWidgetItem(QString::fromStdString(row.caption));
    name->setFlags(name->flags() & ~Qt::ItemIsEditable);
    if (row.required) {
      QFont f = name->font();
      f.setBold(true);
      name->setFont(f);
    }
    if (row.readOnly) name->setForeground(palette().color(QPalette::Dark));
    edtExtParams_->setItem(i, 0, name);
    edtExtParams_->setItem(i, 1, new QTableWidgetItem);
    ShowParamCell(i);
  }
  // A name is read at a glance only on one line: the names' column takes the longest of them.
  edtExtParams_->resizeColumnToContents(0);
  edtCmdScrips_->setPlainText(QString::fromStdString(scheme->UpdateState()));
  // Read under the scheme's lock, shown after it: a run may be trimming its records meanwhile.
  bool clearLogs = false, delDmp = false;
  int remain = 0;
  {
    plat::MutexLock lock(scheme->DataLock());
    clearLogs = scheme->AutoClearLogs;
    delDmp = scheme->DelDmpFile;
    remain = scheme->RemainCount;
  }
  chkClearLogs_->setChecked(clearLogs);
  chkDelDmp_->setChecked(delDmp);
  edtRemain_->setValue(remain);
  filling_ = false;
}

void TSchMainForm::ShowParamCell(int row) {
  QTableWidgetItem* cell = edtExtParams_->item(row, 1);
  if (!cell || row >= static_cast<int>(paramRows_.size())) return;
  const ParamRow& p = paramRows_[row];
  cell->setText(QString::fromStdString(p.shown));
  cell->setFlags(p.typed ? cell->flags() | Qt::ItemIsEditable : cell->flags() & ~Qt::ItemIsEditable);
  if (p.button && !p.typed) cell->setToolTip("Double-click or press \"...\" to edit");
}

void TSchMainForm::CommitParam(int row, const std::string& value) {
  TSchemeObject* scheme = SelectedScheme();
  if (!scheme || filling_) return;
  std::optional<std::string> line = host_->SetParamValue(*scheme, row, value);
  if (!line) return;
  if (const TItemDescription* param = scheme->GetParam(row)) paramRows_[row] = ParamRowOf(*param);
  ShowParamCell(row);
  edtCmdScrips_->setPlainText(QString::fromStdString(*line));
  RefreshNode(NodeOf(scheme));
  UpdateUI();
}

void TSchMainForm::PressParamButton(int row) {
  TSchemeObject* scheme = SelectedScheme();
  if (!scheme || row < 0 || row >= static_cast<int>(paramRows_.size())) return;
  try {
    if (!host_->EditParam(*scheme, row)) return;
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
    return;
  }
  FillSchemePage();
  edtExtParams_->setCurrentCell(row, 1);
  RefreshNode(NodeOf(scheme));
  UpdateUI();
}

void TSchMainForm::FillLogPage() {
  TSchemeObject* scheme = SelectedScheme();
  if (!scheme || pcAll_->currentWidget() != pageLogs_) return;
  EnsurePages();
  // A run lists and updates its record under the scheme's lock.
  plat::MutexLock lock(scheme->DataLock());
  lvLogs_->setRowCount(scheme->LogCount());
  auto when = [](double t) { return QString::fromStdString(olv::FormatDateTime("yyyy.m.d h:n:s", t)); };
  for (int i = 0; i < scheme->LogCount(); ++i) {
    TSchemeLog* log = scheme->GetLog(i);
    const QString texts[] = {QString::number(i + 1), when(log->StartTime), when(log->EndTime),
                             Q(ActiveModeText(log->ActiveMode)), Q(ResultText(log->IsSucceed)),
                             QString::fromStdString(log->ErrorMsgs)};
    for (int c = 0; c < 6; ++c) lvLogs_->setItem(i, c, new QTableWidgetItem(texts[c]));
  }
}

std::string TSchMainForm::PickSchemeFile(bool save) {
  if (options_.pickSchemeFile) return options_.pickSchemeFile(save);
  const QString filter = QtFileFilter(kSchemeFileFilter);
  QFileDialog dialog(this, QString(), QString::fromStdString(FileName()), filter);
  dialog.setDefaultSuffix(kSchemeFileExt);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (!save) dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

bool TSchMainForm::EditTime(TSchemeTimeItem& item, int mode) {
  if (options_.editTime) return options_.editTime(item, mode);
  return EditTimeItem(item, mode, this);
}

const std::string& TSchMainForm::FileName() const { return host_->FileName(); }
const std::vector<TSchemeObject*>& TSchMainForm::Running() const { return host_->Running(); }
TSchemeWrapper* TSchMainForm::Wrapper() const { return &host_->Schemes(); }

void TSchMainForm::Save() {
  if (!host_->Save([this] { return PickSchemeFile(true); })) throw olv::Exception(host_->LastSaveError());
}

void TSchMainForm::LoadCommand() {
  // Refused before the file dialog: nothing the user picks could be taken.
  if (!host_->LoadAllowed()) {
    olv::ShowInfo(kLoadWhileRunning);
    return;
  }
  std::string name = PickSchemeFile(false);
  if (name.empty()) return;
  // The tree points at the current schemes: it is rebuilt once the new ones are taken.
  const SchemeHost::LoadResult result = host_->Load(name, PasswordCheck(this));
  switch (result.outcome) {
    case SchemeHost::LoadOutcome::Loaded:
      ClearTree();
      FillTree();
      break;
    case SchemeHost::LoadOutcome::Running: olv::ShowInfo(result.error); break;
    case SchemeHost::LoadOutcome::Failed: throw olv::Exception(result.error);
    case SchemeHost::LoadOutcome::Cancelled: break;
  }
}

void TSchMainForm::SchemeRunNotice(int phase, TSchemeObject* scheme) {
  if (!scheme) return;
  // The host has listed the run and, at its end, saved the file: a failed save is shown, not
  // raised into the run.
  if (phase != kSchemeRunStarted && !host_->LastSaveError().empty())
    statusBar()->showMessage(QString::fromStdString(host_->LastSaveError()));
  RefreshNode(NodeOf(scheme));
  if (scheme == SelectedScheme()) FillLogPage();
  UpdateUI();
}

void TSchMainForm::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  // Notices stop blocking first, then children end with 101, threads are joined and the
  // records saved.
  host_->Shutdown();
}

bool TSchMainForm::FileInUse() const { return host_->FileInUseBy() != 0; }

void TSchMainForm::CloseBySignal() {
  if (shutDown_) return;
  shutDown_ = true;
  host_->Close();
  const std::string& error = host_->LastSaveError();
  if (error.empty()) return;
  statusBar()->showMessage(QString::fromStdString(error));
  std::fprintf(stderr, "%s\n", error.c_str());
  olv::WriteLog(error, true);
}

void TSchMainForm::paintEvent(QPaintEvent* event) {
  QMainWindow::paintEvent(event);
  if (painted_) return;
  painted_ = true;
  // Once this paint pass is done: the pages' sizes then count in the window's layout, as when
  // they were made with it.
  QMetaObject::invokeMethod(this, [this] { EnsurePages(); }, Qt::QueuedConnection);
}

void TSchMainForm::closeEvent(QCloseEvent* event) {
  if (!shutDown_) {
    shutDown_ = true;
    host_->Close();
    if (!host_->LastSaveError().empty()) olv::ErrorBox("Error", host_->LastSaveError());
  }
  event->accept();
}

}  // namespace sch
