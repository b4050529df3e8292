// The engine: paths, serialised runs, the scheduler thread end to end.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/utf_convert.h"
#include "sync/sync_engine.h"

namespace {

using namespace std::chrono_literals;

// Time 0 is 2026-12-07 00:00 local.
struct FixedClock : IClock {
  std::atomic<int64_t> now{0};
  std::atomic<int> reads{0};
  int64_t Now() override {
    ++reads;
    return now.load();
  }
  std::optional<LocalDateTime> ToLocal(int64_t t) override {
    return LocalDateTime{2026, 12, static_cast<int>(7 + t / 86400),
                         static_cast<int>(t / 3600 % 24), static_cast<int>(t / 60 % 60),
                         static_cast<int>(t % 60)};
  }
};

// Free, or held by another process until the engine stops waiting.
struct TestLock : IRunLock {
  std::atomic<int> locks{0};
  std::atomic<bool> heldElsewhere{false};
  std::atomic<bool> stopped{false};
  Result Lock() override {
    ++locks;
    while (heldElsewhere && !stopped) std::this_thread::yield();
    return stopped ? Result::Stopped : Result::Held;
  }
  void Unlock() override {}
  void StopWaiting() override { stopped = true; }
};

struct MemoryLastAutoSync : ILastAutoSyncStore {
  std::mutex m;
  std::u16string date;
  std::u16string LoadDate() override { std::lock_guard l(m); return date; }
  void SaveDate(const std::u16string& d) override { std::lock_guard l(m); date = d; }
};

struct Recorder : IMessageSink {
  std::mutex m;
  std::vector<std::u16string> shown;
  void Show(const std::u16string& t, MessageIcon) override { std::lock_guard l(m); shown.push_back(t); }
};

template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

// A desktop whose place in a 60-minute window takes 23:30 past midnight.
DesktopIdentity DesktopPastMidnight() {
  for (int i = 0;; ++i) {
    DesktopIdentity d{u"PC-" + AsciiToUtf16(std::to_string(i)), u"zhang"};
    if (SpreadOffset(d, 60) >= 40) return d;
  }
}

struct Observer : IRunObserver {
  std::mutex m;
  std::vector<std::optional<std::u16string>> retries;
  void RunStarted() override {}
  void RunEnded(RunMode, const SyncRunOutcome& o) override {
    std::lock_guard l(m);
    retries.push_back(o.retryAt);
  }
};

struct SyncEngineTest : testing::Test {
  DesktopIdentity desktop = DesktopPastMidnight();
  SharedSettings settings;
  FixedClock clock;
  TestLock lock;
  MemoryLastAutoSync lastAutoSync;
  Recorder messages;
  std::atomic<int> runs{0};
  std::atomic<int> concurrent{0};
  std::atomic<int> maxConcurrent{0};
  std::vector<RunMode> modes;
  std::mutex modesMutex;
  std::function<void()> duringRun;
  std::atomic<bool> failing{false};
  Observer observer;

  CSyncEngine engine{SyncEngineServices{
      settings, clock, lock, lastAutoSync, messages,
      [this](const SyncSettings& s, RunMode mode, const std::optional<std::u16string>& refusal) {
        if (refusal) return SyncRunOutcome{*refusal, false, std::nullopt, RunFailure::RunLockUnavailable, std::nullopt};
        const int c = ++concurrent;
        int m = maxConcurrent.load();
        while (c > m && !maxConcurrent.compare_exchange_weak(m, c)) {
        }
        {
          std::lock_guard l(modesMutex);
          modes.push_back(mode);
        }
        if (duringRun) duringRun();
        std::this_thread::yield();
        --concurrent;
        ++runs;
        if (failing) {
          return SyncRunOutcome{u"down", false, std::nullopt, RunFailure::DownloadFailed, std::nullopt};
        }
        return SyncRunOutcome{u"ran for " + s.Account, true, std::nullopt, RunFailure::None, std::nullopt};
      },
      desktop, &observer}};

  // Moves the clock and returns once the scheduler has finished a poll at
  // the new time (a poll reads the clock, a fired run reads it again).
  void SetTimeAndPoll(int64_t t) {
    const int before = clock.reads.load();
    clock.now = t;
    ASSERT_TRUE(WaitFor([&] { return clock.reads.load() >= before + 3; }));
  }
};

TEST_F(SyncEngineTest, ARunWorksOnASnapshotAndShowsNothingItself) {
  SyncSettings s;
  s.Account = u"zhang";
  settings.Replace(s);
  EXPECT_EQ(engine.RunOnce(RunMode::Manual)->resultText, u"ran for zhang");
  EXPECT_TRUE(engine.RunOnce(RunMode::Automatic).has_value());
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(modes, (std::vector<RunMode>{RunMode::Manual, RunMode::Automatic}));
  EXPECT_EQ(lock.locks.load(), 2);
}

TEST_F(SyncEngineTest, RunsFromManyThreadsNeverOverlap) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([this] {
      for (int j = 0; j < 25; ++j) engine.RunOnce(RunMode::Automatic);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(runs.load(), 100);
  EXPECT_EQ(maxConcurrent.load(), 1);
}

TEST_F(SyncEngineTest, RunRequestedFromInsideARunOnTheSameThreadIsSkipped) {
  std::optional<SyncRunOutcome> inner = SyncRunOutcome{};
  duringRun = [&] {
    duringRun = nullptr;
    inner = engine.RunOnce(RunMode::Manual);
  };
  EXPECT_TRUE(engine.RunOnce(RunMode::Manual).has_value());
  EXPECT_FALSE(inner.has_value());
  EXPECT_EQ(runs.load(), 1);
}

TEST_F(SyncEngineTest, SchedulerThreadStartsTheDailyRunAndRecordsTheDate) {
  clock.now = 9 * 3600;  // 09:00 local, the default SyncTime
  engine.Start();
  ASSERT_TRUE(WaitFor([&] { return runs.load() == 1; }));
  engine.Stop();
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(lastAutoSync.LoadDate(), u"2026-12-07");
  EXPECT_EQ(modes, std::vector<RunMode>{RunMode::Automatic});
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SyncEngineTest, SpreadRunStartsOnceADayAtItsOwnMinutePastMidnight) {
  SyncSettings s;
  s.SyncTime = 1410;  // 23:30
  s.SyncSpread = 60;
  settings.Replace(s);
  const int64_t due = (1410 + SpreadOffset(desktop, 60) - 1440) * 60;  // next day, 00:10..00:29
  constexpr int64_t kDay = 86400;
  clock.now = 1409 * 60;
  engine.Start();
  SetTimeAndPoll(1410 * 60);
  SetTimeAndPoll(kDay + due - 60);
  EXPECT_EQ(runs.load(), 0);
  SetTimeAndPoll(kDay + due);
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(lastAutoSync.LoadDate(), u"2026-12-08");
  SetTimeAndPoll(kDay + due + 60);
  SetTimeAndPoll(2 * kDay + due);
  engine.Stop();
  EXPECT_EQ(runs.load(), 2);
  EXPECT_EQ(lastAutoSync.LoadDate(), u"2026-12-09");
}

// Exit, log-off or "/quit": a run waiting for the locks does not start,
// whether it waits behind a run of this process or of another one.
TEST_F(SyncEngineTest, ARunStillWaitingForTheLocksDoesNotStartOnceExitIsAsked) {
  // The day's scheduled run comes while a manual run is going.
  std::atomic<bool> release{false};
  duringRun = [&] {
    while (!release) std::this_thread::yield();
  };
  std::thread manual([&] { engine.RunOnce(RunMode::Manual); });
  ASSERT_TRUE(WaitFor([&] { return concurrent.load() == 1; }));
  clock.now = 9 * 3600;
  engine.Start();
  ASSERT_TRUE(WaitFor([&] { return lastAutoSync.LoadDate() == u"2026-12-07"; }));
  engine.RefuseQueuedRuns();
  release = true;
  manual.join();
  engine.Stop();
  EXPECT_EQ(modes, std::vector<RunMode>{RunMode::Manual});
  // Not run, so not recorded: the next start catches up.
  EXPECT_EQ(lastAutoSync.LoadDate(), u"");
}

TEST_F(SyncEngineTest, ARunWaitingForAnotherProcessDoesNotStartOnceExitIsAsked) {
  lock.heldElsewhere = true;
  std::optional<SyncRunOutcome> queued = SyncRunOutcome{};
  std::thread waiting([&] { queued = engine.RunOnce(RunMode::Automatic); });
  ASSERT_TRUE(WaitFor([&] { return lock.locks.load() == 1; }));
  engine.RefuseQueuedRuns();
  waiting.join();
  EXPECT_FALSE(queued.has_value());
  EXPECT_FALSE(engine.RunOnce(RunMode::OneShot).has_value());
  EXPECT_EQ(runs.load(), 0);
}

TEST_F(SyncEngineTest, StopEndsAnIdleSchedulerPromptly) {
  clock.now = 8 * 3600;
  engine.Start();
  const auto start = std::chrono::steady_clock::now();
  engine.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(runs.load(), 0);
}

TEST_F(SyncEngineTest, FailedDailyRunIsRetriedUntilSettingsChangeOrAManualRunSucceeds) {
  constexpr int64_t kDay = 86400;
  failing = true;
  clock.now = 9 * 3600;
  engine.Start();
  // The retry is planned from the clock once the run has ended.
  ASSERT_TRUE(WaitFor([&] { std::lock_guard l(observer.m); return observer.retries.size() == 1; }));
  SetTimeAndPoll(9 * 3600 + 299);
  EXPECT_EQ(runs.load(), 1);
  SetTimeAndPoll(9 * 3600 + 450);  // 5 minutes, lengthened by at most half
  EXPECT_EQ(runs.load(), 2);
  settings.Update([](SyncSettings&) {});  // the user saved the dialog
  SetTimeAndPoll(10 * 3600);
  EXPECT_EQ(runs.load(), 2);

  SetTimeAndPoll(kDay + 9 * 3600);  // the next day fails again
  ASSERT_EQ(runs.load(), 3);
  failing = false;
  engine.RunOnce(RunMode::Manual);  // and a manual run succeeds
  SetTimeAndPoll(kDay + 10 * 3600);
  engine.Stop();
  EXPECT_EQ(runs.load(), 4);
  std::lock_guard l(observer.m);
  ASSERT_EQ(observer.retries.size(), 4u);
  EXPECT_TRUE(observer.retries[0] >= u"09:05" && observer.retries[0] <= u"09:07");
  EXPECT_TRUE(observer.retries[1].has_value());
  EXPECT_FALSE(observer.retries[3].has_value());
}

}  // namespace
