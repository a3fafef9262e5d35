#pragma once
// The browser control's page view on Qt: a QTextBrowser. Links do not navigate by themselves; each
// click is reported to the control first. "about:blank" is an empty page, local files load into
// the view, web and mail addresses go to the desktop's own programs. The view's context menu, by
// mouse or by keyboard, passes the control's filter. The body border is the document's outer
// frame border.
//
// Ownership: the view belongs to its Qt parent; the host only watches it and acts as an empty view
// once it is gone. GUI thread only.
#include <QObject>
#include <QPointer>
#include <QTextBrowser>
#include <memory>

#include "widgets/BrowserHost.h"
#include "widgets/OlvIeCtrls.h"

namespace olv {

class QtBrowserHost : public QObject, public BrowserHost {
 public:
  explicit QtBrowserHost(QTextBrowser* view);
  ~QtBrowserHost() override;

  void SetEvents(BrowserHostEvents* events) override { events_ = events; }
  bool Navigate(const std::string& url) override;
  bool HasDocument() const override { return view_ && hasDocument_; }
  bool ReplaceDocument(const std::string& html) override;
  bool SetBodyBorderWidth(int width) override;
  int Width() const override;
  int Height() const override;

  QTextBrowser* View() const { return view_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ReportComplete(const std::string& url);

  QPointer<QTextBrowser> view_;
  BrowserHostEvents* events_ = nullptr;
  bool hasDocument_ = false;
};

// The control over an existing view, as the main window places it.
std::unique_ptr<TWebBrowserEx> MakeQtWebBrowser(QTextBrowser* view);

}  // namespace olv
