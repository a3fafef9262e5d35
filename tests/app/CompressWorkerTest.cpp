// The compress dialog's worker apart from its window: the job runs on a thread of its own, its
// outcome comes back to the main thread, and neither a worker that goes first nor a main thread
// that shuts down leaves a handler touching freed memory or a thread waiting for ever.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "app/core/CompressJob.h"
#include "foundation/files/CompressedFile.h"
#include "platform/HeadlessMainThread.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WaitUntil.h"

namespace sch {
namespace {

class CompressWorkerTest : public ::testing::Test {
 protected:
  // Runs the main loop until the worker's outcome has come back (or the watchdog ends it).
  void RunUntilFinished(const char* what) {
    testsupport::Watchdog watchdog(what, testsupport::kPatience, [this] { main.quit(); });
    main.run();
  }
  CompressWorker::Finished Record() {
    return [this](const std::string& error) {
      outcome = error;
      onMain = main.isMainThread();
      ++reports;
      main.quit();
    };
  }
  std::string WriteSource(const std::string& name, const std::string& text) {
    std::string path = dir / name;
    std::ofstream(path) << text;
    return path;
  }

  plat::HeadlessMainThread main;
  testsupport::ScratchFolder dir;
  std::optional<std::string> outcome;
  bool onMain = false;
  int reports = 0;
};

TEST_F(CompressWorkerTest, RunsOneJobAtATimeAndReportsOnTheMainThread) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "row " + std::to_string(i) + "\n";
  const std::string source = WriteSource("a.dmp", text), packed = dir / "a.z", back = dir / "b.dmp";
  CompressWorker worker(main);
  ASSERT_TRUE(worker.Start({source, packed, true}, Record()));
  EXPECT_TRUE(worker.Busy());
  // Until the first job has reported back a second one is refused, however far the first got.
  EXPECT_FALSE(worker.Start({source, dir / "other.z", true}, Record()));
  RunUntilFinished("the compress job's outcome");
  ASSERT_EQ(outcome, "");
  EXPECT_TRUE(onMain);
  EXPECT_FALSE(worker.Busy());
  EXPECT_TRUE(olv::IsCompressedFile(packed));
  EXPECT_FALSE(std::filesystem::exists(dir / "other.z"));

  // Once the first job has reported back, the same worker takes the next.
  ASSERT_TRUE(worker.Start({packed, back, false}, Record()));
  RunUntilFinished("the expand job's outcome");
  ASSERT_EQ(outcome, "");
  EXPECT_EQ(reports, 2);
  std::ifstream in(back);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
}

TEST_F(CompressWorkerTest, AnErrorOfTheJobIsReportedAndTheWorkerIsFreeAgain) {
  const std::string damaged = WriteSource("bad.z", olv::MakeCompressedHeader() + "not a zlib stream at all");
  WriteSource("keep.dmp", "kept");
  CompressWorker worker(main);
  ASSERT_TRUE(worker.Start({damaged, dir / "keep.dmp", false}, Record()));
  RunUntilFinished("the failed job's outcome");
  ASSERT_TRUE(outcome.has_value());
  EXPECT_FALSE(outcome->empty());
  EXPECT_TRUE(onMain);
  EXPECT_FALSE(worker.Busy());
  std::ifstream in(dir / "keep.dmp");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
}

TEST_F(CompressWorkerTest, AWorkerDestroyedBeforeItsReportDropsIt) {
  const std::string source = WriteSource("a.dmp", std::string(100000, 'q'));
  {
    CompressWorker worker(main);
    ASSERT_TRUE(worker.Start({source, dir / "a.z", true}, Record()));
    // Let the report reach the queue, so the handler outlives the worker that queued it.
    testsupport::WaitUntil([&] { return main.hasPending(); }, "the job's report to be queued");
  }
  main.processPending();
  EXPECT_EQ(reports, 0);
  EXPECT_TRUE(olv::IsCompressedFile(dir / "a.z"));  // the job itself was not cut short
}

TEST_F(CompressWorkerTest, AMainThreadShuttingDownNeverHearsOfTheJobAndNothingHangs) {
  const std::string source = WriteSource("a.dmp", std::string(100000, 'q'));
  main.beginShutdown();
  {
    CompressWorker worker(main);
    ASSERT_TRUE(worker.Start({source, dir / "a.z", true}, Record()));
    EXPECT_TRUE(worker.Busy());  // the report that would free it cannot come
  }  // the destructor waits for the job's thread, which does not wait for the main thread
  EXPECT_EQ(main.processPending(), 0);
  EXPECT_EQ(reports, 0);
}

}  // namespace
}  // namespace sch
