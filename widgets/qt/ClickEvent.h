#pragma once
// The OnClick event of a button or a menu item and the OnExecute event of an action, on Qt: one
// handler per component, kept on the component (in a small object that the component owns) and
// called with the component as sender when the button is clicked or the action triggered. The
// library's forms take these handlers over to learn from where each form was opened
// (TForm::HookEvents).
// GUI thread only.
#include <functional>

class QObject;

namespace olv {

struct TNotifyEvent {
  std::function<void(QObject* sender)> code;
  const void* dispatcher = nullptr;  // the form whose DispatchEvent this is; null for any other handler

  explicit operator bool() const { return static_cast<bool>(code); }
};

// Replaces the component's handler (an empty one calls nothing).
void SetOnClick(QObject* component, TNotifyEvent handler);
// The component's handler; empty when it has none.
TNotifyEvent OnClick(const QObject* component);
// True for the small objects that carry the handlers (a form's walk over its components skips them).
bool IsClickEventCarrier(const QObject* object);

}  // namespace olv
