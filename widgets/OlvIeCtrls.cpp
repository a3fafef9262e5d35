#include "widgets/OlvIeCtrls.h"

#include <stdexcept>

namespace olv {

TWebBrowserEx::TWebBrowserEx(std::unique_ptr<BrowserHost> host) : host_(std::move(host)) {
  if (!host_) throw std::invalid_argument("TWebBrowserEx needs a page view");
  host_->SetEvents(this);
  host_->Navigate(blankPage_);
}

TWebBrowserEx::~TWebBrowserEx() { host_->SetEvents(nullptr); }

void TWebBrowserEx::WriteHtml(const std::string& html) {
  if (!host_->HasDocument()) throw EBrowserError("The page view has no document to write into");
  if (!host_->ReplaceDocument(html)) throw EBrowserError("The page view refused the new document");
  if (!host_->SetBodyBorderWidth(borderWidth_))
    throw EBrowserError("The page view refused the border width " + std::to_string(borderWidth_));
}

void TWebBrowserEx::Navigate(const std::string& url) {
  if (!host_->Navigate(url)) throw EBrowserError("The page view cannot show \"" + url + "\"");
}

void TWebBrowserEx::IeWindowProc(BrowserMessage message, bool& handled) {
  if (message == BrowserMessage::ContextMenu) handled = !iePopupMenu_;
}

void TWebBrowserEx::DocumentComplete(std::string& url) {
  if (OnDocumentComplete) OnDocumentComplete(*this, url);
}

bool TWebBrowserEx::BeforeNavigate(const std::string& url) {
  bool cancel = false;
  if (OnBeforeNavigate) OnBeforeNavigate(*this, url, cancel);
  return cancel;
}

bool TWebBrowserEx::FilterMessage(BrowserMessage message) {
  bool handled = false;
  IeWindowProc(message, handled);
  return handled;
}

}  // namespace olv
