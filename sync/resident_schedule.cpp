#include "sync/resident_schedule.h"

#include <utility>

#include "common/text_classes.h"

namespace {

constexpr int64_t kSecondsPerDay = 24 * 3600;

int32_t DayKey(int year, int month, int day) { return year * 512 + month * 32 + day; }
int32_t DayKey(const LocalDateTime& local) { return DayKey(local.year, local.month, local.day); }

// "YYYY-MM-DD" as stored, 0 when it is anything else.
int32_t DayKey(const std::u16string& text) {
  if (text.size() != 10 || text[4] != u'-' || text[7] != u'-') return 0;
  int parts[3] = {};
  int part = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 4 || i == 7) {
      ++part;
    } else if (IsDigit(text[i])) {
      parts[part] = parts[part] * 10 + (text[i] - u'0');
    } else {
      return 0;
    }
  }
  return DayKey(parts[0], parts[1], parts[2]);
}

bool DailyRunsAt(const SyncSettings& s) {
  // -30 ("no time chosen") would otherwise count as long past and catch up
  // every day.
  return s.SyncType == 0 && s.SyncTime >= 0 && s.SyncTime < kMinutesPerDay;
}

}  // namespace

int32_t ResidentSchedule::DueMinute(const SyncSettings& s) {
  if (s.SyncSpread != spread_) {
    spread_ = s.SyncSpread;
    offset_ = SpreadOffset(desktop_, spread_);
  }
  return SpreadSyncTime(s.SyncTime, offset_);
}

void ResidentSchedule::Started(const ResidentMoment& m, std::u16string lastAutoSync,
                               std::u16string clientWaitDate, std::optional<bool> clientRunning) {
  hasWatch_ = clientRunning.has_value();
  lastAutoSync_ = std::move(lastAutoSync);
  lastAutoSyncDay_ = DayKey(lastAutoSync_);
  lastSeen_ = m.now;
  // Before the client opens, nothing is gained by waiting.
  const bool clientClosed = hasWatch_ && !*clientRunning;
  catchUpDue_ = m.now + (clientClosed ? 0 : catchUp_);
  // A restart within the minute of a run that already happened today must
  // not run it again.
  if (m.local && lastAutoSyncDay_ == DayKey(*m.local)) {
    firedDay_ = lastAutoSyncDay_;
    firedMinute_ = DueMinute(m.settings);
  }
  waitDate_ = std::move(clientWaitDate);
  waitDay_ = DayKey(waitDate_);
  if (waitDate_.empty()) return;
  if (!hasWatch_) return EndWait();
  waiting_ = true;
  clientEnded_ = clientClosed;
}

std::optional<AutoRun> ResidentSchedule::TimePassed(const ResidentMoment& m) {
  if (exiting_ || autoRun_) return std::nullopt;
  if (lastSeen_ && (m.now - *lastSeen_ > gap_ || *lastSeen_ - m.now > gap_)) {
    catchUpDue_ = m.now + catchUp_;
    lastDay_ = 0;
  }
  lastSeen_ = m.now;
  if (!m.local) return std::nullopt;
  const int32_t today = DayKey(*m.local);
  const int32_t minute = m.local->MinuteOfDay();
  const int32_t due = DueMinute(m.settings);
  // A retry belongs to its day: the next day's own run decides.
  if (retryDue_ && retryDay_ != today) {
    retryDue_.reset();
    retryAt_.reset();
  }
  bool catchUpNow = false;
  if (catchUpDue_ && m.now >= *catchUpDue_) {
    catchUpDue_.reset();
    catchUpNow = minute > due && lastAutoSyncDay_ != today;
  }
  // The due minute went by while the program looked elsewhere (a run, a
  // coarse step, an hour skipped by daylight saving).
  const bool crossed = lastDay_ != 0 && minute >= due &&
                       (lastDay_ == today ? lastMinute_ < due : lastDay_ < today);
  lastDay_ = today;
  lastMinute_ = minute;
  if (DailyRunsAt(m.settings)) {
    if ((minute == due || crossed) && !(firedDay_ == today && firedMinute_ == due)) {
      return Fire(*m.local, today, due);
    }
    if (catchUpNow) return Fire(*m.local, today, due);
  }
  if (clientEnded_) {
    clientEnded_ = false;
    waiting_ = false;
    ++waitRuns_;
    autoRun_ = AutoRunKind::AfterClient;
    return AutoRun{AutoRunKind::AfterClient, AnswerSource::KeptCopyOfToday};
  }
  if (retryDue_ && m.now >= *retryDue_) {
    retryDue_.reset();
    retryAt_.reset();
    ++retriesDone_;
    autoRun_ = AutoRunKind::Retry;
    return AutoRun{AutoRunKind::Retry, AnswerSource::Download};
  }
  return std::nullopt;
}

std::optional<AutoRun> ResidentSchedule::Fire(const LocalDateTime& local, int32_t day,
                                              int32_t due) {
  firedDay_ = day;
  firedMinute_ = due;
  catchUpDue_.reset();
  beforeDaily_ = lastAutoSync_;
  beforeDailyDay_ = lastAutoSyncDay_;
  lastAutoSync_ = local.DateText();
  lastAutoSyncDay_ = day;
  retryDue_.reset();
  retryAt_.reset();
  // The next day's own run ends a wait for the client; a day that went
  // without a sync the user never heard of is told once.
  if (!waitDate_.empty()) {
    if (waitDay_ < day && !userAsked_ && !waitFailure_.empty()) unsyncedNotice_ = waitFailure_;
    EndWait();
  }
  autoRun_ = AutoRunKind::Daily;
  return AutoRun{AutoRunKind::Daily, AnswerSource::Download};
}

bool ResidentSchedule::MayStart(RunMode) { return !exiting_; }

void ResidentSchedule::Undo(RunMode mode) {
  if (mode != RunMode::Automatic || !autoRun_) return;
  const AutoRunKind kind = *std::exchange(autoRun_, std::nullopt);
  // A run given up at Exit has not happened: the next start catches up, or
  // waits for the client again.
  if (kind == AutoRunKind::Daily) {
    lastAutoSync_ = beforeDaily_;
    lastAutoSyncDay_ = beforeDailyDay_;
  }
  if (kind == AutoRunKind::AfterClient) waiting_ = true;
}

RunEndDecision ResidentSchedule::RunEnded(RunMode mode, const SyncRunOutcome& outcome,
                                          const ResidentMoment& m, double draw) {
  RunEndDecision decision;
  lastSeen_ = m.now;  // the run's length is no sleep
  if (outcome.failure == RunFailure::Stopped) {
    Undo(mode);
    return decision;
  }
  const int32_t today = m.local ? DayKey(*m.local) : 0;
  const std::optional<AutoRunKind> kind =
      mode == RunMode::Automatic ? std::exchange(autoRun_, std::nullopt) : std::nullopt;
  if (mode != RunMode::Automatic) {
    userAsked_ = userAsked_ || mode == RunMode::Manual;
    if (mode == RunMode::Manual && outcome.success()) {
      retryDue_.reset();
      retryAt_.reset();
      EndWait();
    }
  } else if (outcome.success()) {
    EndWait();
  } else if (outcome.failure == RunFailure::ClientRunning && hasWatch_ &&
             !(kind == AutoRunKind::AfterClient && waitRuns_ >= kMaxClientWaitRuns)) {
    // Not a timed retry: the run follows the client's end.
    if (kind != AutoRunKind::AfterClient) {
      waitRuns_ = 0;
      userAsked_ = false;
      waitDay_ = today;
      waitDate_ = m.local ? m.local->DateText() : std::u16string();
    }
    waiting_ = !waitDate_.empty();
    clientEnded_ = false;
    waitFailure_ = outcome.resultText;
  } else {
    if (kind == AutoRunKind::AfterClient) EndWait();
    if (outcome.failure != RunFailure::ClientRunning || !hasWatch_) {
      PlanRetry(outcome.failure, m, today, draw);
    }
    // Nobody watches an automatic run, so its failure must not go unseen,
    // but a failure that repeats is news once a day.
    if (!retryDue_ && !waiting_ && !exiting_ && today != 0) {
      if (today != balloonDay_) {
        balloonDay_ = today;
        ballooned_.clear();
      }
      decision.balloon = ballooned_.insert(outcome.resultText).second;
    }
  }
  decision.retryAt = retryAt_;
  decision.waitsForClient = waiting_;
  return decision;
}

void ResidentSchedule::PlanRetry(RunFailure failure, const ResidentMoment& m, int32_t today,
                                 double draw) {
  retryDue_.reset();
  retryAt_.reset();
  if (!m.local || !CanPassBySelf(failure)) return;
  if (retryDay_ != today) {
    retryDay_ = today;
    retriesDone_ = 0;
  }
  if (retriesDone_ >= kMaxRetries) return;
  const int64_t minutes = int64_t{kFirstRetryMinutes} << retriesDone_;
  if (draw < 0) draw = 0;
  if (draw >= 1) draw = 0.999999;
  const int64_t delay = static_cast<int64_t>(static_cast<double>(minutes * unit_) * (1.0 + 0.5 * draw));
  // Never past midnight: the next day has its own run.
  const int64_t secondOfDay = m.local->hour * 3600 + m.local->minute * 60 + m.local->second;
  if (secondOfDay + delay >= kSecondsPerDay) return;
  retryDue_ = m.now + delay;
  LocalDateTime at{};
  at.hour = static_cast<int>((secondOfDay + delay) / 3600);
  at.minute = static_cast<int>((secondOfDay + delay) / 60 % 60);
  retryAt_ = at.ClockText();
}

void ResidentSchedule::SettingsSaved() {
  // The next run follows the new settings at the usual time.
  retryDue_.reset();
  retryAt_.reset();
  EndWait();
}

void ResidentSchedule::ExitAsked() { exiting_ = true; }

void ResidentSchedule::EndWait() {
  waiting_ = false;
  clientEnded_ = false;
  waitDate_.clear();
  waitDay_ = 0;
  waitRuns_ = 0;
}

std::optional<int64_t> ResidentSchedule::nextDecision() const {
  if (exiting_) return std::nullopt;
  std::optional<int64_t> next = catchUpDue_;
  if (retryDue_ && (!next || *retryDue_ < *next)) next = retryDue_;
  return next;
}

std::optional<std::u16string> ResidentSchedule::TakeUnsyncedNotice() {
  return std::exchange(unsyncedNotice_, std::nullopt);
}
