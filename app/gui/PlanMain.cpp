#include "app/gui/PlanMain.h"
#include "app/gui/SchRunLog.h"
#include "app/gui/InformationPane.h"

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
#include <QInputDialog>
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

#include "app/core/UnreadableFile.h"
#include "foundation/files/ProgramFiles.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeHost.h"
#include "app/core/OracleScheme.h"
#include "app/core/SchemeWrapper.h"
#include "app/gui/SchTimeEditor.h"
#include "foundation/base/Exception.h"
#include "foundation/text/Format.h"
#include "foundation/objects/OlvStringList.h"
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include "app/gui/SchCompress.h"
#include "app/gui/SchPwd.h"
#include "foundation/base/MessageBoxes.h"
#include "platform/MainThread.h"
#include "platform/ProcessRegistry.h"
#include "widgets/OlvIeCtrls.h"
#include "widgets/OlvTraybar.h"
#include "widgets/qt/QtBrowserHost.h"
#include "widgets/qt/QtTrayHost.h"

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

  info_ = std::make_unique<InformationPane>(webView_, options_.pictureFolder, options_.animationClock);
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
  const std::string fileName = options_.schemeFile.empty() ? olv::SchemeFilePath() : options_.schemeFile;
  if (options_.settingsFile.empty()) options_.settingsFile = olv::SettingsFilePath();
  config_ = ReadMainConfig(options_.settingsFile);
  config_.langId = 0;
  connect(ActionOf(Action::ShowDos), &QAction::toggled, this, [this](bool on) { showDos_->store(on); });
  ActionOf(Action::ShowDos)->setChecked(config_.showDosWindow);
  host_ = std::make_unique<SchemeHost>(options_.mainThread, options_.processes);
  host_->SetRunNotice([this](TSchemeObject& scheme, int param) { SchemeRunNotice(param, &scheme); });
  std::unique_ptr<TSchemeWrapper> start;
  try {
    start = LoadObjectFromFile(fileName);
  } catch (const std::exception& e) {
    // Keep the unreadable file: the next save would otherwise replace it with an empty one.
    std::string kept = MoveAsideUnreadable(fileName);
    olv::ErrorBox("Error", std::string(e.what()) + (kept.empty() ? "" : "\nThe file was kept as " + kept + "."));
  }
  SetWrapper(std::move(start), fileName);

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
        const std::string password = Wrapper()->GetPassword();
        if (!password.empty() && Wrapper()->CheckPwdForRestore) {
          SchemePasswordData data{password, true};
          if (!SetupSchemePassword(data, false, nullptr)) return;
        }
      } catch (const std::exception& e) {
        olv::ErrorBox("Error", e.what());
        return;
      }
      bar.ShowOwner();
    };
  }
  connect(edtName_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (TSchemeObject* scheme = SelectedScheme()) {
      scheme->SetSchName(text.toStdString());
      if (QTreeWidgetItem* node = NodeOf(scheme)) node->setText(0, text);
    }
  });
  connect(chkAuto_, &QCheckBox::toggled, this, [this](bool on) {
    if (TSchemeObject* scheme = SelectedScheme(); scheme && !filling_) scheme->AutoExec = on;
    UpdateUI();
  });
  connect(timeModel_, &QButtonGroup::idClicked, this, [this](int mode) {
    if (TSchemeObject* scheme = SelectedScheme()) {
      scheme->SchemeTime->FMode = static_cast<uint8_t>(mode);
      FillRunTimes();
    }
  });
  connect(lstTimes_, &QListWidget::itemDoubleClicked, this, [this] { ActionOf(Action::TimeEdit)->trigger(); });
  connect(lstTimes_, &QListWidget::currentRowChanged, this, [this] { UpdateUI(); });
  connect(lvLogs_, &QTableWidget::itemSelectionChanged, this, [this] { UpdateUI(); });
  connect(chkClearLogs_, &QCheckBox::toggled, this, [this](bool on) {
    if (TSchemeObject* scheme = SelectedScheme(); scheme && !filling_) scheme->AutoClearLogs = on;
  });
  connect(chkDelDmp_, &QCheckBox::toggled, this, [this](bool on) {
    if (TSchemeObject* scheme = SelectedScheme(); scheme && !filling_) scheme->DelDmpFile = on;
  });
  connect(edtRemain_, &QSpinBox::valueChanged, this, [this](int n) {
    if (TSchemeObject* scheme = SelectedScheme(); scheme && !filling_) scheme->RemainCount = n;
  });
  connect(edtExtParams_, &QTableWidget::cellChanged, this, [this](int row, int column) {
    TSchemeObject* scheme = SelectedScheme();
    if (!scheme || filling_ || column != 1) return;
    TItemDescription* param = scheme->GetParam(row);
    if (!param || param->DlgType == dtTextEditor) return;
    param->SetKeyValue(edtExtParams_->item(row, 1)->text().toStdString());
    edtCmdScrips_->setPlainText(QString::fromStdString(scheme->UpdateState()));
    RefreshNode(NodeOf(scheme));
  });
  // The edit button of a parameter: a double click on its value.
  connect(edtExtParams_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    TSchemeObject* scheme = SelectedScheme();
    TItemDescription* param = scheme ? scheme->GetParam(row) : nullptr;
    if (!param || param->ReadOnly) return;
    bool changed = false;
    if (param->EditStyle == esPickList && param->PickList->Count() > 0) {
      QStringList items;
      for (int i = 0; i < param->PickList->Count(); ++i) items << QString::fromStdString(param->PickList->Strings(i));
      bool ok = false;
      QString chosen = QInputDialog::getItem(this, QString::fromStdString(param->GetKeyDesc()), "Value", items,
                                             std::max(0, static_cast<int>(items.indexOf(QString::fromStdString(param->KeyValue())))),
                                             false, &ok);
      if (ok) {
        param->SetKeyValue(chosen.toStdString());
        changed = true;
      }
    } else if (param->EditStyle == esEllipsis || param->DlgType != dtNone) {
      changed = scheme->EditParam(row);
    }
    if (changed) {
      FillSchemePage();
      RefreshNode(NodeOf(scheme));
      UpdateUI();
    }
  });
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
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
  Shutdown();
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
  row->addStretch();
  layout->addLayout(row);
  layout->addWidget(group);
  return page;
}

SelectionState TSchMainForm::CurrentSelection() const {
  SelectionState s;
  QTreeWidgetItem* item = tree_->currentItem();
  if (item) s.node = static_cast<NodeKind>(item->data(0, kKindRole).toInt());
  if (TSchemeObject* scheme = SelectedScheme()) {
    s.schemeState = scheme->State;
    s.autoExec = scheme->AutoExec;
    // The timer thread exists from its first start; stopped, it is suspended.
    s.hasTimerThread = scheme->TimerStarted();
    s.timerSuspended = false;
  }
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
  if (QTreeWidgetItem* node = tree_->currentItem()) RefreshNode(node);
  WriteInformationPage();
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

void TSchMainForm::NotAvailable() { olv::ShowInfo(kNotAvailableYet); }

void TSchMainForm::Execute(Action action) {
  TSchemeObject* scheme = SelectedScheme();
  try {
    switch (action) {
      case Action::Exit: close(); return;
      case Action::Compress: ShowCompressForm(this); break;
      case Action::ShowDos: break;  // the check mark is the state
      case Action::About:
        olv::InfoBox("About", std::string(kMainCaption) + "\nBackup schemes for Oracle databases.");
        break;
      case Action::Save: Save(); break;
      case Action::SaveAs: {
        std::string name = PickSchemeFile(true);
        if (!name.empty() && !host_->SaveAs(name)) throw olv::Exception(host_->LastSaveError());
        break;
      }
      case Action::Load: LoadCommand(); break;
      case Action::SetPwd: {
        TSchemeWrapper* w = Wrapper();
        SchemePasswordData data{w->GetPassword(), w->CheckPwdForRestore};
        if (SetupSchemePassword(data, true, this)) {
          w->SetPassword(data.password);
          w->CheckPwdForRestore = data.checkPwdForRestore;
        }
        break;
      }
      case Action::SchAdd: {
        QTreeWidgetItem* node = tree_->currentItem();
        if (!node || node == root_) break;
        if (static_cast<NodeKind>(node->data(0, kKindRole).toInt()) == NodeKind::Scheme) node = node->parent();
        int category = -1;
        for (int i = 0; i < 3; ++i)
          if (categories_[i] == node) category = i;
        if (category < 0) break;
        if (TSchemeObject* added = Wrapper()->AddScheme(kNewSchemeName, KindOfCategory(category))) {
          added->UpdateState();
          tree_->setCurrentItem(AddSchemeNode(added));
        }
        break;
      }
      case Action::SchDel:
        if (!scheme || scheme->State == ssRunning) break;
        if (olv::ConfirmQuestion("Are you sure to delete")) {
          QTreeWidgetItem* node = NodeOf(scheme);
          tree_->setCurrentItem(node->parent());
          Wrapper()->DeleteScheme(Wrapper()->IndexOf(scheme));
          delete node;
          Save();
        }
        break;
      case Action::TimeAdd: {
        if (!scheme) break;
        auto item = std::make_unique<TSchemeTimeItem>();
        if (EditTime(*item, scheme->SchemeTime->FMode)) {
          lstTimes_->addItem(QString::fromStdString(item->GetText(scheme->SchemeTime->FMode)));
          scheme->SchemeTime->Add(std::move(item));
        }
        break;
      }
      case Action::TimeEdit: {
        TSchemeTimeItem* item = scheme ? scheme->SchemeTime->GetItem(lstTimes_->currentRow()) : nullptr;
        if (item && EditTime(*item, scheme->SchemeTime->FMode))
          lstTimes_->currentItem()->setText(QString::fromStdString(item->GetText(scheme->SchemeTime->FMode)));
        break;
      }
      case Action::TimeDel: {
        const int row = lstTimes_->currentRow();
        TSchemeTimeItem* item = scheme ? scheme->SchemeTime->GetItem(row) : nullptr;
        if (item && olv::ConfirmQuestion("Are you sure to delete <" + item->GetText(scheme->SchemeTime->FMode) + ">")) {
          scheme->SchemeTime->Delete(row);
          delete lstTimes_->takeItem(row);
        }
        break;
      }
      case Action::TimeClear:
        if (scheme && olv::ConfirmQuestion("Are you sure to clear")) {
          for (int i = scheme->SchemeTime->Count() - 1; i >= 0; --i) scheme->SchemeTime->Delete(i);
          lstTimes_->clear();
        }
        break;
      case Action::LogDel: {
        if (!scheme || !olv::ConfirmQuestion("Are you sure to delete")) break;
        QList<int> rows;
        for (const auto& range : lvLogs_->selectedRanges())
          for (int r = range.topRow(); r <= range.bottomRow(); ++r) rows << r;
        std::sort(rows.begin(), rows.end(), std::greater<int>());
        for (int r : rows) {
          scheme->DeleteLog(r);
          lvLogs_->removeRow(r);
        }
        break;
      }
      case Action::LogClear:
        if (scheme && olv::ConfirmQuestion("Are you sure to clear")) {
          scheme->ClearLogs();
          lvLogs_->setRowCount(0);
          Save();
        }
        break;
      case Action::LogDetail: {
        TSchemeLog* log = scheme ? scheme->GetLog(lvLogs_->currentRow()) : nullptr;
        if (log) {
          RunLogRow row;
          const int r = lvLogs_->currentRow();
          for (int c = 0; c < static_cast<int>(row.cells.size()) && c < lvLogs_->columnCount(); ++c)
            if (QTableWidgetItem* item = lvLogs_->item(r, c)) row.cells[c] = item->text().toStdString();
          ShowRunLog(*log, row, this);
        }
        break;
      }
      case Action::SchRun:
        if (scheme && scheme->State == ssWaiting) scheme->RunInBackground();
        break;
      case Action::TimeStart:
        if (scheme && scheme->AutoExec) scheme->StartTimer();
        break;
      case Action::TimeStop:
        if (scheme) scheme->StopTimer();
        break;
      case Action::TimeStartAll:
        // Only schemes the user allowed to run by themselves: a timer runs its scheme when due.
        for (int i = 0; i < Wrapper()->Count(); ++i)
          if (TSchemeObject* each = Wrapper()->GetScheme(i); each && each->AutoExec) each->StartTimer();
        break;
      case Action::TimeStopAll: host_->StopAllTimers(); break;
      case Action::TermRuning:
        // Command files are the user's own programs: only the database tools are ended here.
        if (scheme && dynamic_cast<TOracleScheme*>(scheme)) host_->TerminateScheme(*scheme);
        break;
      case Action::TermAllRuning: host_->TerminateAll(); break;
      default: NotAvailable(); break;
    }
  } catch (const std::exception& e) {
    olv::ErrorBox("Error", e.what());
  }
  UpdateUI();
}

void TSchMainForm::SetWrapper(std::unique_ptr<TSchemeWrapper> wrapper, const std::string& fileName) {
  tree_->setCurrentItem(root_);
  for (auto* category : categories_) qDeleteAll(category->takeChildren());
  for (int i = root_->childCount() - 1; i >= 3; --i) delete root_->takeChild(i);
  // The host ends the threads of the schemes it had, takes these and starts their timers.
  host_->Adopt(std::move(wrapper), fileName);
  TSchemeWrapper* w = Wrapper();
  // Called on the run's thread: the check mark is read through its atomic copy.
  w->OnBeforeRun = [showDos = showDos_](TSchemeObject& scheme) { scheme.ShowDos = showDos->load(); };
  for (int i = 0; i < w->Count(); ++i) tree_->setCurrentItem(AddSchemeNode(w->GetScheme(i)));
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
  static const QIcon waiting = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  static const QIcon running = QApplication::style()->standardIcon(QStyle::SP_MediaPlay);
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
  lstTimes_->clear();
  TSchemeObject* scheme = SelectedScheme();
  if (!scheme) return;
  olv::TStringList texts;
  scheme->SchemeTime->GetTexts(texts);
  for (int i = 0; i < texts.Count(); ++i) lstTimes_->addItem(QString::fromStdString(texts.Strings(i)));
}

void TSchMainForm::FillSchemePage() {
  TSchemeObject* scheme = SelectedScheme();
  if (!scheme) return;
  filling_ = true;
  edtName_->setText(QString::fromStdString(scheme->SchName()));
  const int category = CategoryOfKind(scheme->SchType());
  edtType_->setText(category < 0 ? QString() : Q(kCategoryNames[category]));
  chkAuto_->setChecked(scheme->AutoExec);
  if (auto* b = timeModel_->button(scheme->SchemeTime->FMode)) b->setChecked(true);
  FillRunTimes();
  edtExtParams_->setRowCount(scheme->ParamCount());
  for (int i = 0; i < scheme->ParamCount(); ++i) {
    TItemDescription* p = scheme->GetParam(i);
    auto* name = new QTableWidgetItem(QString::fromStdString(p->GetKeyDesc()));
    name->setFlags(name->flags() & ~Qt::ItemIsEditable);
    if (p->Tag & kTagRequired) {
      QFont f = name->font();
      f.setBold(true);
      name->setFont(f);
    }
    QString value = QString::fromStdString(p->KeyValue());
    auto* cell = new QTableWidgetItem(value);
    if (p->Tag & kTagPassword) cell->setText(QString(value.size(), '*'));
    if (p->ReadOnly || p->EditStyle == esPickList || p->EditStyle == esEllipsis) {
      // Read-only values, pick lists and pickers change through the double click only.
      cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
    }
    if (p->ReadOnly) name->setForeground(palette().color(QPalette::Dark));
    if (p->DlgType == dtTextEditor) {
      QString first = value.section('\n', 0, 0).trimmed();
      cell->setText(first.isEmpty() ? "(no value)" : first);
      cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
    }
    edtExtParams_->setItem(i, 0, name);
    edtExtParams_->setItem(i, 1, cell);
  }
  edtCmdScrips_->setPlainText(QString::fromStdString(scheme->UpdateState()));
  chkClearLogs_->setChecked(scheme->AutoClearLogs);
  chkDelDmp_->setChecked(scheme->DelDmpFile);
  edtRemain_->setValue(scheme->RemainCount);
  filling_ = false;
}

void TSchMainForm::FillLogPage() {
  TSchemeObject* scheme = SelectedScheme();
  if (!scheme || pcAll_->currentWidget() != pageLogs_) return;
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
  if (FileName().empty()) {
    std::string name = PickSchemeFile(true);
    if (!name.empty() && !host_->SaveAs(name)) throw olv::Exception(host_->LastSaveError());
    return;
  }
  if (!host_->Save()) throw olv::Exception(host_->LastSaveError());
}

void TSchMainForm::LoadCommand() {
  if (!LoadAllowed(Running())) {
    olv::ShowInfo(kLoadWhileRunning);
    return;
  }
  std::string name = PickSchemeFile(false);
  if (name.empty()) return;
  // An unreadable choice raises here and the current schemes stay.
  std::unique_ptr<TSchemeWrapper> loaded = LoadObjectFromFile(name);
  if (loaded) {
    const std::string password = loaded->GetPassword();
    if (!password.empty()) {
      SchemePasswordData data{password, loaded->CheckPwdForRestore};
      if (!SetupSchemePassword(data, false, this)) return;  // the current container stays
    }
  }
  // The password dialog ran an event loop: a timer may have started a run meanwhile.
  if (!LoadAllowed(Running())) {
    olv::ShowInfo(kLoadWhileRunning);
    return;
  }
  SetWrapper(std::move(loaded), name);
}

void TSchMainForm::SchemeRunNotice(int phase, TSchemeObject* scheme) {
  if (!scheme) return;
  // The database character set is read here on the start once the Oracle tools exist. The host
  // has listed the run and, at its end, saved the file: a failed save is shown, not raised into
  // the run.
  if (phase == plat::kSchemeRunEnded && !host_->LastSaveError().empty())
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

void TSchMainForm::closeEvent(QCloseEvent* event) {
  if (!shutDown_) {
    try {
      Save();
    } catch (const std::exception& e) {
      olv::ErrorBox("Error", e.what());
    }
  }
  Shutdown();
  event->accept();
}

}  // namespace sch
