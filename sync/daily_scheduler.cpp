#include "sync/daily_scheduler.h"

DailyScheduler::DailyScheduler(std::u16string lastAutoSyncDate, int64_t now,
                               const std::optional<LocalDateTime>& local, int32_t syncTime)
    : lastAutoSyncDate_(std::move(lastAutoSyncDate)),
      catchUpDue_(now + kCatchUpDelaySeconds),
      lastPoll_(now) {
  // A restart within the minute of a run that already happened today must
  // not run it again.
  if (local && !lastAutoSyncDate_.empty() && local->DateText() == lastAutoSyncDate_) {
    firedDate_ = lastAutoSyncDate_;
    firedSyncTime_ = syncTime;
  }
}

bool DailyScheduler::Poll(int32_t syncType, int32_t syncTime, int64_t now,
                          const std::optional<LocalDateTime>& local) {
  if (lastPoll_ && (now - *lastPoll_ > kResumeGapSeconds || *lastPoll_ - now > kResumeGapSeconds)) {
    catchUpDue_ = now + kCatchUpDelaySeconds;
  }
  lastPoll_ = now;

  if (!local) return false;
  const std::u16string today = local->DateText();
  const int minute = local->MinuteOfDay();

  bool catchUpNow = false;
  if (catchUpDue_ && now >= *catchUpDue_) {
    catchUpDue_.reset();
    catchUpNow = minute > syncTime && lastAutoSyncDate_ != today;
  }
  // Only a minute of the day can fire: -30 ("no time chosen") would
  // otherwise count as long past and catch up every day.
  if (syncType != 0 || syncTime < 0 || syncTime >= kMinutesPerDay) return false;

  if (minute == syncTime && !(firedDate_ == today && firedSyncTime_ == syncTime)) {
    return Fire(today, syncTime);
  }
  if (catchUpNow) return Fire(today, syncTime);
  return false;
}

bool DailyScheduler::Fire(const std::u16string& date, int32_t syncTime) {
  firedDate_ = date;
  firedSyncTime_ = syncTime;
  lastAutoSyncDate_ = date;
  catchUpDue_.reset();
  return true;
}
