#include "sync/retry_schedule.h"

std::optional<int64_t> RetrySchedule::Failed(RunFailure failure, int64_t now,
                                             const LocalDateTime& local, double draw) {
  due_.reset();
  if (!CanPassBySelf(failure) || retriesDone_ >= kMaxRetries) return std::nullopt;
  const int64_t minutes = int64_t{kFirstDelayMinutes} << retriesDone_;
  if (draw < 0) draw = 0;
  if (draw >= 1) draw = 0.999999;
  const int64_t delay = static_cast<int64_t>(minutes * unitSeconds_ * (1.0 + 0.5 * draw));
  // The whole minutes and seconds left of today, in real seconds.
  const int64_t leftToday =
      (24 * 3600) - (local.hour * 3600 + local.minute * 60 + local.second);
  if (delay >= leftToday) return std::nullopt;
  ++retriesDone_;
  due_ = now + delay;
  return due_;
}

bool RetrySchedule::TakeDue(int64_t now) {
  if (!due_ || now < *due_) return false;
  due_.reset();
  return true;
}
