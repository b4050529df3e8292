#pragma once
// When a failed automatic run is tried again the same day: 5, 10, 20 and
// 40 minutes after each failure in turn, each delay lengthened by a random
// 0-50 % so that a company's desktops do not come back in step, and never
// past midnight (the next day has its own run). Pure logic: the caller
// supplies the time and the random draw.

#include <cstdint>
#include <optional>
#include <string>

#include "sync/local_clock.h"
#include "sync/run_failure.h"

class RetrySchedule {
 public:
  static constexpr int kMaxRetries = 4;
  static constexpr int32_t kFirstDelayMinutes = 5;

  // `unitSeconds` is the length of one delay minute; only tests shorten it.
  explicit RetrySchedule(int64_t unitSeconds = 60) : unitSeconds_(unitSeconds) {}

  // A day's first automatic run (scheduled or catch-up) starts afresh.
  void DayStarted() {
    retriesDone_ = 0;
    due_.reset();
  }

  // An automatic attempt failed with `failure` at `now` (`local` its local
  // form). Returns when to try again, or nothing. `draw` is uniform in [0, 1).
  std::optional<int64_t> Failed(RunFailure failure, int64_t now, const LocalDateTime& local,
                                double draw);

  // True when a retry is due at `now`; it is then taken off the schedule.
  bool TakeDue(int64_t now);

  // A manual run that succeeded, or settings the user just changed.
  void Forget() { due_.reset(); }

  std::optional<int64_t> due() const { return due_; }

 private:
  int64_t unitSeconds_;
  int retriesDone_ = 0;
  std::optional<int64_t> due_;
};
