#include "platform/HeadlessMainThread.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/RunLoop.h"
#include "tests/support/WaitUntil.h"

namespace plat {
namespace {

using namespace std::chrono_literals;

// Blocks the calling thread until the queue holds something (the worker has queued its handler).
void waitUntilQueued(const MainThreadQueue& q) {
  testsupport::WaitUntil([&] { return q.hasPending(); }, "a handler in the queue");
}

TEST(MainThreadTest, SendRunsOnTheMainThreadAndBlocksTheSenderUntilHandled) {
  HeadlessMainThread main;
  EXPECT_TRUE(main.isMainThread());
  constexpr int kWorkers = 4;
  std::atomic<int> queued{0};
  std::atomic<int> returned{0};
  std::atomic<int> handled{0};
  std::atomic<bool> allOnMain{true};
  std::vector<int> seenBySender(kWorkers, 0);
  std::vector<int> values(kWorkers, 0);  // written by the handlers, read by the senders unlocked

  std::vector<std::thread> workers;
  for (int i = 0; i < kWorkers; ++i) {
    workers.emplace_back([&, i] {
      EXPECT_FALSE(main.isMainThread());
      ++queued;
      EXPECT_TRUE(main.send([&, i] {
        if (!main.isMainThread()) allOnMain = false;
        values[i] = i + 100;
        if (++handled == kWorkers) main.quit();
      }));
      seenBySender[i] = values[i];
      ++returned;
    });
  }
  testsupport::WaitUntil([&] { return queued == kWorkers; }, "every sender about to send");
  std::this_thread::sleep_for(50ms);  // a sender that did not block would have returned by now
  EXPECT_EQ(returned.load(), 0);
  EXPECT_EQ(handled.load(), 0);

  testsupport::RunUntilQuit(main, "the handler that quits the loop");
  for (auto& w : workers) w.join();
  EXPECT_TRUE(allOnMain);
  EXPECT_EQ(returned.load(), kWorkers);
  for (int i = 0; i < kWorkers; ++i) EXPECT_EQ(seenBySender[i], i + 100);
}

TEST(MainThreadTest, HandlersRunInTheOrderTheyWereQueued) {
  HeadlessMainThread main;
  std::vector<int> order;  // touched on the main thread only
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) {
      if (i % 10 == 9)
        main.send([&, i] { order.push_back(i); });
      else
        main.post([&, i] { order.push_back(i); });
    }
    main.post([&] { main.quit(); });
  });
  testsupport::RunUntilQuit(main, "the handler that quits the loop");
  worker.join();
  std::vector<int> expected(50);
  for (int i = 0; i < 50; ++i) expected[i] = i;
  EXPECT_EQ(order, expected);

  // Posted from the main thread itself: queued too, not run inline.
  order.clear();
  main.post([&] { order.push_back(1); });
  main.post([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(main.processPending(), 2);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(MainThreadTest, SendOnTheMainThreadRunsAtOnce) {
  HeadlessMainThread main;
  bool ran = false;
  EXPECT_TRUE(main.send([&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_FALSE(main.hasPending());
}

TEST(MainThreadTest, AnExceptionInASentHandlerReachesTheSender) {
  HeadlessMainThread main;
  std::string caught;
  std::thread worker([&] {
    try {
      main.send([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    main.post([&] { main.quit(); });
  });
  testsupport::RunUntilQuit(main, "the handler that quits the loop");
  worker.join();
  EXPECT_EQ(caught, "handler failed");
}

TEST(MainThreadTest, ShutdownReleasesBlockedSendersAndRefusesNewWork) {
  HeadlessMainThread main;
  std::atomic<bool> handlerRan{false};
  std::atomic<int> result{-1};
  std::thread worker([&] { result = main.send([&] { handlerRan = true; }) ? 1 : 0; });
  waitUntilQueued(main);

  main.beginShutdown();  // the main thread no longer handles messages; nobody calls run()
  worker.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_FALSE(handlerRan);
  EXPECT_TRUE(main.shuttingDown());

  bool ran = false;
  std::thread late([&] { EXPECT_FALSE(main.send([&] { ran = true; })); });
  late.join();
  EXPECT_FALSE(main.send([&] { ran = true; })) << "not even on the main thread";
  EXPECT_FALSE(main.post([&] { ran = true; }));
  EXPECT_EQ(main.processPending(), 0);
  EXPECT_FALSE(ran);
}

TEST(MainThreadTest, ASenderWhoseHandlerHasStartedWaitsForItsEnd) {
  HeadlessMainThread main;
  std::atomic<bool> finished{false};
  std::atomic<bool> sendResult{false};
  std::thread worker([&] {
    sendResult = main.send([&] {
      main.beginShutdown();  // shutdown begins while this handler runs
      std::this_thread::sleep_for(20ms);
      finished = true;
    });
    EXPECT_TRUE(finished) << "send returned before its handler ended";
  });
  waitUntilQueued(main);
  main.processPending();
  worker.join();
  EXPECT_TRUE(sendResult);
}

}  // namespace
}  // namespace plat
