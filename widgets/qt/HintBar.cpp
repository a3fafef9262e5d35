#include "widgets/qt/HintBar.h"

#include <QBoxLayout>
#include <QEvent>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <QWidget>
#include <algorithm>

namespace olv {

namespace {

// The gauge of the progress display: a thin red bar along the bottom of its host.
class Gauge : public QObject, public TProgressGauge {
 public:
  // hintBar: the form's hint bar when it is a widget in host (the gauge keeps above it when it is
  // docked at host's bottom, as a second bar docked at the bottom would be).
  Gauge(const THintForm* form, QWidget* host, QWidget* hintBar)
      : form_(form), host_(host), hintBar_(hintBar), bar_(new QProgressBar(host)) {
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setFixedHeight(8);
    QPalette p = bar_->palette();
    p.setColor(QPalette::Highlight, Qt::red);
    bar_->setPalette(p);
    if (auto* status = qobject_cast<QStatusBar*>(host)) {
      status->addPermanentWidget(bar_);
    } else if (auto* box = qobject_cast<QBoxLayout*>(host->layout())) {
      box->addWidget(bar_);
    } else {
      following_ = true;
      host->installEventFilter(this);
      Follow();
    }
  }
  ~Gauge() override {
    if (host_ && following_) host_->removeEventFilter(this);
    delete bar_.data();
  }
  const THintForm* Form() const override { return form_; }
  int Max() const override { return bar_ ? bar_->maximum() : 0; }
  void SetMax(int max) override {
    if (bar_) bar_->setMaximum(max);
  }
  void SetPosition(int position) override {
    if (bar_) bar_->setValue(std::min(position, bar_->maximum()));
  }
  void ShowNow() override {
    if (!bar_) return;
    bar_->show();
    bar_->raise();
    bar_->repaint();
  }
  QProgressBar* Bar() const { return bar_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == host_ && event->type() == QEvent::Resize) Follow();
    return false;
  }

 private:
  void Follow() {
    if (!bar_ || !host_) return;
    int bottom = host_->height();
    if (hintBar_ && hintBar_->parentWidget() == host_ && hintBar_->isVisible() &&
        hintBar_->geometry().bottom() + 1 >= bottom) {
      bottom = hintBar_->y();
    }
    bar_->setGeometry(0, bottom - 8, host_->width(), 8);
  }
  const THintForm* form_;
  QPointer<QWidget> host_;
  QPointer<QWidget> hintBar_;
  QPointer<QProgressBar> bar_;
  bool following_ = false;
};

}  // namespace

void SetHintBarText(QObject* bar, const std::string& text) {
  if (!bar) return;
  const QString value = QString::fromStdString(text);
  if (auto* status = qobject_cast<QStatusBar*>(bar)) {
    status->showMessage(value);
  } else {
    bar->setProperty("text", value);
  }
}

void RepaintHintBarNow(QObject* bar) {
  if (auto* w = qobject_cast<QWidget*>(bar)) w->repaint();
}

std::unique_ptr<TProgressGauge> MakeProgressGauge(const THintForm* form, QWidget* host, QWidget* hintBar) {
  return std::make_unique<Gauge>(form, host, hintBar);
}

}  // namespace olv
