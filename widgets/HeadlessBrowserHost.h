#pragma once
// A page view without a screen: it keeps the current document's HTML text, its address and the
// body's border, so the window logic runs and is tested headlessly. Navigating to "about:blank"
// gives an empty document at once; any other address is only recorded, and its document exists
// after CompleteNavigation(). The Simulate... calls play the user (a link click, a right click).
// GUI-thread object.
#include <string>
#include <vector>

#include "widgets/BrowserHost.h"

namespace olv {

class HeadlessBrowserHost : public BrowserHost {
 public:
  explicit HeadlessBrowserHost(int width = 640, int height = 480) : width_(width), height_(height) {}

  void SetEvents(BrowserHostEvents* events) override { events_ = events; }
  bool Navigate(const std::string& url) override;
  bool HasDocument() const override { return hasDocument_; }
  bool ReplaceDocument(const std::string& html) override;
  bool SetBodyBorderWidth(int width) override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }

  // The pending navigation produced its (empty) document.
  void CompleteNavigation();
  // A click on a link: the owner hears of it first and may cancel; otherwise the view follows it.
  // Returns whether it was followed.
  bool SimulateLinkClick(const std::string& url);
  // A right click in the page: returns whether the view's own context menu opens.
  bool SimulateContextMenu();
  void Resize(int width, int height);

  const std::string& Html() const { return html_; }
  const std::string& Url() const { return url_; }
  // The body's border width as the page holds it: decimal text, no unit; empty until first set.
  const std::string& BodyBorderWidth() const { return border_; }
  const std::vector<std::string>& Navigations() const { return navigations_; }

 private:
  BrowserHostEvents* events_ = nullptr;
  bool hasDocument_ = false;
  bool pending_ = false;
  std::string url_;
  std::string html_;
  std::string border_;
  std::vector<std::string> navigations_;
  int width_, height_;
};

}  // namespace olv
