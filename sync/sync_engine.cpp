#include "sync/sync_engine.h"

#include <system_error>

#include "sync/result_text.h"

CSyncEngine::CSyncEngine(SyncEngineServices services)
    : services_(std::move(services)),
      schedule_(services_.desktop, services_.retryMinuteSeconds, ResidentSchedule::kResumeGapSeconds,
                services_.catchUpSeconds),
      settingsChanges_(services_.settings.Changes()) {}

CSyncEngine::~CSyncEngine() { Stop(); }

void CSyncEngine::Start() {
  std::lock_guard lock(wakeMutex_);
  if (!running_) {
    running_ = true;
    thread_ = std::thread([this] { SchedulerThread(); });
  }
}

void CSyncEngine::RefuseQueuedRuns() {
  {
    std::lock_guard lock(mutex_);
    schedule_.ExitAsked();
    FollowClient(services_.settings.InEffect());
  }
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
    std::lock_guard lock(wakeMutex_);
    if (!running_) return;
    running_ = false;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void CSyncEngine::Wake(bool clientEnded) {
  {
    std::lock_guard lock(wakeMutex_);
    woken_ = true;
    clientEnded_ = clientEnded_ || clientEnded;
  }
  wake_.notify_all();
}

ResidentMoment CSyncEngine::Moment(const SyncSettings& settings) {
  const int64_t now = services_.clock.Now();
  return {now, services_.clock.ToLocal(now), settings};
}

void CSyncEngine::NoteSettingsSaved() {
  const unsigned long long changes = services_.settings.Changes();
  if (changes == settingsChanges_) return;
  settingsChanges_ = changes;
  schedule_.SettingsSaved();
}

void CSyncEngine::Persist() {
  if (schedule_.lastAutoSync() != storedDate_) {
    storedDate_ = schedule_.lastAutoSync();
    services_.lastAutoSync.SaveDate(storedDate_);
  }
  if (schedule_.clientWaitDate() != storedWaitDate_) {
    storedWaitDate_ = schedule_.clientWaitDate();
    services_.lastAutoSync.SaveClientWaitDate(storedWaitDate_);
  }
}

void CSyncEngine::FollowClient(const SyncSettings& settings) {
  IClientWatch* watch = services_.clientWatch;
  if (!watch) return;
  const bool wanted = schedule_.watchClient();
  if (wanted && !watching_) {
    watching_ = watch->Watch(settings, [this] { Wake(true); });
    // Gone between the run's end and now.
    if (!watching_) {
      schedule_.ClientEnded();
      Wake(false);
    }
  } else if (!wanted && watching_) {
    watching_ = false;
    watch->Cancel();
  }
}

std::optional<SyncRunOutcome> CSyncEngine::Run(RunMode mode, AnswerSource source) {
  // A run on this thread already (a tray command from inside a run's
  // message box) would deadlock on the lock; it is simply not started.
  if (runInProgress_.load() && runThread_.load() == std::this_thread::get_id()) return std::nullopt;

  {
    std::unique_lock lock(runMutex_);
    runEnded_.wait(lock, [this] { return !runBusy_ || refusing_; });
    if (refusing_) return std::nullopt;
    runBusy_ = true;
  }
  std::optional<SyncRunOutcome> outcome = RunHoldingTheSlot(mode, source);
  {
    std::lock_guard lock(runMutex_);
    runBusy_ = false;
  }
  runEnded_.notify_all();
  Wake(false);  // what was pending may have changed
  return outcome;
}

std::optional<SyncRunOutcome> CSyncEngine::RunHoldingTheSlot(RunMode mode, AnswerSource source) {
  const IRunLock::Result lock = services_.runLock.Lock();
  const auto mayStart = [this, mode] {
    std::lock_guard guard(mutex_);
    return schedule_.MayStart(mode);
  };
  // Exit may have come while this run waited for the other process.
  if (lock == IRunLock::Result::Stopped || !mayStart()) {
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
    outcome = services_.runner(services_.settings.InEffect(), mode, refusal, source);
  } catch (...) {
    // The runner catches what a run throws; this is the last line.
    outcome.resultText = std::u16string(kRunErrorPrefix) + u"未知错误";
    outcome.failure = RunFailure::RunError;
  }
  {
    std::lock_guard guard(mutex_);
    NoteSettingsSaved();
    const SyncSettings settings = services_.settings.InEffect();
    const double draw = std::uniform_real_distribution<double>(0.0, 1.0)(random_);
    const RunEndDecision decision = schedule_.RunEnded(mode, outcome, Moment(settings), draw);
    outcome.retryAt = decision.retryAt;
    outcome.waitsForClient = decision.waitsForClient;
    outcome.balloon = decision.balloon;
    Persist();
    FollowClient(settings);
  }
  if (observer) observer->RunEnded(mode, outcome);
  runInProgress_ = false;
  runThread_ = std::thread::id{};
  if (lock == IRunLock::Result::Held) services_.runLock.Unlock();
  return outcome;
}

void CSyncEngine::RunAutomatic(const AutoRun& run) {
  const std::optional<SyncRunOutcome> outcome = Run(RunMode::Automatic, run.source);
  if (!outcome) {
    std::lock_guard lock(mutex_);
    schedule_.Refused(RunMode::Automatic);
    Persist();
    return;
  }
  if (outcome->notice) {
    // Nobody may be at the desk: the box gets a thread of its own that
    // nothing waits for, so neither the next day's run nor Exit waits for
    // an answer, and it holds up no other run.
    try {
      std::thread([&notices = services_.notices, text = *outcome->notice] {
        try {
          notices.Show(text, MessageIcon::Information);
        } catch (...) {
          // A box that could not be shown must not end the program.
        }
      }).detach();
    } catch (const std::system_error&) {
      // No thread to be had: the notice is in the log line already.
    }
  }
}

void CSyncEngine::SchedulerThread() {
  {
    const SyncSettings settings = services_.settings.InEffect();
    std::optional<bool> clientRunning;
    if (services_.clientWatch) clientRunning = services_.clientWatch->ClientRunning(settings);
    std::lock_guard lock(mutex_);
    storedDate_ = services_.lastAutoSync.LoadDate();
    storedWaitDate_ = services_.lastAutoSync.LoadClientWaitDate();
    schedule_.Started(Moment(settings), storedDate_, storedWaitDate_, clientRunning);
    Persist();
    FollowClient(settings);
  }
  for (;;) {
    bool clientEnded = false;
    {
      std::lock_guard lock(wakeMutex_);
      if (!running_) return;
      woken_ = false;
      clientEnded = std::exchange(clientEnded_, false);
    }
    std::optional<AutoRun> run;
    std::optional<std::u16string> unsynced;
    {
      std::lock_guard lock(mutex_);
      if (clientEnded) schedule_.ClientEnded();
      NoteSettingsSaved();
      const SyncSettings settings = services_.settings.InEffect();
      run = schedule_.TimePassed(Moment(settings));
      unsynced = schedule_.TakeUnsyncedNotice();
      Persist();
      FollowClient(settings);
    }
    if (unsynced && services_.observer) services_.observer->DayUnsynced(*unsynced);
    if (run) {
      RunAutomatic(*run);
      continue;
    }
    std::unique_lock lock(wakeMutex_);
    wake_.wait_for(lock, kPollInterval, [this] { return !running_ || woken_; });
  }
}
