#include "app/gui/QtMainThread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <thread>

namespace sch {
namespace {

// Runs the GUI event loop until `done` holds (the loop is what delivers the queued calls).
template <typename Pred>
void PumpUntil(Pred done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(QtMainThread, SendFromAWorkerRunsOnTheGuiThreadAndWaits) {
  QtMainThread main;
  std::atomic<bool> finished{false};
  std::thread::id ranOn;
  bool sent = false;
  std::thread worker([&] {
    sent = main.send([&] { ranOn = std::this_thread::get_id(); });
    finished = true;
  });
  PumpUntil([&] { return finished.load(); });
  worker.join();
  EXPECT_TRUE(sent);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_TRUE(main.isMainThread());
}

TEST(QtMainThread, PostedHandlersRunInOrderFromTheEventLoop) {
  QtMainThread main;
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) main.post([&order, i] { order.push_back(i); });
  });
  worker.join();
  PumpUntil([&] { return order.size() == 5; });
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(QtMainThread, AfterShutdownASenderIsReleasedWithoutTheLoop) {
  QtMainThread main;
  std::atomic<int> started{0};
  std::atomic<bool> result{true};
  // The sender blocks because nobody pumps the loop; shutdown must release it.
  std::thread worker([&] {
    started = 1;
    result = main.send([] {});
  });
  while (!started) std::this_thread::yield();
  main.beginShutdown();
  worker.join();
  EXPECT_FALSE(result);
  EXPECT_FALSE(main.send([] {}));  // from the GUI thread too: nothing runs once shutdown began
}

}  // namespace
}  // namespace sch
