#pragma once
// TWebBrowserEx: the embedded page view of the main window's information page. It writes a whole
// HTML text into its current document, sets the body's border after each write, can suppress the
// view's own context menu, and reports link clicks to its owner before they navigate, so the owner
// can act on its own addresses ("urlHide", "urlExit") and cancel them.
//
// Ownership: the control owns its host. Threads: GUI thread only, like the view it drives; the
// events run there. Failures of the view raise EBrowserError.
#include <functional>
#include <memory>
#include <string>

#include "foundation/base/Exception.h"
#include "widgets/BrowserHost.h"

namespace olv {

class EBrowserError : public Exception {
 public:
  using Exception::Exception;
};

class TWebBrowserEx : private BrowserHostEvents {
 public:
  using DocumentCompleteEvent = std::function<void(TWebBrowserEx& sender, std::string& url)>;
  using BeforeNavigateEvent =
      std::function<void(TWebBrowserEx& sender, const std::string& url, bool& cancel)>;

  // Navigates to BlankPage at once, so there is a document to write into.
  explicit TWebBrowserEx(std::unique_ptr<BrowserHost> host);
  ~TWebBrowserEx() override;
  TWebBrowserEx(const TWebBrowserEx&) = delete;
  TWebBrowserEx& operator=(const TWebBrowserEx&) = delete;

  // Given to the body's border after each WriteHtml.
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width) { borderWidth_ = width; }
  // False: the view's own context menu is suppressed.
  bool IePopupMenu() const { return iePopupMenu_; }
  void SetIePopupMenu(bool allow) { iePopupMenu_ = allow; }
  // The page loaded when the control was created. Changing it later loads nothing.
  const std::string& BlankPage() const { return blankPage_; }
  void SetBlankPage(const std::string& url) { blankPage_ = url; }

  // Runs on every completed document.
  DocumentCompleteEvent OnDocumentComplete;
  // Runs when a link is clicked, before the view follows it; setting cancel keeps the page.
  BeforeNavigateEvent OnBeforeNavigate;

  // Replaces the current document by html, then sets the body's border to BorderWidth. Raises
  // EBrowserError, and does none of the remaining steps, when there is no document yet or the view
  // refuses a step.
  void WriteHtml(const std::string& html);
  // Loads an address; raises EBrowserError when the view cannot show it.
  void Navigate(const std::string& url);

  BrowserHost& Host() { return *host_; }
  int Width() const { return host_->Width(); }
  int Height() const { return host_->Height(); }

 protected:
  // Filter for the view's messages; an override may handle more. Here: the context menu is
  // handled (suppressed) unless IePopupMenu.
  virtual void IeWindowProc(BrowserMessage message, bool& handled);

 private:
  void DocumentComplete(std::string& url) override;
  bool BeforeNavigate(const std::string& url) override;
  bool FilterMessage(BrowserMessage message) override;

  std::unique_ptr<BrowserHost> host_;
  int borderWidth_ = 0;
  bool iePopupMenu_ = false;
  std::string blankPage_ = "about:blank";
};

}  // namespace olv
