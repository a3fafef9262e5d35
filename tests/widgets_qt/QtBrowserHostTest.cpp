#include "widgets/qt/QtBrowserHost.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextFrame>
#include <memory>
#include <string>
#include <vector>

namespace olv {
namespace {

class QtBrowserTest : public ::testing::Test {
 protected:
  QtBrowserTest() {
    view_ = std::make_unique<QTextBrowser>();
    view_->resize(400, 300);
    view_->show();
    browser_ = MakeQtWebBrowser(view_.get());
  }

  QString Text() const { return view_->toPlainText(); }

  // Sends a right click to the page and reports whether a context menu opened; an opened menu is
  // closed again so the test goes on.
  bool ContextMenuOpens(QWidget* target) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), target->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(target, &event);
    QWidget* popup = QApplication::activePopupWidget();
    if (popup) popup->close();
    QApplication::processEvents();
    return popup != nullptr;
  }

  std::unique_ptr<QTextBrowser> view_;
  std::unique_ptr<TWebBrowserEx> browser_;
};

TEST_F(QtBrowserTest, WritesPagesIntoTheViewWithTheBorderAfterEach) {
  browser_->SetBorderWidth(1);
  browser_->WriteHtml("<p>first page</p>");
  EXPECT_EQ(Text(), "first page");
  EXPECT_EQ(view_->document()->rootFrame()->frameFormat().border(), 1.0);

  browser_->SetBorderWidth(4);
  browser_->WriteHtml("<table><tr><td>second \xE8\xAE\xA1\xE5\x88\x92</td></tr></table>");
  EXPECT_FALSE(Text().contains("first"));
  EXPECT_TRUE(Text().contains(QString::fromUtf8("second \xE8\xAE\xA1\xE5\x88\x92")));
  EXPECT_EQ(view_->document()->rootFrame()->frameFormat().border(), 4.0);
}

TEST_F(QtBrowserTest, DocumentCompleteArrivesFromTheEventLoop) {
  std::vector<std::string> completed;
  browser_->OnDocumentComplete = [&](TWebBrowserEx&, std::string& url) { completed.push_back(url); };
  EXPECT_TRUE(completed.empty());  // set after creation, yet it hears of the blank page
  QApplication::processEvents();
  EXPECT_EQ(completed, std::vector<std::string>{"about:blank"});
}

TEST_F(QtBrowserTest, ClickedLinkIsReportedAndCancelledLinkKeepsThePage) {
  std::vector<std::string> clicked;
  browser_->OnBeforeNavigate = [&](TWebBrowserEx&, const std::string& url, bool& cancel) {
    clicked.push_back(url);
    cancel = true;
  };
  browser_->WriteHtml("<p>Before <a href=\"urlHide\">Hide</a> after</p>");
  QApplication::processEvents();
  const QTextCursor link = view_->document()->find("Hide");
  ASSERT_FALSE(link.isNull());
  QTextCursor middle(view_->document());
  middle.setPosition(link.selectionStart() + 1);
  const QPoint at = view_->cursorRect(middle).center();
  QTest::mouseClick(view_->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_EQ(clicked, std::vector<std::string>{"urlHide"});
  EXPECT_EQ(Text(), "Before Hide after");
}

TEST_F(QtBrowserTest, FollowedLinkLoadsALocalPage) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString page = dir.filePath("next.html");
  QFile file(page);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<p>the next page</p>");
  file.close();
  std::vector<std::string> completed;
  browser_->OnDocumentComplete = [&](TWebBrowserEx&, std::string& url) { completed.push_back(url); };
  QApplication::processEvents();
  completed.clear();

  emit view_->anchorClicked(QUrl::fromLocalFile(page));
  EXPECT_EQ(Text(), "the next page");
  QApplication::processEvents();
  EXPECT_EQ(completed, std::vector<std::string>{QUrl::fromLocalFile(page).toString().toStdString()});

  // A page that is not there leaves the current one.
  EXPECT_THROW(browser_->Navigate(dir.filePath("missing.html").toStdString()), EBrowserError);
  EXPECT_EQ(Text(), "the next page");
}

TEST_F(QtBrowserTest, OwnerMayEndTheControlOnAClick) {
  browser_->OnBeforeNavigate = [this](TWebBrowserEx&, const std::string&, bool&) { browser_.reset(); };
  browser_->WriteHtml("<p>page</p>");
  emit view_->anchorClicked(QUrl("urlExit"));
  EXPECT_EQ(browser_, nullptr);
  EXPECT_EQ(Text(), "page");
}

TEST_F(QtBrowserTest, ContextMenuOpensOnlyWhenAllowed) {
  browser_->WriteHtml("<p>page</p>");
  EXPECT_FALSE(ContextMenuOpens(view_->viewport()));
  EXPECT_FALSE(ContextMenuOpens(view_.get()));  // the keyboard's menu key
  browser_->SetIePopupMenu(true);
  EXPECT_TRUE(ContextMenuOpens(view_->viewport()));
}

TEST_F(QtBrowserTest, ReportsTheViewSize) {
  view_->resize(321, 123);
  EXPECT_EQ(browser_->Width(), 321);
  EXPECT_EQ(browser_->Height(), 123);
}

TEST_F(QtBrowserTest, ViewGoneBeforeTheControlIsNoCrash) {
  view_.reset();
  EXPECT_THROW(browser_->WriteHtml("<p>x</p>"), EBrowserError);
  EXPECT_EQ(browser_->Width(), 0);
  browser_.reset();
}

}  // namespace
}  // namespace olv
