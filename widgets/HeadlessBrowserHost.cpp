#include "widgets/HeadlessBrowserHost.h"

namespace olv {

bool HeadlessBrowserHost::Navigate(const std::string& url) {
  if (url.empty()) return false;
  navigations_.push_back(url);
  url_ = url;
  pending_ = true;
  if (url == "about:blank") CompleteNavigation();
  return true;
}

void HeadlessBrowserHost::CompleteNavigation() {
  if (!pending_) return;
  pending_ = false;
  hasDocument_ = true;
  html_.clear();
  border_.clear();
  std::string url = url_;
  if (events_) events_->DocumentComplete(url);
}

bool HeadlessBrowserHost::ReplaceDocument(const std::string& html) {
  if (!hasDocument_) return false;
  html_ = html;
  return true;
}

bool HeadlessBrowserHost::SetBodyBorderWidth(int width) {
  if (!hasDocument_ || width < 0) return false;
  border_ = std::to_string(width);
  return true;
}

bool HeadlessBrowserHost::SimulateLinkClick(const std::string& url) {
  if (events_ && events_->BeforeNavigate(url)) return false;
  return Navigate(url);
}

bool HeadlessBrowserHost::SimulateContextMenu() {
  return !(events_ && events_->FilterMessage(BrowserMessage::ContextMenu));
}

void HeadlessBrowserHost::Resize(int width, int height) {
  width_ = width;
  height_ = height;
}

}  // namespace olv
