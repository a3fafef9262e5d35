#include "platform/PausableWorker.h"

#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/WaitUntil.h"

namespace plat {
namespace {

using namespace std::chrono_literals;

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Counts the rounds of a body and lets the test wait for a given count.
class Rounds {
 public:
  void add() {
    {
      std::lock_guard lock(m_);
      ++n_;
    }
    cv_.notify_all();
  }
  int count() {
    std::lock_guard lock(m_);
    return n_;
  }
  void waitFor(int n) {
    std::unique_lock lock(m_);
    testsupport::WaitUntil(cv_, lock, [&] { return n_ >= n; }, testsupport::kPatience,
                           "round " + std::to_string(n) + " of the body");
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  int n_ = 0;
};

constexpr auto kForever = std::chrono::milliseconds(std::chrono::hours(24));

TEST(PausableWorkerTest, CreatedPausedTheBodyBeginsOnResume) {
  Rounds rounds;
  PausableWorker w([&](PausableWorker& self) {
    do rounds.add();
    while (self.sleepFor(kForever));
  });
  EXPECT_TRUE(w.paused());
  EXPECT_FALSE(w.active());
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(rounds.count(), 0);
  w.resume();
  rounds.waitFor(1);
  EXPECT_TRUE(w.active());
}

TEST(PausableWorkerTest, QuitWakesASleepingOrPausedBodyAtOnce) {
  for (bool pauseFirst : {false, true}) {
    SCOPED_TRACE(pauseFirst ? "paused" : "sleeping");
    Rounds rounds;
    std::atomic<bool> sleepResult{true};
    {
      PausableWorker w(
          [&](PausableWorker& self) {
            rounds.add();
            sleepResult = self.sleepFor(kForever);
          },
          /*startPaused=*/false);
      rounds.waitFor(1);
      if (pauseFirst) w.pause();
      w.quit();
    }  // joins: would hang for a day if the sleeper were not woken
    EXPECT_FALSE(sleepResult);
  }
}

TEST(PausableWorkerTest, PauseCutsTheSleepShortAndResumeGoesOnAtOnce) {
  Rounds rounds;
  PausableWorker w(
      [&](PausableWorker& self) {
        do rounds.add();
        while (self.sleepFor(kForever));
      },
      false);
  rounds.waitFor(1);
  w.pause();
  EXPECT_FALSE(w.active());
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(rounds.count(), 1) << "a paused worker ran a round";
  w.resume();
  rounds.waitFor(2);  // without waiting out the day-long interval
}

TEST(PausableWorkerTest, AWakeEndsTheSleepInProgressOrElseTheNextOne) {
  Rounds rounds;
  std::mutex m;
  std::condition_variable cv;
  bool working = false, release = false;
  PausableWorker w(
      [&](PausableWorker& self) {
        rounds.add();
        self.sleepFor(kForever);  // woken while asleep
        rounds.add();
        {
          std::unique_lock lock(m);
          working = true;
          cv.notify_all();
          cv.wait(lock, [&] { return release; });
        }
        self.sleepFor(kForever);  // woken before it began
        rounds.add();
      },
      false);
  rounds.waitFor(1);
  w.wake();
  rounds.waitFor(2);
  {
    std::unique_lock lock(m);
    testsupport::WaitUntil(cv, lock, [&] { return working; }, testsupport::kPatience, "the body at work");
  }
  w.wake();
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  rounds.waitFor(3);  // without waiting out the day-long sleep
}

TEST(PausableWorkerTest, PauseLetsWorkInProgressFinishAndStopsAtTheNextCheckpoint) {
  std::mutex m;
  std::condition_variable cv;
  bool inWork = false, release = false;
  Rounds finished;
  PausableWorker w(
      [&](PausableWorker& self) {
        do {
          std::unique_lock lock(m);
          inWork = true;
          cv.notify_all();
          cv.wait(lock, [&] { return release; });
          release = false;
          inWork = false;
          lock.unlock();
          finished.add();
        } while (finished.count() < 2 && self.checkpoint());
      },
      false);
  {
    std::unique_lock lock(m);
    testsupport::WaitUntil(cv, lock, [&] { return inWork; }, testsupport::kPatience, "the body at work");
  }
  w.pause();  // in the middle of the work
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  finished.waitFor(1);  // the work in progress ends despite the pause
  std::this_thread::sleep_for(30ms);
  {
    std::lock_guard lock(m);
    EXPECT_FALSE(inWork) << "the body went past its checkpoint while paused";
  }
  w.resume();
  std::unique_lock lock(m);
  testsupport::WaitUntil(cv, lock, [&] { return inWork; }, testsupport::kPatience, "the body at work again");
  release = true;
  lock.unlock();
  cv.notify_all();
  finished.waitFor(2);
}

TEST(PausableWorkerTest, AnExceptionEndsTheWorkerAndIsKept) {
  PausableWorker w([](PausableWorker&) { throw std::runtime_error("round failed"); }, false);
  w.join();
  EXPECT_TRUE(w.ended());
  EXPECT_FALSE(w.active());
  ASSERT_TRUE(w.failure());
  try {
    std::rethrow_exception(w.failure());
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "round failed");
  }
}

TEST(PausableWorkerTest, SleepingAndPausedWorkersUseNoCpu) {
  std::atomic<double> sleptCpu{-1}, pausedCpu{-1};
  Rounds rounds;
  PausableWorker w(
      [&](PausableWorker& self) {
        double t0 = threadCpuSeconds();
        self.sleepFor(300ms);
        sleptCpu = threadCpuSeconds() - t0;
        rounds.add();
        t0 = threadCpuSeconds();
        self.sleepFor(kForever);  // paused by the test, at its start or while it lasts
        pausedCpu = threadCpuSeconds() - t0;
        rounds.add();
      },
      false);
  rounds.waitFor(1);
  w.pause();
  std::this_thread::sleep_for(300ms);
  w.resume();
  rounds.waitFor(2);
  EXPECT_LT(sleptCpu.load(), 0.05);
  EXPECT_LT(pausedCpu.load(), 0.05);
}

}  // namespace
}  // namespace plat
