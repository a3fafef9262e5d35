#include "skin/qt/QtSkinning.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "foundation/dialogs/MessageBoxes.h"
#include "foundation/files/Folders.h"
#include "platform/Dialogs.h"
#include "skin/SkinReader.h"
#include "skin/qt/SkinPainter.h"
#include "skin/qt/SkinStyle.h"
#include "skin/qt/WinSkinForm.h"

namespace skin {

namespace {

TQtSkinning* gInstance = nullptr;

bool IsFormWindow(const QWidget* w) {
  if (!w->isWindow() || qobject_cast<const QMenu*>(w)) return false;
  const Qt::WindowType type = w->windowType();
  return type == Qt::Window || type == Qt::Dialog;
}

// The class library's class a Qt control stands for, and what it derives from there.
TControlInfo Describe(const QWidget* w) {
  TControlInfo c;
  c.tag = w->property("tag").toInt();
  c.kinds = ckWinControl;
  if (auto* b = qobject_cast<const QPushButton*>(w)) {
    c.className = b->icon().isNull() ? "TButton" : "TBitBtn";
    c.kinds |= ckButton | (b->icon().isNull() ? 0u : uint32_t{ckBitBtn});
  } else if (qobject_cast<const QToolButton*>(w)) {
    // Buttons of a tool bar are its own; a free one is a speed button.
    if (qobject_cast<const QToolBar*>(w->parentWidget())) {
      c.className = "TToolButton";
      c.kinds = 0;
    } else {
      c.className = "TSpeedButton";
      c.kinds = ckSpeedButton;
    }
  } else if (qobject_cast<const QCheckBox*>(w)) {
    c.className = "TCheckBox", c.kinds |= ckCustomCheckBox;
  } else if (qobject_cast<const QRadioButton*>(w)) {
    c.className = "TRadioButton", c.kinds |= ckRadioButton;
  } else if (qobject_cast<const QGroupBox*>(w)) {
    c.className = "TGroupBox", c.kinds |= ckCustomGroupBox;
  } else if (qobject_cast<const QComboBox*>(w)) {
    c.className = "TComboBox";
  } else if (auto* d = qobject_cast<const QDateTimeEdit*>(w)) {
    c.className = "TDateTimePicker";
    c.timeKind = !(d->displayedSections() & QDateTimeEdit::DateSections_Mask);
  } else if (qobject_cast<const QAbstractSpinBox*>(w)) {
    c.className = "TSpinEdit", c.kinds |= ckCustomEdit;
  } else if (qobject_cast<const QLineEdit*>(w)) {
    c.className = "TEdit", c.kinds |= ckCustomEdit;
  } else if (qobject_cast<const QTextBrowser*>(w)) {
    c.className = "TWebBrowserEx", c.scrollStyle = true;
  } else if (qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w)) {
    c.className = "TMemo", c.kinds |= ckCustomMemo | ckMemo | ckCustomEdit;
  } else if (auto* t = qobject_cast<const QTreeView*>(w)) {
    // A tree with column headers is a report-style list view. (A header not shown yet is not
    // hidden: only one hidden on purpose counts.)
    const QHeaderView* header = t->header();  // none while the view is being made
    if (!header || (header->isHidden() && header->testAttribute(Qt::WA_WState_ExplicitShowHide)))
      c.className = "TTreeView", c.kinds |= ckCustomTreeView;
    else
      c.className = "TListView", c.kinds |= ckCustomListView;
  } else if (qobject_cast<const QTableView*>(w)) {
    c.className = "TListView", c.kinds |= ckCustomListView;
  } else if (qobject_cast<const QListView*>(w)) {
    c.className = "TListBox", c.kinds |= ckListBox | ckCustomListBox;
  } else if (qobject_cast<const QAbstractScrollArea*>(w)) {
    c.className = "TScrollBox", c.scrollStyle = true;
  } else if (qobject_cast<const QTabWidget*>(w)) {
    c.className = "TPageControl", c.kinds |= ckPageControl;
  } else if (qobject_cast<const QProgressBar*>(w)) {
    c.className = "TProgressBar";
  } else if (qobject_cast<const QSlider*>(w)) {
    c.className = "TTrackBar";
  } else if (qobject_cast<const QScrollBar*>(w)) {
    c.className = "TScrollBar";
  } else if (qobject_cast<const QStatusBar*>(w)) {
    c.className = "TStatusBar", c.kinds |= ckStatusBar;
  } else if (qobject_cast<const QToolBar*>(w)) {
    c.className = "TToolBar", c.kinds |= ckToolBar;
  } else {
    c.className = w->metaObject()->className();
  }
  return c;
}

// The window class and style a control of a dialog without a form has.
TSkinDecision DecideByWindowClass(const QWidget* w) {
  if (qobject_cast<const QPushButton*>(w)) return DecideWindow("Button", 0);
  if (qobject_cast<const QCheckBox*>(w)) return DecideWindow("Button", 3);
  if (qobject_cast<const QRadioButton*>(w)) return DecideWindow("Button", 9);
  if (auto* c = qobject_cast<const QComboBox*>(w)) return DecideWindow("ComboBox", c->isEditable() ? 2 : 3);
  if (qobject_cast<const QLineEdit*>(w)) return DecideWindow("Edit", 0);
  if (qobject_cast<const QTabBar*>(w)) return DecideWindow("SysTabControl32", 0);
  return {};
}

}  // namespace

TQtSkinning* TQtSkinning::Instance() { return gInstance; }

std::unique_ptr<TSkinData> TQtSkinning::LoadPackage(std::span<const uint8_t> package) {
  auto data = std::make_unique<TSkinData>();
  // As the main window's form sets it.
  data->SkinControls.Remove(xcSystemMenu).Remove(xcFastReport);
  data->Skin3rd.push_back("TLabeledEdit=Edit");
  data->SetPackage(std::vector<uint8_t>(package.begin(), package.end()));
  return data;
}

TQtSkinning::TQtSkinning(std::span<const uint8_t> package, Options options)
    : TQtSkinning(LoadPackage(package), options) {}

TQtSkinning::TQtSkinning(std::unique_ptr<TSkinData> loaded, Options options) : options_(options) {
  gInstance = this;
  manager_ = &CreateSkinManager(*this);
  data_ = std::move(loaded);
  // The package may have been unpacked on another thread, where no box could be shown.
  data_->OnPackageRefused = [](TSkinData&) {
    olv::AppMessageBox(olv::GetProgramName(), TSkinReader::kRefusedText, plat::MB_OK);
  };
  if (data_->PackageRefused()) data_->OnPackageRefused(*data_);
  data_->SetActive(true);

  previousStyleName_ = QApplication::style()->name();
  style_ = new TSkinStyle(*this, QStyleFactory::create(previousStyleName_));
  QApplication::setStyle(style_);

  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] {
    manager_->DoAction();
    ForgetDecisions();
  });
  qApp->installEventFilter(this);
  data_->Loaded();
}

TQtSkinning::~TQtSkinning() {
  qApp->removeEventFilter(this);
  timer_.stop();
  // The component takes its skin off the windows as it goes; then the manager.
  data_.reset();
  FreeSkinManager();
  decisions_.clear();
  QApplication::setStyle(QStyleFactory::create(previousStyleName_));
  TSkinPainter::ForgetAll();
  gInstance = nullptr;
}

void TQtSkinning::PrepareForm(QWidget* window) {
  if (window && IsFormWindow(window) && manager_->AddForm(window)) ForgetDecisions();
}

TWinSkinForm* TQtSkinning::FormOf(const QWidget* window) const {
  return static_cast<TWinSkinForm*>(manager_->FindForm(window));
}

void TQtSkinning::ForgetDecisions() { decisions_.clear(); }

TWidgetSkin TQtSkinning::SkinOf(const QWidget* widget) {
  if (!widget) return {};
  const auto found = decisions_.constFind(widget);
  if (found != decisions_.constEnd()) return *found;
  const TWidgetSkin skin = Decide(widget);
  // A widget still being made is not yet what it will be (its class is a base class's while the
  // base constructs): decide again until it has been polished.
  if (!widget->testAttribute(Qt::WA_WState_Polished)) return skin;
  decisions_.insert(widget, skin);
  QObject::connect(widget, &QObject::destroyed, this, [this, widget] { decisions_.remove(widget); });
  return skin;
}

TWidgetSkin TQtSkinning::Decide(const QWidget* widget) {
  if (auto* menu = qobject_cast<const QMenu*>(widget)) {
    TWindowFacts facts;
    facts.className = "#32768";
    TSkinData* c = manager_->PopupComponent(facts);
    if (!c) return {};
    if (menu->property(TWinSkinForm::kSystemMenuProperty).toBool() && !c->SkinControls.Has(xcSystemMenu)) return {};
    bool fromBar = false;
    for (const QWidget* p = menu->parentWidget(); p; p = p->parentWidget())
      if (qobject_cast<const QMenuBar*>(p)) fromBar = true;
    if (!c->SkinControls.Has(fromBar ? xcMainMenu : xcPopupMenu)) return {};
    TWidgetSkin s;
    s.data = c;
    s.menu = true;
    return s;
  }
  TWinSkinForm* form = FormOf(widget->window());
  if (!form) return {};
  TSkinData& c = form->Component();
  TWidgetSkin s;
  s.data = &c;
  if (qobject_cast<const QMenuBar*>(widget)) {
    if (!c.SkinControls.Has(xcMainMenu)) return {};
    s.menuBar = true;
    return s;
  }
  // The parts of a compound control are drawn as the control decides.
  const QWidget* parent = widget->parentWidget();
  const QWidget* grand = parent ? parent->parentWidget() : nullptr;
  if (qobject_cast<const QScrollBar*>(widget) && qobject_cast<const QAbstractScrollArea*>(grand)) {
    const TSkinObjectKind area = SkinOf(grand).kind;
    s.kind = area == TSkinObjectKind::SkinScrollBar || area == TSkinObjectKind::SkinListView
                 ? TSkinObjectKind::SkinScrollBar
                 : TSkinObjectKind::None;
    return s;
  }
  if (qobject_cast<const QHeaderView*>(widget) && qobject_cast<const QAbstractItemView*>(parent)) {
    s.kind = SkinOf(parent).kind == TSkinObjectKind::SkinListView ? TSkinObjectKind::SkinListView
                                                                  : TSkinObjectKind::None;
    return s;
  }
  if ((qobject_cast<const QTabBar*>(widget) && qobject_cast<const QTabWidget*>(parent)) ||
      (qobject_cast<const QLineEdit*>(widget) &&
       (qobject_cast<const QAbstractSpinBox*>(parent) || qobject_cast<const QComboBox*>(parent)))) {
    s.kind = SkinOf(parent).kind;
    return s;
  }
  if (widget->isWindow()) {
    s.kind = TSkinObjectKind::None;
    return s;
  }
  const std::string formClass = WindowClassName(widget->window());
  const TSkinDecision d = formClass == "#32770"
                              ? DecideByWindowClass(widget)
                              : c.DecideControl(formClass, Describe(widget));
  s.kind = d.object;
  return s;
}

std::string TQtSkinning::WindowClassName(const QWidget* window) {
  if (qobject_cast<const QMessageBox*>(window)) return "TMessageForm";
  if (qobject_cast<const QFileDialog*>(window) || qobject_cast<const QColorDialog*>(window) ||
      qobject_cast<const QFontDialog*>(window))
    return "#32770";
  return window->metaObject()->className();
}

std::vector<TWindowId> TQtSkinning::ApplicationForms() {
  std::vector<TWindowId> forms;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (IsFormWindow(w)) forms.push_back(w);
  return forms;
}

TWindowFacts TQtSkinning::Facts(TWindowId window) {
  const auto* w = static_cast<const QWidget*>(window);
  TWindowFacts f;
  f.className = WindowClassName(w);
  f.tag = w->property("tag").toInt();
  f.child = !w->isWindow();
  f.hasArea = !w->size().isEmpty();
  f.answersSkinned = w->property(TWinSkinForm::kSkinnedProperty).toBool();
  f.form = window;
  return f;
}

std::unique_ptr<TSkinnedWindow> TQtSkinning::AttachWindow(TWindowId window, TSkinData& component) {
  auto* w = const_cast<QWidget*>(static_cast<const QWidget*>(window));
  if (!IsFormWindow(w)) return nullptr;
  ForgetDecisions();
  return std::make_unique<TWinSkinForm>(w, component, *this);
}

void TQtSkinning::StartActionTimer(int ms) { timer_.start(ms); }

void TQtSkinning::StopActionTimer() { timer_.stop(); }

bool TQtSkinning::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::Polish || type == QEvent::WindowActivate) && watched->isWidgetType()) {
    auto* w = static_cast<QWidget*>(watched);
    if (IsFormWindow(w)) {
      const size_t before = manager_->FormCount();
      if (type == QEvent::Polish)
        manager_->AddForm(w);
      else
        manager_->WindowActivated(w);
      if (manager_->FormCount() != before) ForgetDecisions();
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace skin
