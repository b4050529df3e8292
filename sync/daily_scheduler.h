#pragma once
// Decides, poll by poll, when an automatic run starts:
// - at the configured minute of every day, once per date and SyncTime
//   (changing SyncTime later the same day arms it again);
// - once as a catch-up about two minutes after start-up or after the
//   machine resumes, when today's SyncTime has passed and no automatic
//   run has happened today.
// Only a SyncTime from 0 to 1439 ever fires.
// Pure logic: the caller supplies the time and persists the date.

#include <cstdint>
#include <optional>
#include <string>

#include "sync/local_clock.h"

class DailyScheduler {
 public:
  static constexpr int64_t kCatchUpDelaySeconds = 120;
  // A gap this long between two polls means the machine slept.
  static constexpr int64_t kResumeGapSeconds = 120;
  static constexpr int32_t kMinutesPerDay = 24 * 60;

  // `lastAutoSyncDate` is the stored date ("YYYY-MM-DD") of the last
  // automatic run, or empty. `now`/`local` are the start-up time.
  DailyScheduler(std::u16string lastAutoSyncDate, int64_t now,
                 const std::optional<LocalDateTime>& local, int32_t syncTime);

  // True when an automatic run must start now. The caller then runs it,
  // stores lastAutoSyncDate() and calls RunFinished.
  bool Poll(int32_t syncType, int32_t syncTime, int64_t now,
            const std::optional<LocalDateTime>& local);

  // A run blocks polling; its length is not a sleep of the machine.
  void RunFinished(int64_t now) { lastPoll_ = now; }

  const std::u16string& lastAutoSyncDate() const { return lastAutoSyncDate_; }

 private:
  bool Fire(const std::u16string& date, int32_t syncTime);

  std::u16string lastAutoSyncDate_;
  std::u16string firedDate_;
  int32_t firedSyncTime_ = -1;
  std::optional<int64_t> catchUpDue_;
  std::optional<int64_t> lastPoll_;
};
