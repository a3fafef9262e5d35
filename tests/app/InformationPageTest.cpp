// The information page without a window: its tables read back cell by cell, its tags, its links,
// the tray's hint, and the picture files written at start-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/support/ScratchFolder.h"
#include "app/core/InformationPage.h"
#include "app/core/PagePictures.h"
#include "app/core/SchemeObject.h"
#include "foundation/text/DateTime.h"
#include "widgets/gfx/BmpFile.h"
#include "widgets/gif/GIFExtensions.h"
#include "widgets/gif/GIFImage.h"

namespace sch {
namespace {

// One table cell: its text without tags and the source of its picture, if any.
struct Cell {
  std::string text;
  std::string img;
  bool centred = false;
  bool italic = false;
};
using Rows = std::vector<std::vector<Cell>>;

// The rows of the outermost table of html (nested tables' cells become part of their cell).
Rows ReadTable(const std::string& html) {
  Rows rows;
  static const std::regex row(R"(<tr>(.*?)</tr>)");
  static const std::regex cell(R"(<td([^>]*)>(.*?)</td>)");
  static const std::regex img(R"re(<img[^>]*src="([^"]*)")re");
  static const std::regex tag(R"(<[^>]*>)");
  for (auto r = std::sregex_iterator(html.begin(), html.end(), row); r != std::sregex_iterator(); ++r) {
    std::vector<Cell> cells;
    const std::string inner = (*r)[1];
    for (auto c = std::sregex_iterator(inner.begin(), inner.end(), cell); c != std::sregex_iterator(); ++c) {
      Cell out;
      const std::string attrs = (*c)[1], body = (*c)[2];
      std::smatch m;
      if (std::regex_search(body, m, img)) out.img = m[1];
      out.text = std::regex_replace(body, tag, "");
      out.centred = attrs.find("align=\"center\"") != std::string::npos;
      out.italic = body.find("<i>") != std::string::npos;
      cells.push_back(out);
    }
    rows.push_back(cells);
  }
  return rows;
}

class InformationPageTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pictures.Save(folder / "Temp").empty()); }
  testsupport::ScratchFolder folder;
  PagePictures pictures;
};

TEST_F(InformationPageTest, StateTableShowsTimerStatusAndLastTime) {
  const double noon = olv::EncodeDate(2026, 3, 4) + olv::EncodeTime(12, 5, 9, 7);
  struct Case {
    bool autoExec, timerRunning;
    int state;
    double last;
    const char* picture;  // key, or "" for none
    const char* timer;
    const char* status;
    const char* lastText;
  };
  const Case cases[] = {
      {true, false, ssWaiting, 0, kTimerBitmapKey, "Closed", "Waiting...", "--"},
      {true, true, ssRunning, noon, "imgTimer", "Opened", "Runing...", "2026.03.04 12:05:09.7"},
      {false, false, ssInvalid, noon, "", "Do not time", "Invalid", "2026.03.04 12:05:09.7"},
      {false, true, ssWaiting, 0, "", "Do not time", "Waiting...", "--"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.timer) + " " + c.status);
    SchemePageState s{"nightly <full> & \"safe\"", c.autoExec, c.timerRunning, c.state, c.last};
    const Rows rows = ReadTable(SchemeStateTable(s, &pictures));
    ASSERT_EQ(rows.size(), 6u);
    ASSERT_EQ(rows[0].size(), 2u);
    EXPECT_EQ(rows[0][0].text, "Currently:");
    EXPECT_EQ(rows[0][1].text, "nightly &lt;full&gt; &amp; &quot;safe&quot;");
    EXPECT_TRUE(rows[0][1].italic);
    EXPECT_TRUE(rows[1][0].centred);
    EXPECT_EQ(rows[1][0].img, *c.picture ? pictures.File(c.picture) : "");
    EXPECT_EQ(rows[1][0].img.empty(), !*c.picture);
    EXPECT_EQ(rows[2][0].text, "Timer:");
    EXPECT_EQ(rows[2][1].text, c.timer);
    EXPECT_EQ(rows[3][0].text, "Status:");
    EXPECT_EQ(rows[3][1].text, c.status);
    EXPECT_EQ(rows[4][0].text, "Last time:");
    EXPECT_EQ(rows[5][0].text, c.lastText);
    EXPECT_TRUE(rows[5][0].centred && rows[5][0].italic);
  }
  const std::string withPicture = SchemeStateTable({"a", true, true, ssWaiting, 0}, &pictures);
  EXPECT_NE(withPicture.find("border=\"0\""), std::string::npos);
  EXPECT_NE(withPicture.find("width=\"67\" height=\"67\""), std::string::npos);
  EXPECT_NE(withPicture.find("<table border=\"2\" width=\"100%\">"), std::string::npos);
}

TEST_F(InformationPageTest, RunningTableListsTheRunsInStartOrder) {
  EXPECT_EQ(RunningTable({}, &pictures), "None plans are running");
  const std::string html = RunningTable({"export <a>", "import", "export <a>"}, &pictures);
  const Rows rows = ReadTable(html);
  // The outer row with its two half cells, then the rows of the names.
  ASSERT_GE(rows.size(), 1u);
  ASSERT_EQ(rows[0].size(), 2u);
  EXPECT_EQ(rows[0][0].img, pictures.File("imgRuning"));
  EXPECT_NE(rows[0][0].text.find("3 plans are running"), std::string::npos);
  EXPECT_NE(html.find("width=\"93\" height=\"70\""), std::string::npos);
  EXPECT_EQ(html.find("<table border=\"2\" width=\"100%\"><tr><td width=\"50%\" align=\"right\">"), 0u);
  EXPECT_NE(html.find("<td width=\"50%\" valign=\"top\">Running:"), std::string::npos);
  const std::regex name(R"(<tr><td align="left">([^<]*)</td></tr>)");
  std::vector<std::string> names;
  for (auto m = std::sregex_iterator(html.begin(), html.end(), name); m != std::sregex_iterator(); ++m)
    names.push_back((*m)[1]);
  EXPECT_EQ(names, (std::vector<std::string>{"export &lt;a&gt;", "import", "export &lt;a&gt;"}));
  EXPECT_LT(html.find("Running:"), html.find("import"));
}

TEST_F(InformationPageTest, TagsGivePicturesSizesAndTables) {
  SchemePageState selected{"daily", false, false, ssWaiting, 0};
  PageContext ctx;
  ctx.pictures = &pictures;
  ctx.bodyWidth = 640;
  ctx.bodyHeight = 480;
  EXPECT_EQ(PageTagValue("IMGEXIT", ctx), pictures.File("imgExit"));
  EXPECT_EQ(PageTagValue("imgNoSuchPicture", ctx), "");
  EXPECT_EQ(PageTagValue("tagbodywidth", ctx), "640");
  EXPECT_EQ(PageTagValue("tagBodyHeight", ctx), "480");
  EXPECT_EQ(PageTagValue("tagSchemeState", ctx), "");  // no scheme selected
  EXPECT_EQ(PageTagValue("tagRuning", ctx), "None plans are running");
  ctx.selected = &selected;
  ctx.running = {"daily"};
  EXPECT_NE(PageTagValue("TagSchemeState", ctx).find("daily"), std::string::npos);

  const std::string page = InformationPageHtml(ctx);
  EXPECT_EQ(page.find("<#"), std::string::npos);
  EXPECT_NE(page.find("href=\"urlHide\""), std::string::npos);
  EXPECT_NE(page.find("href=\"urlExit\""), std::string::npos);
  EXPECT_NE(page.find("src=\"" + pictures.File("imgHide") + "\" width=\"40\" height=\"40\" alt=\"Hide\""),
            std::string::npos);
  EXPECT_NE(page.find("background=\"" + pictures.File("imgBkColor") + "\""), std::string::npos);
  EXPECT_NE(page.find("1 plans are running"), std::string::npos);

  // A picture file deleted meanwhile gives an empty source on the next page; the page leaves the
  // picture out (no broken picture), its link keeping the picture's text.
  ASSERT_FALSE(pictures.File("imgHide").empty());
  std::filesystem::remove(pictures.File("imgHide"));
  EXPECT_EQ(PageTagValue("imgHide", ctx), "");
  const std::string without = InformationPageHtml(ctx);
  EXPECT_EQ(without.find("src=\"\""), std::string::npos) << without;
  EXPECT_NE(without.find("<a href=\"urlHide\">Hide</a>"), std::string::npos) << without;
  EXPECT_NE(without.find("src=\"" + pictures.File("imgExit") + "\""), std::string::npos);
  // While the window is going, nothing is replaced.
  ctx.destroying = true;
  EXPECT_EQ(PageTagValue("imgExit", ctx), "");
  EXPECT_EQ(PageTagValue("tagRuning", ctx), "");

  EXPECT_EQ(ProducePage("a<#x p=1>b<#Y>c<#", [](const std::string& t) { return "[" + t + "]"; }), "a[x]b[Y]c<#");
}

TEST(InformationPageLinks, OwnLinksHideOrExitAndTheTrayCountsRuns) {
  const std::pair<const char*, PageLink> cases[] = {
      {"urlHide", PageLink::Hide},           {"about:blank#urlHide", PageLink::Hide},
      {"urlExit", PageLink::Exit},           {"file:///x/urlExit?urlHide", PageLink::Exit},
      {"https://example.invalid/", PageLink::Follow}, {"", PageLink::Follow},
  };
  for (const auto& [url, link] : cases) EXPECT_EQ(PageLinkOf(url), link) << url;
  EXPECT_EQ(TrayHintText(0), "Wait for executing");
  EXPECT_EQ(TrayHintText(2), "2 plans are running");
  EXPECT_FALSE(TrayCycles(0));
  EXPECT_TRUE(TrayCycles(1));
}

TEST_F(InformationPageTest, PicturesAreWrittenByKeyAndGoAgainWithTheirFilesOnly) {
  const std::string temp = folder / "Temp";
  std::vector<std::string> keys;
  for (const auto& [key, file] : pictures.Files()) {
    keys.push_back(key);
    EXPECT_EQ(std::filesystem::path(file).parent_path(), std::filesystem::path(temp));
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"imgScheme", "imgBkColor", "imgRedBall", "imgExit", "imgHide", "imgTimer",
                                            "imgTimerBmp", "imgRuning"}));
  EXPECT_EQ(pictures.File("imgTimer"), temp + "/imgTimer.gif");
  EXPECT_EQ(pictures.File("imgTimerBmp"), temp + "/imgTimer.bmp");

  // The timer is an endless animation; its bitmap is its first frame.
  olv::TGIFImage timer;
  timer.LoadFromFile(pictures.File("imgTimer"));
  ASSERT_GT(timer.Images().Count(), 1);
  EXPECT_TRUE(timer.Images().Items(0)->HasLoopExtension());
  EXPECT_EQ(timer.Images().Items(1)->GraphicControlExtension()->Delay(), 25);
  const std::string bmpBytes = testsupport::ReadAll(pictures.File("imgTimerBmp"));
  const olv::TBitmap first =
      olv::ReadBmp(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bmpBytes.data()), bmpBytes.size()));
  EXPECT_EQ(first.Width(), timer.Width());
  EXPECT_EQ(first.Height(), timer.Height());
  EXPECT_EQ(first.Pixel(33, 33), timer.GetBitmap()->Pixel(33, 33));

  // Other files of the folder stay, and so does the folder.
  testsupport::WriteAll(temp + "/other.txt", "x");
  pictures.DeleteFiles();
  EXPECT_EQ(folder.names(), std::vector<std::string>{"Temp"});
  EXPECT_TRUE(std::filesystem::exists(temp + "/other.txt"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp), std::filesystem::directory_iterator()), 1);
  EXPECT_EQ(pictures.File("imgExit"), "");
}

}  // namespace
}  // namespace sch
