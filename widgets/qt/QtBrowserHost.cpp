#include "widgets/qt/QtBrowserHost.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QTextFrame>
#include <QTextFrameFormat>
#include <QUrl>

namespace olv {

QtBrowserHost::QtBrowserHost(QTextBrowser* view) : view_(view) {
  if (!view_) return;
  view_->setOpenLinks(false);
  view_->setOpenExternalLinks(false);
  // The mouse's context menu reaches the viewport, the keyboard's the view itself.
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);
  connect(view_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    const std::string url = link.toString().toStdString();
    // The owner may close (and end) the view on a click; then there is nothing left to navigate.
    const QPointer<QtBrowserHost> alive(this);
    const bool cancel = events_ && events_->BeforeNavigate(url);
    if (!cancel && alive) Navigate(url);
  });
}

QtBrowserHost::~QtBrowserHost() {
  if (view_) {
    view_->removeEventFilter(this);
    view_->viewport()->removeEventFilter(this);
  }
}

bool QtBrowserHost::Navigate(const std::string& url) {
  if (!view_ || url.empty()) return false;
  const QString text = QString::fromStdString(url);
  if (url == "about:blank") {
    view_->setHtml(QString());
  } else {
    QUrl target = QFileInfo(text).isAbsolute() ? QUrl::fromLocalFile(text) : QUrl(text);
    const QString scheme = target.scheme();
    if (scheme == "http" || scheme == "https" || scheme == "mailto") {
      // The view cannot show web pages: the desktop's browser or mail program does.
      return QDesktopServices::openUrl(target);
    }
    if (!target.isLocalFile() || !QFileInfo(target.toLocalFile()).isFile()) return false;
    view_->setSource(target);
  }
  hasDocument_ = true;
  // Reported from the event loop, as a page load would be: the caller's handlers are set by then.
  QMetaObject::invokeMethod(this, [this, url] { ReportComplete(url); }, Qt::QueuedConnection);
  return true;
}

void QtBrowserHost::ReportComplete(const std::string& url) {
  std::string reported = url;
  if (events_) events_->DocumentComplete(reported);
}

bool QtBrowserHost::ReplaceDocument(const std::string& html) {
  if (!HasDocument()) return false;
  view_->setHtml(QString::fromStdString(html));
  return true;
}

bool QtBrowserHost::SetBodyBorderWidth(int width) {
  if (!HasDocument() || width < 0) return false;
  QTextFrame* root = view_->document()->rootFrame();
  QTextFrameFormat format = root->frameFormat();
  format.setBorder(width);
  format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
  format.setBorderBrush(view_->palette().mid());
  root->setFrameFormat(format);
  return true;
}

int QtBrowserHost::Width() const { return view_ ? view_->width() : 0; }

int QtBrowserHost::Height() const { return view_ ? view_->height() : 0; }

bool QtBrowserHost::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu && events_ &&
      events_->FilterMessage(BrowserMessage::ContextMenu)) {
    event->accept();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

std::unique_ptr<TWebBrowserEx> MakeQtWebBrowser(QTextBrowser* view) {
  return std::make_unique<TWebBrowserEx>(std::make_unique<QtBrowserHost>(view));
}

}  // namespace olv
