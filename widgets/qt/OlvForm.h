#pragma once
// The form library's base form: a top-level window that
// - takes over the click handlers of its buttons, actions and menu items, so that it learns from
//   which form and control it was opened (PrevForm, PrevFormCtrl, FormPath);
// - keeps a note in parentheses at the end of its title (Title, TitleNote);
// - tiles a background bitmap (Background, BackgroundFile);
// - is fitted to the screen when the design size is below 1024 (widgets/forms/DesignSize.h);
// - shows hints and progress in its hint bar when it is the screen object's hint form;
// - lets the user move and size its controls at run time and stores the result as a
//   TControlPositionList (StoreLayout, ReadLayout and DeleteLayout are the descendants' storage).
//
// Making one: a descendant builds its controls in its own constructor and calls CompleteCreation()
// at its end (the first show calls it otherwise): the handlers are taken over, the form fitted,
// the layout menu built and the stored layout applied.
//
// Ownership: the form owns its background bitmap, its handler records and, during a layout edit,
// the edited-control records and the size grip. PrevForm and PrevFormCtrl are watched, not owned.
// GUI thread only.
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "widgets/forms/ControlPosition.h"
#include "widgets/forms/HintForm.h"
#include "widgets/qt/ClickEvent.h"
#include "widgets/qt/GradientPanel.h"
#include "widgets/qt/OlvBitmap.h"

class QMenu;

namespace olv {

// The size grip of a layout edit: a plain gradient panel.
class TPanel : public TGradientPanel {
 public:
  using TGradientPanel::TGradientPanel;
};

enum class TFormPosition : std::uint8_t { poDesigned, poDefault };

// What a layout edit keeps of one control to give it back afterwards.
struct TControlMouseEvents {
  QPointer<QWidget> control;
  TNotifyEvent onClick;
  bool enabled = true;
};

class TForm : public QWidget, public THintForm {
 public:
  explicit TForm(QWidget* parent = nullptr);
  ~TForm() override;

  void CompleteCreation();

  // The form that is the application's main form: it never notes a calling form.
  static void SetMainForm(QWidget* form);
  // The library form most recently activated or dispatching an event; null when none lives.
  static TForm* LastActiveForm();

  // Title and note: the window title is Title, then "(" TitleNote ")" when the note is not empty.
  virtual std::string GetTitle() const;
  virtual void SetTitle(const std::string& title);
  std::string TitleNote() const;
  void SetTitleNote(const std::string& note);
  std::int32_t Tag() const { return tag_; }
  void SetTag(std::int32_t tag) { tag_ = tag; }
  std::uint16_t TagHW() const;
  void SetTagHW(std::uint16_t value);
  std::uint16_t TagLW() const;
  void SetTagLW(std::uint16_t value);

  // The hint bar: a QStatusBar (its message), or any widget with a "text" property (a label in a
  // status bar stands for a status panel). Not owned.
  QObject* HintBar() const { return hintBar_; }
  void SetHintBar(QObject* bar) { hintBar_ = bar; }

  TFormPosition Position() const { return position_; }
  void SetPosition(TFormPosition position) { position_ = position; }

  TForm* PrevForm() const { return prevForm_; }
  void SetPrevForm(TForm* form) { prevForm_ = form; }
  QObject* PrevFormCtrl() const { return prevFormCtrl_; }
  void SetPrevFormCtrl(QObject* control) { prevFormCtrl_ = control; }
  QObject* LastSender() const { return lastSender_; }
  // "\" and the name, prefixed by the calling form's path and "." and the calling control's name.
  std::string FormPath();
  // For a top-level form its focus widget; for a form placed inside another widget, the focused
  // widget of the application when this form is among its parents.
  QWidget* ActiveControl() const;

  TBitmap* Background() const { return background_.get(); }
  virtual void SetBackground(std::unique_ptr<TBitmap> bitmap);  // taken over
  const std::string& BackgroundFile() const { return backgroundFile_; }
  virtual void SetBackgroundFile(const std::string& fileName);

  virtual bool GetPrevntCustomize() const { return prevntCustomize_; }
  virtual void SetPrevntCustomize(bool value) { prevntCustomize_ = value; }

  // Handler records.
  virtual bool RegisterHandler(QObject* component, const TNotifyEvent& handler);
  virtual TNotifyEvent GetHandler(const QObject* component) const;
  virtual void UnregisterHandler(QObject* component);
  virtual void ClearHandlers();
  // The handler of every taken-over event.
  virtual void DispatchEvent(QObject* sender);
  virtual void HookEvents();

  virtual std::string GetLayoutKey() const;
  virtual void BuildCustomizeMenu();
  virtual void CustomizeEnterClick(QObject* sender);
  virtual void CustomizeCancelClick(QObject* sender);
  virtual void CustomizeSaveClick(QObject* sender);
  virtual void CustomizeDeleteClick(QObject* sender);
  virtual void AttachCustomizeEvents(QWidget* control);
  virtual void DetachCustomizeEvents(QWidget* control);
  virtual void AddControlPosition(QWidget* control, TControlPositionList& list);
  virtual void MovedOrSized() {}
  virtual void NoteCallingForm();
  virtual void NoteActiveForm();
  // Layout storage of the descendants; the base stores nothing. ReadLayout hands over what it read.
  virtual void StoreLayout(const std::string& key, const TControlPositionList& layout);
  virtual std::unique_ptr<TBaseObject> ReadLayout(const std::string& key);
  virtual void DeleteLayout(const std::string& key);
  // Lines "key=caption|hint" for the layout menu's keys; false (the base) builds no items.
  virtual bool GetCustomizeMenuTexts(std::vector<std::string>& texts);
  virtual void Close() { close(); }
  virtual void Show() { show(); }
  // Only the right and bottom edges are kept on the screen.
  virtual void MoveTo(const QPoint& point);
  virtual QWidget* FindControlByPath(const std::string& path) const;
  virtual std::string GetControlPath(const QWidget* control) const;
  virtual void BeginCustomize();
  virtual void EndCustomize();
  virtual bool IsCustomizable(const QWidget* control) const;
  // The form itself and then every widget below it, depth first, parents before children.
  void ForEachControl(const std::function<void(QWidget*)>& callback);
  virtual void SaveLayout(bool common);
  // ReadLayout(GetLayoutKey()); whatever it raises is swallowed (null).
  virtual std::unique_ptr<TBaseObject> LoadLayout();
  // Raises olv::Exception "Invalid class typecast" when the stored layout is another class.
  virtual void ApplyLayout();
  virtual void RestoreLayout() { ApplyLayout(); }

  bool Customizing() const { return grip_ != nullptr; }
  TPanel* SizeGrip() const { return grip_; }
  QMenu* CustomizeMenu() const { return menu_; }

  // THintForm
  bool HasHintBar() const override { return hintBar_ != nullptr; }
  void SetHintText(const std::string& text) override;
  void RepaintHintBar() override;
  bool IsShowing() const override { return isVisible(); }
  std::unique_ptr<TProgressGauge> CreateProgressGauge() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct HandlerRecord {
    QPointer<QObject> component;
    TNotifyEvent handler;
  };
  void FitToDesignSize();
  void PostMovedOrSized();
  void GripPress(QWidget* sender, Qt::MouseButton button, QPoint at);
  void GripMove(QWidget* sender, Qt::MouseButtons buttons, QPoint at);

  bool created_ = false;
  std::int32_t tag_ = 0;
  QPointer<QObject> hintBar_;
  TFormPosition position_ = TFormPosition::poDesigned;
  std::unique_ptr<TBitmap> background_;
  std::string backgroundFile_;
  std::vector<HandlerRecord> handlers_;
  std::unique_ptr<std::vector<TControlMouseEvents>> edited_;
  TPanel* grip_ = nullptr;
  QPointer<QWidget> gripControl_;
  QPoint pressPoint_;
  QMenu* menu_ = nullptr;
  bool prevntCustomize_ = false;
  QPointer<TForm> prevForm_;
  QPointer<QObject> prevFormCtrl_;
  QPointer<QObject> lastSender_;
};

}  // namespace olv
