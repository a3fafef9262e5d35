#include "widgets/qt/OlvForm.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "foundation/base/Exception.h"
#include "foundation/files/Folders.h"
#include "foundation/text/TextFields.h"
#include "widgets/forms/DesignSize.h"
#include "widgets/forms/FormTexts.h"
#include "widgets/forms/Screen.h"
#include "widgets/qt/HintBar.h"

namespace olv {

namespace {

std::vector<TForm*> gForms;  // every library form alive, in the order they were made
TForm* gLastActive = nullptr;
QPointer<QWidget> gMainForm;

bool IsLiveForm(const TForm* form) { return std::find(gForms.begin(), gForms.end(), form) != gForms.end(); }

bool IsInternal(const QObject* o) { return o->objectName().startsWith(QLatin1String("qt_")) || IsClickEventCarrier(o); }

void ScaleWidgets(QWidget* parent, int numerator, int denominator) {
  for (QObject* o : parent->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow()) continue;
    const QRect g = w->geometry();
    const TRect r = ScaleRect({g.x(), g.y(), g.width(), g.height()}, numerator, denominator);
    w->setGeometry(r.left, r.top, r.width, r.height);
    if (w->testAttribute(Qt::WA_SetFont)) {
      QFont f = w->font();
      if (f.pixelSize() > 0) {
        f.setPixelSize(std::max(1, ScaleFontSize(f.pixelSize(), numerator, denominator)));
      } else if (f.pointSize() > 0) {
        f.setPointSize(std::max(1, ScaleFontSize(f.pointSize(), numerator, denominator)));
      }
      w->setFont(f);
    }
    ScaleWidgets(w, numerator, denominator);
  }
}

void CollectWidgets(QWidget* parent, std::vector<QPointer<QWidget>>& out) {
  for (QObject* o : parent->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow()) continue;
    out.emplace_back(w);
    CollectWidgets(w, out);
  }
}

}  // namespace

TForm::TForm(QWidget* parent) : QWidget(parent) { gForms.push_back(this); }

TForm::~TForm() {
  if (gLastActive == this) gLastActive = nullptr;
  ClearHandlers();
  gForms.erase(std::remove(gForms.begin(), gForms.end(), this), gForms.end());
  if (TScreen* screen = LiveScreen()) screen->FormDestroyed(this);
}

void TForm::SetMainForm(QWidget* form) { gMainForm = form; }

TForm* TForm::LastActiveForm() { return gLastActive; }

void TForm::CompleteCreation() {
  if (created_) return;
  created_ = true;
  HookEvents();
  FitToDesignSize();
  BuildCustomizeMenu();
  RestoreLayout();
}

void TForm::FitToDesignSize() {
  if (!FitsForms()) return;
  const TFormFit fit = FitForm(DesignSize(), x(), y(), position_ == TFormPosition::poDesigned, width(), height());
  if (position_ == TFormPosition::poDesigned) move(fit.left, fit.top);
  QFont f = font();
  if (f.pointSize() > 0) {
    f.setPointSize(std::max(1, ScaleFontSize(f.pointSize(), fit.scaleNumerator, fit.scaleDenominator)));
  } else if (f.pixelSize() > 0) {
    f.setPixelSize(std::max(1, ScaleFontSize(f.pixelSize(), fit.scaleNumerator, fit.scaleDenominator)));
  }
  setFont(f);
  ScaleWidgets(this, fit.scaleNumerator, fit.scaleDenominator);
  resize(fit.clientWidth, fit.clientHeight);
}

// ------------------------------------------------------------------------------------------
// Title, note and tag

std::string TForm::GetTitle() const { return CaptionTitle(windowTitle().toStdString()); }

void TForm::SetTitle(const std::string& title) {
  setWindowTitle(QString::fromStdString(CaptionWithTitle(windowTitle().toStdString(), title)));
}

std::string TForm::TitleNote() const { return CaptionNote(windowTitle().toStdString()); }

void TForm::SetTitleNote(const std::string& note) {
  setWindowTitle(QString::fromStdString(CaptionWithNote(windowTitle().toStdString(), note)));
}

std::uint16_t TForm::TagHW() const { return TagHigh(tag_); }
void TForm::SetTagHW(std::uint16_t value) { tag_ = WithTagHigh(tag_, value); }
std::uint16_t TForm::TagLW() const { return TagLow(tag_); }
void TForm::SetTagLW(std::uint16_t value) { tag_ = WithTagLow(tag_, value); }

// ------------------------------------------------------------------------------------------
// Calling form and events

void TForm::NoteCallingForm() {
  if (prevForm_ || this == gMainForm) return;
  for (QWidget* p = parentWidget(); p; p = p->parentWidget()) {
    if (auto* owner = dynamic_cast<TForm*>(p)) {
      gLastActive = owner;
      break;
    }
  }
  if (gLastActive && IsLiveForm(gLastActive)) {
    prevForm_ = gLastActive;
    // No chain of calling forms may lead back to this one. The walk is bounded by the number of
    // forms, so a chain that someone closed into a ring elsewhere cannot hold it.
    std::size_t steps = 0;
    for (TForm* f = prevForm_; f && steps <= gForms.size(); f = f->prevForm_, ++steps) {
      if (f == this) {
        prevForm_ = nullptr;
        break;
      }
    }
  }
  if (prevForm_) prevFormCtrl_ = prevForm_->lastSender_.data();
}

void TForm::NoteActiveForm() { gLastActive = this; }

std::string TForm::FormPath() {
  NoteCallingForm();
  std::string path = "\\" + objectName().toStdString();
  if (prevForm_ && IsLiveForm(prevForm_)) {
    std::string before = prevForm_->FormPath();
    if (prevFormCtrl_) before += "." + prevFormCtrl_->objectName().toStdString();
    path = before + path;
  }
  return path;
}

QWidget* TForm::ActiveControl() const {
  if (!parentWidget()) return focusWidget();
  QWidget* focused = QApplication::focusWidget();
  for (QWidget* p = focused ? focused->parentWidget() : nullptr; p; p = p->parentWidget()) {
    if (p == this) return focused;
  }
  return nullptr;
}

bool TForm::RegisterHandler(QObject* component, const TNotifyEvent& handler) {
  if (!handler) return true;
  if (handler.dispatcher == this) return false;
  for (HandlerRecord& r : handlers_) {
    if (r.component == component) {
      r.handler = handler;
      return true;
    }
  }
  handlers_.push_back({component, handler});
  return true;
}

TNotifyEvent TForm::GetHandler(const QObject* component) const {
  for (const HandlerRecord& r : handlers_) {
    if (r.component == component) return r.handler;
  }
  return {};
}

void TForm::UnregisterHandler(QObject* component) {
  auto it = std::find_if(handlers_.begin(), handlers_.end(),
                         [component](const HandlerRecord& r) { return r.component == component; });
  if (it == handlers_.end()) return;
  SetOnClick(component, it->handler);
  handlers_.erase(it);
}

void TForm::ClearHandlers() { handlers_.clear(); }

void TForm::DispatchEvent(QObject* sender) {
  NoteCallingForm();
  const TNotifyEvent handler = GetHandler(sender);
  if (handler) {
    NoteActiveForm();
    lastSender_ = sender;
    handler.code(sender);
  } else if (qobject_cast<QAction*>(sender)) {
    // An action without a handler of its own: Qt has already run what triggering it does.
    NoteActiveForm();
    lastSender_ = sender;
  }
}

void TForm::HookEvents() {
  const TNotifyEvent dispatch{[this](QObject* sender) { DispatchEvent(sender); }, this};
  for (QObject* o : findChildren<QObject*>()) {
    if (IsInternal(o)) continue;
    if (!o->isWidgetType() && !qobject_cast<QAction*>(o)) continue;
    if (RegisterHandler(o, OnClick(o))) SetOnClick(o, dispatch);
  }
}

// ------------------------------------------------------------------------------------------
// Background, hint bar, progress gauge

void TForm::SetBackground(std::unique_ptr<TBitmap> bitmap) {
  if (bitmap.get() == background_.get()) return;
  background_ = std::move(bitmap);
  update();
}

void TForm::SetBackgroundFile(const std::string& fileName) {
  backgroundFile_ = fileName;
  if (fileName.empty()) {
    SetBackground(nullptr);
    return;
  }
  if (!background_) background_ = std::make_unique<TBitmap>();
  try {
    background_->LoadFromFile(fileName);
  } catch (const std::exception&) {
    // A background that cannot be read leaves none, quietly.
    background_.reset();
    backgroundFile_.clear();
  }
  update();
}

void TForm::paintEvent(QPaintEvent* event) {
  if (background_ && !background_->Empty()) {
    QPainter painter(this);
    painter.fillRect(rect(), QBrush(background_->Image()));
  }
  QWidget::paintEvent(event);
}

void TForm::SetHintText(const std::string& text) { SetHintBarText(hintBar_.data(), text); }

void TForm::RepaintHintBar() { RepaintHintBarNow(hintBar_.data()); }

std::unique_ptr<TProgressGauge> TForm::CreateProgressGauge() {
  QWidget* host = this;
  auto* bar = qobject_cast<QWidget*>(hintBar_.data());
  if (bar && bar->parentWidget()) host = bar->parentWidget();
  return MakeProgressGauge(this, host, bar);
}

// ------------------------------------------------------------------------------------------
// Moving, sizing, activation

void TForm::PostMovedOrSized() {
  // The window message 7691 of the original: handled after the move or resize is complete.
  QMetaObject::invokeMethod(this, [this] { MovedOrSized(); }, Qt::QueuedConnection);
}

void TForm::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  PostMovedOrSized();
}

void TForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PostMovedOrSized();
}

void TForm::showEvent(QShowEvent* event) {
  CompleteCreation();
  QWidget::showEvent(event);
}

void TForm::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    NoteCallingForm();
    QWidget::changeEvent(event);
    NoteActiveForm();
    return;
  }
  QWidget::changeEvent(event);
}

void TForm::MoveTo(const QPoint& point) {
  int screenWidth = 0, screenHeight = 0;
  if (TScreen* screen = LiveScreen()) {
    screenWidth = screen->Width();
    screenHeight = screen->Height();
  } else if (QScreen* s = QGuiApplication::primaryScreen()) {
    screenWidth = s->geometry().width();
    screenHeight = s->geometry().height();
  }
  const TPoint at = KeepOnScreen({point.x(), point.y()}, width(), height(), screenWidth, screenHeight);
  move(at.x, at.y);
}

// ------------------------------------------------------------------------------------------
// Layouts

std::string TForm::GetLayoutKey() const {
  return PrivateLayoutKey(GetProgramName(), GetAppUser(), GetModuleFile(), objectName().toStdString());
}

void TForm::StoreLayout(const std::string&, const TControlPositionList&) {}

std::unique_ptr<TBaseObject> TForm::ReadLayout(const std::string&) { return nullptr; }

void TForm::DeleteLayout(const std::string&) {}

bool TForm::GetCustomizeMenuTexts(std::vector<std::string>&) { return false; }

bool TForm::IsCustomizable(const QWidget* control) const {
  return control && !dynamic_cast<const TForm*>(control) && !control->isWindow() && !IsInternal(control) &&
         control != grip_;
}

void TForm::ForEachControl(const std::function<void(QWidget*)>& callback) {
  std::vector<QPointer<QWidget>> all{this};
  CollectWidgets(this, all);
  for (const QPointer<QWidget>& w : all) {
    if (w) callback(w);
  }
}

std::string TForm::GetControlPath(const QWidget* control) const {
  const std::string name = control->objectName().toStdString();
  if (!name.empty()) return name;
  for (QObject* o : control->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow()) continue;
    const std::string path = GetControlPath(w);
    if (!path.empty()) return path + ".";
  }
  return {};
}

QWidget* TForm::FindControlByPath(const std::string& path) const {
  const TControlPathParts parts = SplitControlPath(path);
  if (parts.name.empty()) return nullptr;
  QWidget* control = findChild<QWidget*>(QString::fromStdString(parts.name));
  for (std::size_t i = 0; control && i < parts.levels; ++i) control = control->parentWidget();
  return control;
}

void TForm::AddControlPosition(QWidget* control, TControlPositionList& list) {
  if (!IsCustomizable(control)) return;
  list.Add(GetControlPath(control), control->x(), control->y(), control->width(), control->height());
}

void TForm::SaveLayout(bool common) {
  TControlPositionList list;
  list.FormWidth = width();
  list.FormHeight = height();
  ForEachControl([this, &list](QWidget* w) { AddControlPosition(w, list); });
  if (list.Count() < 1) return;
  std::string key = GetLayoutKey();
  if (common) key = CommonLayoutKey(GetProgramName(), key);
  StoreLayout(key, list);
}

std::unique_ptr<TBaseObject> TForm::LoadLayout() {
  try {
    return ReadLayout(GetLayoutKey());
  } catch (const std::exception&) {
    return nullptr;  // a damaged stored layout leaves the designed one
  }
}

void TForm::ApplyLayout() {
  const std::unique_ptr<TBaseObject> stored = LoadLayout();
  if (!stored) return;
  const auto* list = dynamic_cast<const TControlPositionList*>(stored.get());
  if (!list) throw Exception("Invalid class typecast");
  if (list->FormWidth != 0) resize(list->FormWidth, height());
  if (list->FormHeight != 0) resize(width(), list->FormHeight);
  for (int i = 0; i < list->Count(); ++i) {
    const TControlPosition* p = list->Items(i);
    if (!p || p->Name.empty()) continue;
    if (QWidget* c = FindControlByPath(p->Name)) c->setGeometry(p->Left, p->Top, p->Width, p->Height);
  }
}

// ------------------------------------------------------------------------------------------
// Layout editing

void TForm::BuildCustomizeMenu() {
  if (GetPrevntCustomize()) return;
  if (!menu_) {
    menu_ = new QMenu(this);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(mapToGlobal(at)); });
  }
  std::vector<std::string> texts;
  if (!GetCustomizeMenuTexts(texts)) return;
  if (!menu_->actions().isEmpty()) menu_->addSeparator();
  for (std::string_view key : kCustomizeKeys) {
    const std::string value = ValueOfName(texts, key);
    if (value.empty()) continue;
    const TMenuText t = SplitMenuText(value);
    QAction* a = menu_->addAction(QString::fromStdString(t.caption));
    a->setObjectName(QString::fromUtf8(key.data(), static_cast<int>(key.size())));
    a->setStatusTip(QString::fromStdString(t.hint));
    TNotifyEvent handler;
    if (key == kCustomizeEnter) {
      handler.code = [this](QObject* s) { CustomizeEnterClick(s); };
    } else if (key == kCustomizeCancel) {
      handler.code = [this](QObject* s) { CustomizeCancelClick(s); };
      a->setEnabled(false);
    } else if (key == kCustomizeDelete) {
      handler.code = [this](QObject* s) { CustomizeDeleteClick(s); };
    } else {
      handler.code = [this](QObject* s) { CustomizeSaveClick(s); };
      a->setEnabled(false);
      a->setData(key == kCustomizeSave ? 100 : -100);
    }
    SetOnClick(a, handler);
  }
}

namespace {

// While an edit runs only "cancel", "save" and "common" can be chosen; otherwise only "enter" and
// "delete".
void EnableCustomizeItems(QMenu* menu, bool editing) {
  if (!menu) return;
  for (QAction* a : menu->actions()) {
    const std::string key = a->objectName().toStdString();
    if (key == kCustomizeEnter || key == kCustomizeDelete) a->setEnabled(!editing);
    if (key == kCustomizeCancel || key == kCustomizeSave || key == kCustomizeCommon) a->setEnabled(editing);
  }
}

}  // namespace

void TForm::CustomizeEnterClick(QObject*) { BeginCustomize(); }

void TForm::CustomizeCancelClick(QObject*) {
  EndCustomize();
  RestoreLayout();
}

void TForm::CustomizeSaveClick(QObject* sender) {
  EndCustomize();
  auto* a = qobject_cast<QAction*>(sender);
  SaveLayout(a && a->data().toInt() < 0);
}

void TForm::CustomizeDeleteClick(QObject*) { DeleteLayout(GetLayoutKey()); }

void TForm::BeginCustomize() {
  if (grip_) return;
  ForEachControl([this](QWidget* w) { AttachCustomizeEvents(w); });
  grip_ = new TPanel(this);
  grip_->SetBevelOuter(TBevelCut::bvNone);
  grip_->SetColor(Qt::red);
  grip_->setCursor(Qt::SizeFDiagCursor);
  grip_->resize(4, 4);
  grip_->hide();
  grip_->installEventFilter(this);
  EnableCustomizeItems(menu_, true);
}

void TForm::EndCustomize() {
  ForEachControl([this](QWidget* w) { DetachCustomizeEvents(w); });
  edited_.reset();
  delete grip_;
  grip_ = nullptr;
  gripControl_ = nullptr;
  EnableCustomizeItems(menu_, false);
}

void TForm::AttachCustomizeEvents(QWidget* control) {
  if (!IsCustomizable(control)) return;
  if (!edited_) edited_ = std::make_unique<std::vector<TControlMouseEvents>>();
  edited_->push_back({control, OnClick(control), control->isEnabled()});
  control->setEnabled(true);
  SetOnClick(control, {});
  control->installEventFilter(this);
}

void TForm::DetachCustomizeEvents(QWidget* control) {
  if (!IsCustomizable(control) || !edited_) return;
  auto it = std::find_if(edited_->begin(), edited_->end(),
                         [control](const TControlMouseEvents& e) { return e.control == control; });
  if (it == edited_->end()) return;
  control->removeEventFilter(this);
  SetOnClick(control, it->onClick);
  control->setEnabled(it->enabled);
  edited_->erase(it);
}

bool TForm::eventFilter(QObject* watched, QEvent* event) {
  if (!grip_ || !watched->isWidgetType()) return QWidget::eventFilter(watched, event);
  auto* w = static_cast<QWidget*>(watched);
  const bool edited = w == grip_ || (edited_ && std::any_of(edited_->begin(), edited_->end(),
                                                            [w](const TControlMouseEvents& e) { return e.control == w; }));
  if (!edited) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* m = static_cast<QMouseEvent*>(event);
      GripPress(w, m->button(), m->position().toPoint());
      return true;
    }
    case QEvent::MouseMove: {
      auto* m = static_cast<QMouseEvent*>(event);
      GripMove(w, m->buttons(), m->position().toPoint());
      return true;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      return true;  // an edited control does nothing else with the mouse
    default:
      return QWidget::eventFilter(watched, event);
  }
}

void TForm::GripPress(QWidget* sender, Qt::MouseButton button, QPoint at) {
  if (sender != grip_) {
    if (grip_->parentWidget() != sender->parentWidget()) grip_->setParent(sender->parentWidget());
    grip_->move(sender->x() + sender->width() - grip_->width(), sender->y() + sender->height() - grip_->height());
    gripControl_ = sender;
    grip_->show();
    grip_->raise();
  }
  if (button == Qt::LeftButton) pressPoint_ = at;
}

void TForm::GripMove(QWidget* sender, Qt::MouseButtons buttons, QPoint at) {
  if (!(buttons & Qt::LeftButton)) return;
  const QPoint delta = at - pressPoint_;
  sender->move(sender->pos() + delta);
  if (auto* label = qobject_cast<QLabel*>(sender); label && label->buddy()) {
    label->buddy()->move(label->buddy()->pos() + delta);
  }
  QWidget* affected = sender;
  if (sender != grip_) {
    grip_->move(sender->x() + sender->width() - grip_->width(), sender->y() + sender->height() - grip_->height());
  } else if (gripControl_) {
    QWidget* c = gripControl_;
    c->resize(grip_->x() - c->x() + grip_->width(), grip_->y() - c->y() + grip_->height());
    affected = c;
  }
  SetHintText(PlaceHint(affected->x(), affected->y(), affected->width(), affected->height()));
}

}  // namespace olv
