#include "sync/sync_engine.h"

#include "sync/result_text.h"

CSyncEngine::CSyncEngine(SyncEngineServices services)
    : services_(std::move(services)), retries_(services_.retryMinuteSeconds) {}

CSyncEngine::~CSyncEngine() { Stop(); }

void CSyncEngine::Start() {
  std::lock_guard lock(stopMutex_);
  if (!running_) {
    running_ = true;
    thread_ = std::thread([this] { SchedulerThread(); });
  }
}

void CSyncEngine::RefuseQueuedRuns() {
  {
    std::lock_guard lock(runMutex_);
    refusing_ = true;
  }
  runEnded_.notify_all();
  services_.runLock.StopWaiting();
}

void CSyncEngine::Stop() {
  RefuseQueuedRuns();
  {
    std::lock_guard lock(stopMutex_);
    if (!running_) return;
    running_ = false;
  }
  stopSignal_.notify_all();
  if (thread_.joinable()) thread_.join();
}

std::optional<SyncRunOutcome> CSyncEngine::RunOnce(RunMode mode) {
  // A run on this thread already (a tray command from inside a run's
  // message box) would deadlock on the lock; it is simply not started.
  if (runInProgress_.load() && runThread_.load() == std::this_thread::get_id()) return std::nullopt;

  {
    std::unique_lock lock(runMutex_);
    runEnded_.wait(lock, [this] { return !runBusy_ || refusing_; });
    if (refusing_) return std::nullopt;
    runBusy_ = true;
  }
  std::optional<SyncRunOutcome> outcome = RunHoldingTheSlot(mode);
  {
    std::lock_guard lock(runMutex_);
    runBusy_ = false;
  }
  runEnded_.notify_all();
  return outcome;
}

std::optional<SyncRunOutcome> CSyncEngine::RunHoldingTheSlot(RunMode mode) {
  const IRunLock::Result lock = services_.runLock.Lock();
  const auto refused = [this] {
    std::lock_guard guard(runMutex_);
    return refusing_;
  };
  // Exit may have come while this run waited for the other process.
  if (lock == IRunLock::Result::Stopped || refused()) {
    if (lock == IRunLock::Result::Held) services_.runLock.Unlock();
    return std::nullopt;
  }
  std::optional<std::u16string> refusal;
  if (lock == IRunLock::Result::TimedOut) refusal = kRunLockTimedOutText;
  if (lock == IRunLock::Result::Unavailable) refusal = kRunLockUnavailableText;

  runThread_ = std::this_thread::get_id();
  runInProgress_ = true;
  IRunObserver* observer = mode == RunMode::OneShot ? nullptr : services_.observer;
  if (observer) observer->RunStarted();
  SyncRunOutcome outcome;
  try {
    outcome = services_.runner(services_.settings.InEffect(), mode, refusal);
  } catch (...) {
    // The runner catches what a run throws; this is the last line.
  }
  SettleRetries(mode, outcome);
  if (observer) observer->RunEnded(mode, outcome);
  runInProgress_ = false;
  runThread_ = std::thread::id{};
  if (lock == IRunLock::Result::Held) services_.runLock.Unlock();
  return outcome;
}

void CSyncEngine::SettleRetries(RunMode mode, SyncRunOutcome& outcome) {
  std::lock_guard lock(retryMutex_);
  if (mode == RunMode::Manual && outcome.success) retries_.Forget();
  if (mode != RunMode::Automatic || outcome.success) return;
  const int64_t now = services_.clock.Now();
  const std::optional<LocalDateTime> local = services_.clock.ToLocal(now);
  if (!local) return;
  const double draw = std::uniform_real_distribution<double>(0.0, 1.0)(retryRandom_);
  if (const std::optional<int64_t> due = retries_.Failed(outcome.failure, now, *local, draw)) {
    retrySettingsChanges_ = services_.settings.Changes();
    if (const std::optional<LocalDateTime> at = services_.clock.ToLocal(*due)) {
      outcome.retryAt = at->ClockText();
    }
  }
}

bool CSyncEngine::RetryDue(int64_t now) {
  std::lock_guard lock(retryMutex_);
  // The user changed something since the failure: the next run follows the
  // new settings at the usual time.
  if (services_.settings.Changes() != retrySettingsChanges_) retries_.Forget();
  return retries_.TakeDue(now);
}

bool CSyncEngine::RunAutomatic() {
  const auto outcome = RunOnce(RunMode::Automatic);
  if (!outcome) return false;
  if (outcome->notice) {
    // Nobody may be at the desk: the box gets a thread of its own that
    // nothing waits for, so neither the next day's run nor Exit waits for
    // an answer, and it holds up no other run.
    std::thread([&notices = services_.notices, text = *outcome->notice] {
      try {
        notices.Show(text, MessageIcon::Information);
      } catch (...) {
        // A box that could not be shown must not end the program.
      }
    }).detach();
  }
  return true;
}

void CSyncEngine::SchedulerThread() {
  IClock& clock = services_.clock;
  const auto dueMinute = [this](const SyncSettings& s) {
    return SpreadSyncTime(s.SyncTime, SpreadOffset(services_.desktop, s.SyncSpread));
  };
  int64_t now = clock.Now();
  DailyScheduler scheduler(services_.lastAutoSync.LoadDate(), now, clock.ToLocal(now),
                           dueMinute(services_.settings.InEffect()));
  for (;;) {
    {
      std::unique_lock lock(stopMutex_);
      if (!running_) return;
    }
    const SyncSettings settings = services_.settings.InEffect();
    now = clock.Now();
    if (scheduler.Poll(settings.SyncType, dueMinute(settings), now, clock.ToLocal(now))) {
      const std::u16string before = services_.lastAutoSync.LoadDate();
      services_.lastAutoSync.SaveDate(scheduler.lastAutoSyncDate());
      {
        std::lock_guard retryLock(retryMutex_);
        retries_.DayStarted();
      }
      // A run refused at Exit has not happened: the next start catches up.
      if (!RunAutomatic()) services_.lastAutoSync.SaveDate(before);
      scheduler.RunFinished(clock.Now());
    } else if (RetryDue(now)) {
      (void)RunAutomatic();  // a refused retry has nothing to undo
      scheduler.RunFinished(clock.Now());
    }
    std::unique_lock lock(stopMutex_);
    stopSignal_.wait_for(lock, kPollInterval, [this] { return !running_; });
  }
}
