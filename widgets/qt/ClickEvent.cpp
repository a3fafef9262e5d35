#include "widgets/qt/ClickEvent.h"

#include <QAbstractButton>
#include <QAction>
#include <QObject>

namespace olv {

namespace {

const char* const kCarrierName = "olv_OnClick";

class Carrier : public QObject {
 public:
  explicit Carrier(QObject* component) : QObject(component) {
    setObjectName(kCarrierName);
    if (auto* button = qobject_cast<QAbstractButton*>(component)) {
      connect(button, &QAbstractButton::clicked, this, [this, component] { Fire(component); });
    } else if (auto* action = qobject_cast<QAction*>(component)) {
      connect(action, &QAction::triggered, this, [this, component] { Fire(component); });
    }
  }
  TNotifyEvent handler;

 private:
  void Fire(QObject* component) {
    // A copy: the handler may replace itself while it runs.
    const TNotifyEvent h = handler;
    if (h.code) h.code(component);
  }
};

Carrier* Find(const QObject* component) {
  return dynamic_cast<Carrier*>(component->findChild<QObject*>(kCarrierName, Qt::FindDirectChildrenOnly));
}

}  // namespace

void SetOnClick(QObject* component, TNotifyEvent handler) {
  Carrier* c = Find(component);
  if (!c) c = new Carrier(component);
  c->handler = std::move(handler);
}

TNotifyEvent OnClick(const QObject* component) {
  const Carrier* c = Find(component);
  return c ? c->handler : TNotifyEvent{};
}

bool IsClickEventCarrier(const QObject* object) { return dynamic_cast<const Carrier*>(object) != nullptr; }

}  // namespace olv
