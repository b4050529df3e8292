// The engine's own thread with real threads: it runs what the schedule
// decides (the simulation in resident_simulation_test.cpp tries the
// decisions themselves), follows the mail client's watch, keeps the stored
// dates and refuses a queued run at Exit.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "sync/sync_engine.h"
#include "tests/doubles/fixed_clock.h"

namespace {

using namespace std::chrono_literals;

struct TestLock : IRunLock {
  std::atomic<bool> heldElsewhere{false}, stopped{false};
  std::atomic<int> waiting{0}, held{0};
  Result Lock() override {
    ++waiting;
    while (heldElsewhere && !stopped) std::this_thread::yield();
    return stopped ? Result::Stopped : (++held, Result::Held);
  }
  void Unlock() override { --held; }
  void StopWaiting() override { stopped = true; }
};

struct Everything : ILastAutoSyncStore, IMessageSink, IClientWatch, IRunObserver {
  std::mutex m;
  std::u16string date, waitDate = u"2026-12-06 cause", kept, unsynced;
  bool throwOnce = false;
  std::function<void()> ended;
  std::vector<AnswerSource> runs;
  std::u16string LoadDate() override {
    std::lock_guard l(m);
    return date;
  }
  void SaveDate(const std::u16string& d) override {
    std::lock_guard l(m);
    date = d;
  }
  std::u16string LoadClientWaitDate() override {
    std::lock_guard l(m);
    return waitDate;
  }
  void SaveClientWaitDate(const std::u16string& d) override {
    std::lock_guard l(m);
    waitDate = d;
  }
  std::u16string LoadKeptAnswer() override {
    std::lock_guard l(m);
    return kept;
  }
  void SaveKeptAnswer(const std::u16string& k) override {
    std::lock_guard l(m);
    kept = k;
  }
  void Show(const std::u16string&, MessageIcon) override {}
  bool Watched(const SyncSettings&) override { return true; }
  std::optional<bool> ClientRunning(const SyncSettings&) override { return true; }
  bool Watch(const SyncSettings&, std::function<void()> e) override {
    std::lock_guard l(m);
    ended = std::move(e);
    return true;
  }
  void Cancel() override {}
  void RunStarted() override {}
  void RunEnded(RunMode, const SyncRunOutcome&) override {
    if (std::exchange(throwOnce, false)) throw std::runtime_error("tray gone");
  }
  void DayUnsynced(const std::u16string& text) override {
    std::lock_guard l(m);
    unsynced = text;
  }
};

template <typename Pred>
bool WaitFor(Pred pred) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST(SyncEngineTest, TheThreadRunsWhatTheScheduleDecidesAndAQueuedRunEndsAtExit) {
  SharedSettings settings;
  // 2026-12-07 09:00 local, the default SyncTime.
  FixedClock clock(9 * 3600, {.year = 2026, .month = 12, .day = 7});
  TestLock lock;
  Everything all;
  CSyncEngine engine{
      SyncEngineServices{.settings = settings,
                         .clock = clock,
                         .runLock = lock,
                         .lastAutoSync = all,
                         .notices = all,
                         .runner =
                             [&](const SyncSettings&, RunMode, const std::optional<std::u16string>&,
                                 AnswerSource source) {
                               std::lock_guard l(all.m);
                               all.runs.push_back(source);
                               if (all.runs.size() == 3) throw 1;  // past the runner's own catch
                               SyncRunOutcome outcome;
                               if (all.runs.size() <= 1)
                                 outcome.failure = RunFailure::ClientRunning;
                               outcome.answerCopy = AnswerCopyState::Reusable;
                               return outcome;
                             },
                         .desktop = DesktopIdentity{u"PC", u"zhang"},
                         .observer = &all,
                         .retryMinuteSeconds = 60,
                         .clientWatch = &all}};
  engine.Start();
  // The day's run meets the open client and waits for it to end.
  ASSERT_TRUE(WaitFor([&] { return all.LoadClientWaitDate() == u"2026-12-07"; }));
  EXPECT_EQ(all.LoadDate(), u"2026-12-07");
  EXPECT_EQ(
      [&] {
        std::lock_guard l(all.m);
        return all.unsynced;
      }(),
      u"cause");  // yesterday's wait, stored
  const std::function<void()> ended = [&] {
    std::lock_guard l(all.m);
    return all.ended;
  }();
  ended();
  ASSERT_TRUE(WaitFor([&] { return all.LoadClientWaitDate().empty(); }));
  EXPECT_EQ(all.runs,
            (std::vector<AnswerSource>{AnswerSource::Download, AnswerSource::KeptCopyOfToday}));
  EXPECT_EQ(engine.RunOnce(RunMode::Manual)->failure, RunFailure::RunError);

  // An exception after a run leaves the run slot to the next run.
  all.throwOnce = true;
  EXPECT_THROW(engine.RunOnce(RunMode::Manual), std::runtime_error);
  // Another process holds the run lock: a manual run waits, and Exit ends it unstarted.
  lock.heldElsewhere = true;
  std::optional<SyncRunOutcome> manual = SyncRunOutcome{};
  std::thread waiting([&] { manual = engine.RunOnce(RunMode::Manual); });
  EXPECT_TRUE(WaitFor([&] { return lock.waiting.load() == 5; }));
  engine.Stop();
  waiting.join();
  EXPECT_FALSE(manual.has_value());
  EXPECT_EQ(all.runs.size(), 4u);
  EXPECT_EQ(lock.held.load(), 0);
}

}  // namespace
