#include "widgets/OlvIeCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "widgets/HeadlessBrowserHost.h"

namespace olv {
namespace {

// A headless view that can be told to refuse one step of writing a page.
class FaultyHost : public HeadlessBrowserHost {
 public:
  bool refuseWrite = false;
  bool neverLoads = false;
  bool Navigate(const std::string& url) override {
    if (neverLoads) return true;  // the page never arrives
    return HeadlessBrowserHost::Navigate(url);
  }
  bool ReplaceDocument(const std::string& html) override {
    return !refuseWrite && HeadlessBrowserHost::ReplaceDocument(html);
  }
};

class BrowserTest : public ::testing::Test {
 protected:
  BrowserTest() {
    auto host = std::make_unique<FaultyHost>();
    host_ = host.get();
    browser_ = std::make_unique<TWebBrowserEx>(std::move(host));
  }
  FaultyHost* host_;
  std::unique_ptr<TWebBrowserEx> browser_;
};

TEST_F(BrowserTest, StartsOnTheBlankPageReadyToWrite) {
  EXPECT_EQ(browser_->BlankPage(), "about:blank");
  EXPECT_EQ(host_->Navigations(), std::vector<std::string>{"about:blank"});
  EXPECT_EQ(browser_->BorderWidth(), 0);
  EXPECT_FALSE(browser_->IePopupMenu());

  browser_->SetBlankPage("file:///elsewhere.html");  // read later: loads nothing more
  EXPECT_EQ(host_->Navigations().size(), 1u);
  browser_->WriteHtml("<p>ok</p>");
  EXPECT_EQ(host_->Html(), "<p>ok</p>");
}

TEST_F(BrowserTest, EachWriteReplacesThePageAndSetsTheBorderAfterIt) {
  browser_->SetBorderWidth(1);
  browser_->WriteHtml("<p>first</p>");
  EXPECT_EQ(host_->BodyBorderWidth(), "1");
  browser_->SetBorderWidth(12);
  browser_->WriteHtml("<p>second</p>");
  EXPECT_EQ(host_->Html(), "<p>second</p>");
  EXPECT_EQ(host_->BodyBorderWidth(), "12");
}

TEST(BrowserNoDocumentTest, WritingBeforeThereIsADocumentFailsAndWritesNothing) {
  auto host = std::make_unique<FaultyHost>();
  host->neverLoads = true;
  FaultyHost* view = host.get();
  TWebBrowserEx browser(std::move(host));
  EXPECT_THROW(browser.WriteHtml("<p>lost</p>"), EBrowserError);
  EXPECT_EQ(view->Html(), "");
  EXPECT_EQ(view->BodyBorderWidth(), "");
}

TEST_F(BrowserTest, RefusedStepStopsTheRemainingSteps) {
  host_->refuseWrite = true;
  browser_->SetBorderWidth(3);
  EXPECT_THROW(browser_->WriteHtml("<p>x</p>"), EBrowserError);
  EXPECT_EQ(host_->BodyBorderWidth(), "");  // the border is not set after a failed write

  host_->refuseWrite = false;
  browser_->SetBorderWidth(-1);  // the view refuses a negative border
  EXPECT_THROW(browser_->WriteHtml("<p>y</p>"), EBrowserError);
  EXPECT_EQ(host_->Html(), "<p>y</p>");
}

TEST_F(BrowserTest, ContextMenuOpensOnlyWhenAllowed) {
  EXPECT_FALSE(host_->SimulateContextMenu());
  browser_->SetIePopupMenu(true);
  EXPECT_TRUE(host_->SimulateContextMenu());
}

TEST_F(BrowserTest, LinkClickIsReportedAndCanBeCancelled) {
  std::vector<std::string> clicked, completed;
  browser_->OnBeforeNavigate = [&](TWebBrowserEx& sender, const std::string& url, bool& cancel) {
    EXPECT_EQ(&sender, browser_.get());
    clicked.push_back(url);
    cancel = url.find("urlHide") != std::string::npos || url.find("urlExit") != std::string::npos;
  };
  browser_->OnDocumentComplete = [&](TWebBrowserEx&, std::string& url) { completed.push_back(url); };
  browser_->WriteHtml("<a href=\"urlHide\">Hide</a>");

  EXPECT_FALSE(host_->SimulateLinkClick("about:blankurlHide"));
  EXPECT_FALSE(host_->SimulateLinkClick("urlExit"));
  EXPECT_EQ(host_->Html(), "<a href=\"urlHide\">Hide</a>");  // the page stays
  EXPECT_TRUE(completed.empty());

  EXPECT_TRUE(host_->SimulateLinkClick("file:///tmp/page.html"));
  EXPECT_EQ(host_->Url(), "file:///tmp/page.html");
  host_->CompleteNavigation();
  EXPECT_EQ(clicked, (std::vector<std::string>{"about:blankurlHide", "urlExit", "file:///tmp/page.html"}));
  EXPECT_EQ(completed, std::vector<std::string>{"file:///tmp/page.html"});
}

TEST_F(BrowserTest, NavigatingWhereTheViewCannotGoRaises) {
  EXPECT_THROW(browser_->Navigate(""), EBrowserError);
}

// A descendant's filter sees the view's messages before the view does.
class MenuCounting : public TWebBrowserEx {
 public:
  using TWebBrowserEx::TWebBrowserEx;
  int seen = 0;

 protected:
  void IeWindowProc(BrowserMessage message, bool& handled) override {
    ++seen;
    TWebBrowserEx::IeWindowProc(message, handled);
  }
};

TEST(BrowserFamilyTest, EachViewReachesItsOwnControl) {
  auto firstHost = std::make_unique<HeadlessBrowserHost>();
  auto secondHost = std::make_unique<HeadlessBrowserHost>();
  HeadlessBrowserHost* firstView = firstHost.get();
  HeadlessBrowserHost* secondView = secondHost.get();
  auto first = std::make_unique<MenuCounting>(std::move(firstHost));
  MenuCounting second(std::move(secondHost));
  second.SetIePopupMenu(true);

  EXPECT_FALSE(firstView->SimulateContextMenu());
  EXPECT_TRUE(secondView->SimulateContextMenu());
  EXPECT_TRUE(secondView->SimulateContextMenu());
  EXPECT_EQ(first->seen, 1);
  EXPECT_EQ(second.seen, 2);

  first.reset();
  EXPECT_TRUE(secondView->SimulateContextMenu());
  EXPECT_EQ(second.seen, 3);
}

TEST_F(BrowserTest, ReportsTheViewSize) {
  host_->Resize(800, 600);
  EXPECT_EQ(browser_->Width(), 800);
  EXPECT_EQ(browser_->Height(), 600);
}

}  // namespace
}  // namespace olv
