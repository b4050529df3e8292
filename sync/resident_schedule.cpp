#include "sync/resident_schedule.h"

#include <utility>

#include "common/text_classes.h"

namespace {

constexpr int64_t kSecondsPerDay = 24 * 3600;

int32_t DayKey(int year, int month, int day) { return year * 512 + month * 32 + day; }
int32_t DayKey(const LocalDateTime& local) { return DayKey(local.year, local.month, local.day); }

// "YYYY-MM-DD" as stored, 0 when it is anything else.
int32_t DayKey(std::u16string_view text) {
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

// What a pending retry or wait was planned for: the server, the account,
// the level and the client.
bool SameSource(const SyncSettings& a, const SyncSettings& b) {
  return a.ServerScheme == b.ServerScheme && a.ServerHost == b.ServerHost &&
         a.ServerPort == b.ServerPort && a.ServerVirtual == b.ServerVirtual &&
         a.Account == b.Account && a.SyncLevel == b.SyncLevel && a.EmailClient == b.EmailClient;
}

}  // namespace

StoredDay StoredDay::Of(const LocalDateTime& local) { return {DayKey(local), local.DateText()}; }

StoredDay StoredDay::Parse(std::u16string text) {
  const int32_t key = DayKey(text);
  return {key, std::move(text)};
}

int32_t ResidentSchedule::DueMinute(const SyncSettings& s) {
  if (s.SyncSpread != spread_) {
    spread_ = s.SyncSpread;
    offset_ = SpreadOffset(desktop_, spread_);
  }
  return SpreadSyncTime(s.SyncTime, offset_);
}

void ResidentSchedule::Started(const ResidentMoment& m, const std::u16string& lastAutoSync,
                               const std::u16string& clientWait, bool clientRunning) {
  lastAutoSync_ = StoredDay::Parse(lastAutoSync);
  lastSeen_ = m.now;
  // "YYYY-MM-DD", then " " and the failure the user has not heard of.
  const StoredDay waitDay = StoredDay::Parse(clientWait.substr(0, 10));
  if (waitDay.key != 0) {
    pending_ = ClientWait{waitDay, clientWait.size() > 11 ? clientWait.substr(11) : u"", 0,
                          m.clientWatched && !clientRunning};
  }
  // Before the client opens, or with nothing left to wait for, nothing is
  // gained by waiting.
  const bool runNow = m.clientWatched ? !clientRunning : Wait() != nullptr;
  catchUpDue_ = m.now + (runNow ? 0 : catchUp_);
  Observe(m);
}

void ResidentSchedule::Observe(const ResidentMoment& m) {
  // A policy refresh is a settings change like a save.
  if (!seen_ || !SameSource(*seen_, m.settings)) {
    if (seen_) DropPending();
    seen_ = m.settings;
  }
  if (m.settings.SyncType != 0) {
    DropWait();  // automatic runs are off: nothing waits
  } else if (ClientWait* wait = Wait(); wait && !m.clientWatched) {
    wait->ended = true;  // nothing to wait for any more
  }
}

std::optional<AutoRun> ResidentSchedule::TimePassed(const ResidentMoment& m) {
  if (exiting_ || autoRun_) return std::nullopt;
  Observe(m);
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
  if (const Retry* retry = std::get_if<Retry>(&pending_); retry && retry->day != today) {
    pending_ = std::monostate{};
  }
  bool catchUpNow = false;
  if (catchUpDue_ && m.now >= *catchUpDue_) {
    catchUpDue_.reset();
    catchUpNow = minute > due;
  }
  // The due minute went by while the program looked elsewhere (a run, a
  // coarse step, an hour skipped by daylight saving).
  const bool crossed =
      lastDay_ != 0 && minute >= due && (lastDay_ == today ? lastMinute_ < due : lastDay_ < today);
  lastDay_ = today;
  lastMinute_ = minute;
  // One daily run a day, wherever SyncTime or SyncSpread move after it.
  if (DailyRunsAt(m.settings) && lastAutoSync_.key != today &&
      (minute == due || crossed || catchUpNow)) {
    return Fire(*m.local, today);
  }
  if (ClientWait* wait = Wait(); wait && wait->ended) {
    ClientWait ended = std::move(*wait);
    pending_ = std::monostate{};
    ++ended.runs;
    return Begin({AutoRunKind::AfterClient, {}, std::move(ended)}, AnswerSource::KeptCopyOfToday);
  }
  if (const Retry* retry = std::get_if<Retry>(&pending_); retry && m.now >= retry->due) {
    pending_ = std::monostate{};
    ++retriesDone_;
    return Begin({AutoRunKind::Retry}, AnswerSource::Download);
  }
  return std::nullopt;
}

std::optional<AutoRun> ResidentSchedule::Fire(const LocalDateTime& local, int32_t day) {
  catchUpDue_.reset();
  StoredDay before = std::exchange(lastAutoSync_, StoredDay::Of(local));
  // The day's own run ends what was pending; a day that waited for the
  // client in vain, unknown to the user, is told once.
  if (const ClientWait* wait = Wait(); wait && wait->day.key < day && !wait->failure.empty()) {
    unsyncedNotice_ = wait->failure;
  }
  pending_ = std::monostate{};
  return Begin({AutoRunKind::Daily, std::move(before)}, AnswerSource::Download);
}

AutoRun ResidentSchedule::Begin(AutoRunTurn turn, AnswerSource source) {
  const AutoRunKind kind = turn.kind;
  autoRun_ = std::move(turn);
  return {kind, source};
}

bool ResidentSchedule::MayStart(RunMode mode, const ResidentMoment& m) {
  if (exiting_) return false;
  Observe(m);
  if (mode != RunMode::Automatic || !autoRun_) return true;
  if (autoRun_->pointless) return false;
  autoRun_->started = true;
  autoRun_->startDay = m.local ? DayKey(*m.local) : 0;
  return true;
}

void ResidentSchedule::DropWait() {
  if (Wait()) pending_ = std::monostate{};
  if (autoRun_ && autoRun_->wait) {
    autoRun_->wait.reset();
    if (!autoRun_->started) autoRun_->pointless = true;
  }
}

void ResidentSchedule::DropPending() {
  DropWait();
  pending_ = std::monostate{};
  if (autoRun_ && !autoRun_->started && autoRun_->kind == AutoRunKind::Retry) {
    autoRun_->pointless = true;
  }
}

void ResidentSchedule::Undo(RunMode mode) {
  if (mode != RunMode::Automatic || !autoRun_) return;
  AutoRunTurn turn = std::move(*autoRun_);
  autoRun_.reset();
  if (turn.pointless) return;
  // A run given up at Exit has not happened: the next start catches up, or
  // waits for the client again.
  if (turn.kind == AutoRunKind::Daily) lastAutoSync_ = std::move(turn.before);
  if (turn.wait) pending_ = std::move(*turn.wait);
}

RunEndDecision ResidentSchedule::RunEnded(RunMode mode, const SyncRunOutcome& outcome,
                                          const ResidentMoment& m, double draw) {
  RunEndDecision decision;
  lastSeen_ = m.now;  // the run's length is no sleep
  if (outcome.failure == RunFailure::Stopped) {
    Undo(mode);
    Observe(m);  // what is put back follows the settings as they are
    return decision;
  }
  Observe(m);
  const int32_t today = m.local ? DayKey(*m.local) : 0;
  std::optional<AutoRunTurn> turn;
  if (mode == RunMode::Automatic) turn = std::exchange(autoRun_, std::nullopt);
  const bool clientRefused = outcome.failure == RunFailure::ClientRunning && m.clientWatched;
  // With automatic runs off, nothing waits for the client either.
  const bool mayWait = m.local && m.settings.SyncType == 0;
  if (mode != RunMode::Automatic) {
    if (mode == RunMode::Manual) {
      // The user saw this run's result: a wait is no news to tell.
      if (ClientWait* wait = Wait()) wait->failure.clear();
      if (autoRun_ && autoRun_->wait) autoRun_->wait->failure.clear();
      if (outcome.success()) DropPending();
    }
  } else if (outcome.success()) {
    pending_ = std::monostate{};
  } else if (clientRefused && mayWait &&
             !(turn && turn->wait && turn->wait->runs >= kMaxClientWaitRuns)) {
    // Not a timed retry: the run follows the client's end.
    ClientWait wait =
        turn && turn->wait ? std::move(*turn->wait) : ClientWait{StoredDay::Of(*m.local)};
    if (wait.runs == 0 || !wait.failure.empty()) wait.failure = outcome.resultText;
    wait.ended = false;
    pending_ = std::move(wait);
  } else {
    if (!clientRefused) PlanRetry(outcome.failure, m, turn ? turn->startDay : 0, draw);
    // Nobody watches an automatic run, so its failure must not go unseen,
    // but a failure that repeats is news once a day.
    if (std::holds_alternative<std::monostate>(pending_) && !exiting_ && today != 0) {
      if (today != balloonDay_) {
        balloonDay_ = today;
        ballooned_.clear();
      }
      decision.balloon = ballooned_.insert(outcome.resultText).second;
    }
  }
  if (const Retry* retry = std::get_if<Retry>(&pending_)) decision.retryAt = retry->at;
  decision.waitsForClient = Wait() != nullptr;
  return decision;
}

void ResidentSchedule::PlanRetry(RunFailure failure, const ResidentMoment& m, int32_t startDay,
                                 double draw) {
  pending_ = std::monostate{};
  if (!m.local || !CanPassBySelf(failure)) return;
  const int32_t today = DayKey(*m.local);
  // A run begun before midnight: the new day has its own run.
  if (startDay != today) return;
  if (retryDay_ != today) {
    retryDay_ = today;
    retriesDone_ = 0;
  }
  if (retriesDone_ >= kMaxRetries) return;
  const int64_t minutes = int64_t{kFirstRetryMinutes} << retriesDone_;
  if (draw < 0) draw = 0;
  if (draw >= 1) draw = 0.999999;
  const int64_t delay =
      static_cast<int64_t>(static_cast<double>(minutes * unit_) * (1.0 + 0.5 * draw));
  // Never past midnight either.
  const int64_t secondOfDay = m.local->hour * 3600 + m.local->minute * 60 + m.local->second;
  if (secondOfDay + delay >= kSecondsPerDay) return;
  LocalDateTime at{};
  at.hour = static_cast<int>((secondOfDay + delay) / 3600);
  at.minute = static_cast<int>((secondOfDay + delay) / 60 % 60);
  pending_ = Retry{m.now + delay, at.ClockText(), today};
}

void ResidentSchedule::SettingsSaved() { DropPending(); }

void ResidentSchedule::ExitAsked(const ResidentMoment& m) {
  Observe(m);
  exiting_ = true;
}

void ResidentSchedule::ClientEnded() {
  if (ClientWait* wait = Wait()) wait->ended = true;
}

std::u16string ResidentSchedule::clientWaitDate() const {
  if (const ClientWait* wait = Wait()) return wait->Stored();
  // Kept while its run goes: a run that does not end still waits at the next start.
  if (autoRun_ && autoRun_->wait) return autoRun_->wait->Stored();
  return {};
}

bool ResidentSchedule::watchClient() const {
  const ClientWait* wait = Wait();
  return wait && !wait->ended && !exiting_;
}

std::optional<int64_t> ResidentSchedule::nextDecision() const {
  if (exiting_) return std::nullopt;
  std::optional<int64_t> next = catchUpDue_;
  if (const Retry* retry = std::get_if<Retry>(&pending_); retry && (!next || retry->due < *next)) {
    next = retry->due;
  }
  return next;
}

std::optional<std::u16string> ResidentSchedule::TakeUnsyncedNotice() {
  return std::exchange(unsyncedNotice_, std::nullopt);
}
