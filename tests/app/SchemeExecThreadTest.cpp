// The timer's sleep: from the earliest due moment to the next look (random schedules against the
// per-minute check, and local-time offset changes), and the wakes that cut it short: every edit
// of what is due, a run's new LastRunTime, a set clock, a stop and start, a load and a delete.
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/core/SchemeExecThread.h"
#include "app/core/SchemeTime.h"
#include "foundation/text/DateTime.h"
#include "tests/app/HostTestSupport.h"
#include "tests/support/ScopedEnv.h"

namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using TimePoint = std::chrono::system_clock::time_point;

const std::string kFakeCmd = ORASCHEME_SOURCE_DIR "/tools/fake_cmd.sh";

// The process's time zone for the length of a test (a POSIX rule needs no zone database).
class ScopedZone {
 public:
  explicit ScopedZone(const char* tz) {
    env_.emplace().Set("TZ", tz);
    ::tzset();
  }
  ~ScopedZone() {
    env_.reset();
    ::tzset();
  }

 private:
  std::optional<testsupport::ScopedEnv> env_;
};

TimePoint Utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  using namespace std::chrono;
  return sys_days{year{y} / mo / d} + hours{h} + minutes{mi} + seconds{s} + milliseconds{ms};
}

double Local(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) {
  return olv::EncodeDate(y, mo, d) + olv::EncodeTime(h, mi, s, ms);
}

// ---- The next look -----------------------------------------------------------------------------

// The per-minute check: now, then every minute boundary for `days` days. Matches stays the same
// through each minute (periods begin at midnight, run times fall on whole minutes), so the first
// of these moments at which it holds is the first at which any per-interval check could start the
// run.
std::optional<double> FirstDueByMinutes(const sch::TSchemeTime& times, double last, double now, int days) {
  if (times.Matches(last, now)) return now;
  const double today = olv::DateOf(now);
  for (int d = 0; d <= days; ++d) {
    for (int minute = 0; minute < 24 * 60; ++minute) {
      const double m = today + d + olv::EncodeTime(minute / 60, minute % 60, 0, 0);
      if (m > now && times.Matches(last, m)) return m;
    }
  }
  return std::nullopt;
}

TEST(TimerNextLook, NeverLaterThanThePerMinuteCheckOnRandomSchedules) {
  ScopedZone utc("UTC0");
  std::mt19937 rng(20240306);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  constexpr int kDays = 2;
  constexpr milliseconds kLongest = 60s;
  int dueNow = 0, withinSleep = 0, searchedPast = 0;
  for (int n = 0; n < 1000; ++n) {
    // A day in a year with or without 29 February, and run times near it, so that most fall due
    // within the days searched; some on dates a month lacks.
    const int year = pick(2023, 2029), month = pick(1, 12), day = pick(1, olv::DaysOfMonth(year, month));
    sch::TSchemeTime times;
    times.FMode = static_cast<uint8_t>(pick(0, 4));
    for (int items = pick(1, 3); items > 0; --items) {
      auto item = std::make_unique<sch::TSchemeTimeItem>();
      item->Hour = static_cast<uint16_t>(pick(0, 23));
      item->Minute = static_cast<uint16_t>(pick(0, 59));
      item->Week = static_cast<uint8_t>(pick(0, 6));
      item->Day = static_cast<uint16_t>(pick(0, 3) == 0 ? pick(28, 31) : std::clamp(day + pick(-1, 2), 1, 31));
      item->Month = static_cast<uint16_t>(pick(0, 3) == 0 ? 2 : month);
      item->Year = static_cast<uint16_t>(year + pick(-1, 0));
      times.Add(std::move(item));
    }
    // Now, with milliseconds: anywhere in the day, or up to 90 s before the first run time's
    // moment, which then lies on that day in every mode. The clock's moment has microseconds
    // that the local time does not show.
    sch::TSchemeTimeItem& first = *times.GetItem(0);
    const double date = olv::EncodeDate(year, month, day);
    double roughly = date + pick(0, 86399999) / olv::kMSecsPerDay;
    if (pick(0, 1)) {
      first.Week = static_cast<uint8_t>((olv::DayOfWeek(date) + 5) % 7);
      first.Day = static_cast<uint16_t>(day);
      first.Month = static_cast<uint16_t>(month);
      first.Year = static_cast<uint16_t>(year);
      roughly = std::max(date, date + olv::EncodeTime(first.Hour, first.Minute, 0, 0) - pick(1, 90000) / olv::kMSecsPerDay);
    }
    const TimePoint clockNow = olv::ToTimePoint(roughly) + std::chrono::microseconds(pick(0, 999));
    const double now = olv::FromTimePoint(clockNow);
    // Never run, run a while ago, run at a run time's very moment, or "after" now (a clock set
    // back).
    double last = 0;
    switch (pick(0, 3)) {
      case 0: break;
      case 1: last = now - pick(0, 40 * 24 * 60) / (24.0 * 60); break;
      case 2: last = olv::DateOf(now) + pick(-2, 1) + olv::EncodeTime(first.Hour, first.Minute, 0, 0); break;
      default: last = now + pick(0, 3 * 24 * 60) / (24.0 * 60); break;
    }
    SCOPED_TRACE(::testing::Message() << "case " << n << ": mode " << int(times.FMode) << ", now "
                                      << olv::DateTimeToStr(now) << ", last " << olv::DateTimeToStr(last));

    const double next = times.NextDue(last, now);
    const std::optional<double> byMinutes = FirstDueByMinutes(times, last, now, kDays);
    if (byMinutes) {
      EXPECT_EQ(next, *byMinutes);
    } else {
      EXPECT_GT(next, olv::DateOf(now) + kDays + 1) << "nothing is due within the days searched";
    }
    if (next <= now) {
      ++dueNow;
      continue;
    }

    const milliseconds sleep = sch::TimerSleep(next, clockNow, 1000ms, kLongest);
    const TimePoint look = clockNow + sleep;
    ASSERT_GE(sleep, 1ms);
    ASSERT_LE(sleep, kLongest);
    // Not due a millisecond before the look: no check, whatever its interval, could start the
    // run before the timer looks.
    EXPECT_FALSE(times.Matches(last, olv::FromTimePoint(look - 1ms)));
    if (olv::FromTimePoint(clockNow + kLongest) >= next) {
      ++withinSleep;
      EXPECT_TRUE(times.Matches(last, olv::FromTimePoint(look))) << "the look comes before the due moment";
    } else {
      ++searchedPast;
      EXPECT_EQ(sleep, kLongest);
    }
  }
  // Each branch was taken often enough to mean something.
  EXPECT_GT(dueNow, 100);
  EXPECT_GT(withinSleep, 100);
  EXPECT_GT(searchedPast, 100);
}

struct SleepCase {
  const char* name;
  TimePoint now;
  double next;
  milliseconds interval;
  milliseconds sleep;
};

TEST(TimerNextLook, AcrossAChangeOfLocalOffsetNoLongerThanTheInterval) {
  // Central European time: summer time from 2024-03-31 01:00 UTC (02:00 becomes 03:00) to
  // 2024-10-27 01:00 UTC (03:00 becomes 02:00).
  ScopedZone cet("CET-1CEST,M3.5.0,M10.5.0/3");
  const SleepCase cases[] = {
      {"an hour ahead: the longest sleep", Utc(2024, 3, 6, 9, 20, 0), Local(2024, 3, 6, 11, 20), 1000ms, 60s},
      {"within the minute, to the millisecond", Utc(2024, 3, 6, 9, 29, 30, 250), Local(2024, 3, 6, 10, 30), 1000ms, 29750ms},
      {"nothing ever due", Utc(2024, 3, 6, 9, 20, 0), sch::kNeverDue, 1000ms, 60s},
      {"summer time begins during the sleep", Utc(2024, 3, 31, 0, 59, 30), Local(2024, 3, 31, 3, 0, 10), 1000ms, 1000ms},
      {"due in the hour that is skipped", Utc(2024, 3, 31, 0, 59, 30), Local(2024, 3, 31, 2, 30), 1000ms, 1000ms},
      {"summer time begins after the sleep", Utc(2024, 3, 31, 0, 58, 0), Local(2024, 3, 31, 3, 30), 1000ms, 60s},
      {"summer time ends during the sleep", Utc(2024, 10, 27, 0, 59, 30), Local(2024, 10, 27, 3, 0, 10), 1000ms, 1000ms},
      {"a longer interval than the sleep", Utc(2024, 10, 27, 0, 59, 30), Local(2024, 10, 27, 3, 0, 10), 300000ms, 40000ms},
      {"after the change, as usual", Utc(2024, 10, 27, 1, 30, 0), Local(2024, 10, 27, 2, 30, 40), 1000ms, 40000ms},
  };
  for (const SleepCase& c : cases) {
    EXPECT_EQ(sch::TimerSleep(c.next, c.now, c.interval, 60s), c.sleep) << c.name;
  }
}

// ---- Wakes -------------------------------------------------------------------------------------

// How long each sleep of the timer was meant to last, for the test to wait on.
class SleepLog {
 public:
  void Add(milliseconds sleep) {
    {
      std::lock_guard lock(mutex_);
      sleeps_.push_back(sleep);
    }
    cv_.notify_all();
  }
  size_t Count() const {
    std::lock_guard lock(mutex_);
    return sleeps_.size();
  }
  // Waits until one of the sleeps after the first `after` is meant to last `expected` (to the
  // millisecond); false when none is within a generous time. A timer that missed a wake sleeps
  // for the test's longest sleep of two days and fails here.
  bool WaitFor(milliseconds expected, size_t after) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, kFailsafe, [&] {
      return std::any_of(sleeps_.begin() + static_cast<std::ptrdiff_t>(std::min(after, sleeps_.size())), sleeps_.end(),
                         [&](milliseconds s) { return std::chrono::abs(s - expected) <= 1ms; });
    });
  }
  // Waits until count sleeps have begun; false when they did not within a generous time.
  bool WaitForCount(size_t count) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, kFailsafe, [&] { return sleeps_.size() >= count; });
  }
  std::string Text() const {
    std::lock_guard lock(mutex_);
    std::string text;
    for (milliseconds s : sleeps_) text += std::to_string(s.count()) + " ";
    return text;
  }

  static constexpr auto kFailsafe = 20s;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<milliseconds> sleeps_;
};

// Constructed before the host that reports to it.
struct SleepLogHolder {
  std::shared_ptr<SleepLog> sleeps = std::make_shared<SleepLog>();
  sch::TimerSettings Timers() {
    sch::TimerSettings timers;
    timers.longestSleep = 48h;  // so that only a wake can explain a new look
    timers.sleeps = [log = sleeps](sch::TSchemeObject&, milliseconds sleep) { log->Add(sleep); };
    return timers;
  }
};

constexpr milliseconds Minutes(int m) { return std::chrono::minutes(m); }

// One command-file scheme due daily at 08:00 that ran today at 10:00; the clock says Wednesday
// 2024-03-06 10:20, so its timer sleeps until tomorrow 08:00: 21 h 40 min.
class TimerWakeTest : protected SleepLogHolder, public schtest::HostTest {
 protected:
  TimerWakeTest() : HostTest({}, Timers()) {}
  void SetUp() override {
    HostTest::SetUp();
    sch::TSchemeWrapper w;
    for (const char* name : {"first", "second"}) {
      sch::TSchemeObject* s = w.AddScheme(name, sch::skDosCommand);
      s->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
      DueDailyAt8(*s);
      s->SchemeTime->GetItem(0)->Week = 4;  // Friday, for the week mode
      s->LastRunTime = Local(2024, 3, 6, 10, 0);
    }
    w.GetScheme(1)->AutoExec = false;
    sch::SaveObjectToFile(file, &w, true);
  }
  // Makes a change and expects the sleeping timer to look again at once and mean to sleep for
  // expected.
  template <typename Change>
  void ExpectNewSleep(const char* what, Change change, milliseconds expected) {
    SCOPED_TRACE(what);
    const size_t before = sleeps->Count();
    change();
    EXPECT_TRUE(sleeps->WaitFor(expected, before)) << "sleeps so far: " << sleeps->Text();
  }
  static auto SetTo(int hour, int minute) {
    return [hour, minute](sch::TSchemeTimeItem& item, int) {
      item.Hour = static_cast<uint16_t>(hour);
      item.Minute = static_cast<uint16_t>(minute);
      return true;
    };
  }
  // Handles run notices until one with param; false when none came within the failsafe time.
  bool RunUntilNoticeOrGiveUp(int param) {
    std::mutex m;
    std::condition_variable cv;
    bool done = false, gaveUp = false;
    std::thread watchdog([&] {
      std::unique_lock lock(m);
      if (!cv.wait_for(lock, SleepLog::kFailsafe, [&] { return done; })) {
        gaveUp = true;
        main.quit();
      }
    });
    RunUntilNotice(param);
    {
      std::lock_guard lock(m);
      done = true;
    }
    cv.notify_all();
    watchdog.join();
    return !gaveUp;
  }

  const milliseconds kTomorrowAt8 = Minutes(21 * 60 + 40);
};

TEST_F(TimerWakeTest, EveryChangeOfWhatIsDueIsSeenAtOnce) {
  host.Start(file);
  sch::TSchemeObject& s = Scheme();
  ASSERT_TRUE(sleeps->WaitFor(kTomorrowAt8, 0));

  ExpectNewSleep("a run time added", [&] { host.AddRunTime(s, SetTo(10, 50)); }, Minutes(30));
  ExpectNewSleep("a run time edited", [&] { host.EditRunTime(s, 1, SetTo(11, 0)); }, Minutes(40));
  ExpectNewSleep("a run time deleted", [&] {
    answers.push_back(true);
    host.DeleteRunTime(s, 1);
  }, kTomorrowAt8);
  ExpectNewSleep("the time mode", [&] { host.SetTimeMode(s, sch::tmWeek); }, Minutes(45 * 60 + 40));
  ExpectNewSleep("the time mode back", [&] { host.SetTimeMode(s, sch::tmDay); }, kTomorrowAt8);
  ExpectNewSleep("the clock set", [&] { clock.Set(schtest::LocalMoment(2024, 3, 6, 10, 50)); }, Minutes(21 * 60 + 10));
  ExpectNewSleep("the clock advanced", [&] { clock.Advance(1h); }, Minutes(20 * 60 + 10));
  ExpectNewSleep("the timer stopped and started", [&] {
    EXPECT_TRUE(host.StopTimer(s));
    EXPECT_TRUE(host.StartTimer(s));
  }, Minutes(20 * 60 + 10));
  ExpectNewSleep("the run times cleared", [&] {
    answers.push_back(true);
    host.ClearRunTimes(s);
  }, 48h);

  // An edit that makes a run time due at once starts the run at once.
  const size_t before = sleeps->Count();
  ASSERT_TRUE(host.AddRunTime(s, SetTo(11, 30)));
  ASSERT_TRUE(RunUntilNoticeOrGiveUp(sch::kSchemeRunEnded)) << "sleeps so far: " << sleeps->Text();
  EXPECT_EQ(s.LogCount(), 1);
  EXPECT_FALSE(s.GetLog(0)->ActiveMode) << "started by the timer";
  EXPECT_TRUE(sleeps->WaitFor(Minutes(23 * 60 + 40), before)) << "after the run, until tomorrow 11:30";
}

TEST_F(TimerWakeTest, ARunByHandThatMovesLastRunTimeIsSeenAtOnce) {
  // The last run was recorded while the clock was four days ahead: nothing is due until Monday.
  {
    auto w = sch::LoadObjectFromFile(file);
    w->GetScheme(0)->LastRunTime = Local(2024, 3, 10, 9, 0);
    sch::SaveObjectToFile(file, w.get(), true);
  }
  host.Start(file);
  ASSERT_TRUE(sleeps->WaitFor(48h, 0));
  const size_t before = sleeps->Count();
  ASSERT_TRUE(host.Run(Scheme()));
  ASSERT_TRUE(RunUntilNoticeOrGiveUp(sch::kSchemeRunEnded));
  EXPECT_EQ(Scheme().LastRun(), olv::Now());
  EXPECT_TRUE(sleeps->WaitFor(kTomorrowAt8, before)) << "sleeps so far: " << sleeps->Text();
}

TEST_F(TimerWakeTest, LoadAndDeleteEndSleepingTimersAtOnce) {
  {
    auto w = sch::LoadObjectFromFile(file);
    w->GetScheme(1)->AutoExec = true;
    sch::SaveObjectToFile(dir / "other.sch", w.get(), true);
  }
  host.Start(file);
  ASSERT_TRUE(sleeps->WaitFor(kTomorrowAt8, 0));
  const size_t before = sleeps->Count();
  ASSERT_EQ(host.Load(dir / "other.sch", nullptr).outcome, sch::SchemeHost::LoadOutcome::Loaded);
  // Both of the loaded file's timers sleep; the old one ends (a timer that slept on would keep
  // the host's end below waiting for two days).
  ASSERT_TRUE(sleeps->WaitForCount(before + 2));
  answers.push_back(true);
  ASSERT_TRUE(host.DeleteScheme(*host.Schemes().GetScheme(0)));
  host.Shutdown();
  EXPECT_EQ(host.Schemes().Count(), 1);
}

}  // namespace
