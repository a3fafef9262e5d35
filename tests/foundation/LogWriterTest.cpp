#include "foundation/files/LogWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "platform/Clock.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/ScopedEnv.h"

namespace fs = std::filesystem;

namespace {

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.path();
    olv::SetLogFileName((dir_ / "orascheme.LOG").string());
  }
  void TearDown() override {
    olv::SetLogFileName("");
    plat::SetCurrentClock(nullptr);
  }
  std::string Content() const {
    std::ifstream in(dir_ / "orascheme.LOG", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  testsupport::ScratchFolder scratch_;
  fs::path dir_;
};

TEST_F(LogFile, LinesWithoutHeaderAreTheTextAndCrLf) {
  olv::WriteLog("first", false);
  olv::WriteLog("", false);
  olv::WriteLog("第二", false);
  EXPECT_EQ(Content(), "first\r\n\r\n第二\r\n");
}

TEST_F(LogFile, HeaderHoldsTimeComputerUserAndEmptyAppUser) {
  testsupport::ScopedEnv env;
  env.Set("TZ", "UTC");
  ::tzset();
  // 2024-03-05 14:07:09.042 UTC
  plat::FakeClock clock(std::chrono::system_clock::time_point(std::chrono::milliseconds(1709647629042LL)));
  plat::SetCurrentClock(&clock);
  olv::WriteLog("text", true);
  const std::string line = Content();
  const std::string stamp = "2024.03.05 14:07:09.042 ";
  ASSERT_EQ(line.rfind(stamp, 0), 0u) << line;
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  const std::string rest = line.substr(stamp.size());
  EXPECT_EQ(rest.rfind(std::string(host) + " ", 0), 0u) << line;
  // The application user is empty: two blanks before the colon.
  EXPECT_EQ(rest.find("  : "), rest.size() - 10) << line;
}

TEST_F(LogFile, ThreadsWritingAtOnceLoseNoLineAndMixNone) {
  constexpr int kThreads = 8, kLines = 400;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        olv::WriteLog("thread " + std::to_string(t) + " line " + std::to_string(i) + " " + std::string(200, 'x'),
                      i % 2 == 0);
    });
  for (auto& th : threads) th.join();
  const std::string all = Content();
  std::set<std::string> seen;
  std::size_t start = 0, count = 0;
  while (start < all.size()) {
    std::size_t end = all.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    std::string line = all.substr(start, end - start);
    std::size_t at = line.find("thread ");
    ASSERT_NE(at, std::string::npos) << line;
    EXPECT_TRUE(seen.insert(line.substr(at)).second) << line;
    EXPECT_EQ(line.substr(line.size() - 200), std::string(200, 'x')) << line;
    start = end + 2;
    ++count;
  }
  EXPECT_EQ(count, static_cast<std::size_t>(kThreads * kLines));
  EXPECT_EQ(seen.size(), count);
}

TEST_F(LogFile, AnUnwritableLogIsIgnored) {
  olv::SetLogFileName((dir_ / "missing-folder" / "x.LOG").string());
  EXPECT_NO_THROW(olv::WriteLog("lost quietly", true));
  EXPECT_FALSE(fs::exists(dir_ / "missing-folder"));
}

}  // namespace
