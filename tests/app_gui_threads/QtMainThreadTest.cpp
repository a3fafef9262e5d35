// The Qt main thread as the workers see it: handlers sent and posted from other threads run on
// the thread of the QCoreApplication, in order, and a shutdown releases every sender. Built into
// the thread checker's tree, so the hand-over through Qt's event loop is checked for races.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/core/CompressJob.h"
#include "app/gui/QtMainThread.h"
#include "foundation/files/CompressedFile.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WaitUntil.h"

namespace sch {
namespace {

class QtMainThreadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "orascheme-test";
    static char* argv[] = {name, nullptr};
    app_ = new QCoreApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete app_;
    app_ = nullptr;
  }
  // Handles the Qt events of this thread until `done` holds, or gives up naming `what`.
  template <class Done>
  static bool Spin(Done done, const char* what) {
    return testsupport::WaitUntil([&] {
      QCoreApplication::processEvents();
      return done();
    }, what);
  }

  static QCoreApplication* app_;
};
QCoreApplication* QtMainThreadTest::app_ = nullptr;

TEST_F(QtMainThreadTest, HandlersFromManyWorkersRunOnTheMainThreadInEachSendersOrder) {
  QtMainThread main;
  constexpr int kWorkers = 4, kEach = 200;
  // Touched only by handlers, so only on the main thread: the checker reports any that is not.
  std::vector<std::vector<int>> seen(kWorkers);
  int offMain = 0;
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w)
    workers.emplace_back([&, w] {
      EXPECT_FALSE(main.isMainThread());
      for (int i = 0; i < kEach; ++i) {
        auto handler = [&, w, i] {
          if (!main.isMainThread()) ++offMain;
          seen[w].push_back(i);
        };
        // Every other one waits for its handler, so sent and posted ones interleave.
        EXPECT_TRUE(i % 2 ? main.send(handler) : main.post(handler));
      }
      ++finished;
    });
  const bool spun = Spin([&] {
    if (finished < kWorkers) return false;
    for (const auto& one : seen)
      if (one.size() < kEach) return false;
    return true;
  }, "every worker's handlers to run");
  if (!spun) main.beginShutdown();  // releases a sender still waiting, so the joins end
  for (auto& t : workers) t.join();
  EXPECT_TRUE(main.isMainThread());
  EXPECT_EQ(offMain, 0);
  for (int w = 0; w < kWorkers; ++w) {
    ASSERT_EQ(seen[w].size(), static_cast<size_t>(kEach)) << "worker " << w;
    for (int i = 0; i < kEach; ++i) EXPECT_EQ(seen[w][i], i) << "worker " << w;
  }
}

TEST_F(QtMainThreadTest, ASentHandlersResultAndErrorReachTheSender) {
  QtMainThread main;
  std::string result;  // written by the handler on the main thread, read by the sender after send
  std::string error;
  std::atomic<bool> over{false};
  std::thread worker([&] {
    main.send([&] { result = "from the main thread"; });
    try {
      main.send([] { throw std::runtime_error("refused"); });
    } catch (const std::runtime_error& e) {
      error = e.what();
    }
    over = true;
  });
  const bool spun = Spin([&] { return over.load(); }, "the worker's two sends");
  if (!spun) main.beginShutdown();
  worker.join();
  EXPECT_EQ(result, "from the main thread");
  EXPECT_EQ(error, "refused");
}

TEST_F(QtMainThreadTest, ShutdownReleasesASenderTheLoopNeverServed) {
  QtMainThread main;
  std::atomic<bool> started{false};
  bool ran = false;
  bool delivered = true;
  std::thread worker([&] {
    started = true;
    delivered = main.send([&] { ran = true; });
  });
  // The loop does not run: the sender stays blocked until the shutdown lets it go.
  ASSERT_TRUE(testsupport::WaitUntil([&] { return started && main.hasPending(); }, "the send to be queued"));
  main.beginShutdown();
  worker.join();
  EXPECT_FALSE(delivered);
  EXPECT_FALSE(main.post([&] { ran = true; }));
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

TEST_F(QtMainThreadTest, TheCompressWorkersOutcomeComesBackThroughTheEventLoop) {
  testsupport::ScratchFolder dir;
  const std::string source = dir / "a.dmp", packed = dir / "a.z";
  {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "row " + std::to_string(i) + "\n";
    std::ofstream(source) << text;
  }
  QtMainThread main;
  CompressWorker worker(main);
  bool reported = false, onMain = false;
  std::string error = "not reported";
  ASSERT_TRUE(worker.Start({source, packed, true}, [&](const std::string& e) {
    error = e;
    onMain = main.isMainThread();
    reported = true;
  }));
  ASSERT_TRUE(Spin([&] { return reported; }, "the compress job's outcome"));
  EXPECT_TRUE(onMain);
  EXPECT_EQ(error, "");
  EXPECT_FALSE(worker.Busy());
  EXPECT_TRUE(olv::IsCompressedFile(packed));
}

}  // namespace
}  // namespace sch
