#pragma once
// A flat tool bar that shows its parent's background behind its buttons, with a line along its
// bottom edge. OnCustomDraw lets the owner paint over the background before the tool bar draws
// (clearing defaultDraw keeps the tool bar's own edge from being drawn).
// GUI thread only.
#include <QToolBar>
#include <functional>

class QPainter;

namespace olv {

class TTransToolBar : public QToolBar {
 public:
  using TCustomDraw = std::function<void(TTransToolBar& sender, QPainter& painter, const QRect& rect, bool& defaultDraw)>;

  explicit TTransToolBar(QWidget* parent = nullptr);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  void SetOnCustomDraw(TCustomDraw handler) { onCustomDraw_ = std::move(handler); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TCustomDraw onCustomDraw_;
  bool transparent_ = true;
};

}  // namespace olv
