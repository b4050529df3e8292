#include "sync/sync_engine.h"

#include <system_error>

#include "sync/kept_answer.h"
#include "sync/result_text.h"

namespace {

// The named run lock for one run, released on every path.
class RunLockTurn {
 public:
  explicit RunLockTurn(IRunLock& lock) : lock_(lock), result_(lock.Lock()) {}
  RunLockTurn(const RunLockTurn&) = delete;
  RunLockTurn& operator=(const RunLockTurn&) = delete;
  ~RunLockTurn() {
    if (result_ == IRunLock::Result::Held) lock_.Unlock();
  }
  IRunLock::Result result() const { return result_; }

 private:
  IRunLock& lock_;
  IRunLock::Result result_;
};

}  // namespace

// The process's run slot for one run, released on every path: a run that
// throws must not keep every later one waiting.
class CSyncEngine::RunSlot {
 public:
  explicit RunSlot(RunSlots& slots) : slots_(slots) {
    std::unique_lock lock(slots_.mutex);
    slots_.freed.wait(lock, [this] { return !slots_.busy || slots_.refusing; });
    held_ = !slots_.refusing;
    if (!held_) return;
    slots_.busy = true;
    slots_.holder = std::this_thread::get_id();
  }
  RunSlot(const RunSlot&) = delete;
  RunSlot& operator=(const RunSlot&) = delete;
  ~RunSlot() {
    if (!held_) return;
    {
      std::lock_guard lock(slots_.mutex);
      slots_.busy = false;
      slots_.holder = std::thread::id{};
    }
    slots_.freed.notify_all();
  }
  bool held() const { return held_; }

 private:
  RunSlots& slots_;
  bool held_ = false;
};

CSyncEngine::CSyncEngine(SyncEngineServices services)
    : services_(std::move(services)),
      schedule_(services_.desktop, services_.retryMinuteSeconds,
                ResidentSchedule::kResumeGapSeconds, services_.catchUpSeconds),
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
    // A change made just before Exit (automatic runs turned off) still counts.
    NoteSettingsSaved();
    const SyncSettings settings = services_.settings.InEffect();
    schedule_.ExitAsked(Moment(settings));
    Persist();
    FollowClient(settings);
  }
  {
    std::lock_guard lock(slots_.mutex);
    slots_.refusing = true;
  }
  slots_.freed.notify_all();
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
  IClientWatch* watch = services_.clientWatch;
  return {now, services_.clock.ToLocal(now), settings, watch && watch->Watched(settings)};
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
  std::u16string wait = schedule_.clientWaitDate();
  if (wait != storedWait_) {
    storedWait_ = std::move(wait);
    services_.lastAutoSync.SaveClientWaitDate(storedWait_);
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
  if (slots_.holder.load() == std::this_thread::get_id()) return std::nullopt;
  std::optional<SyncRunOutcome> outcome;
  {
    const RunSlot slot(slots_);
    if (!slot.held()) return std::nullopt;
    outcome = RunHoldingTheSlot(mode, source);
  }
  Wake(false);  // what was pending may have changed
  return outcome;
}

std::optional<SyncRunOutcome> CSyncEngine::RunHoldingTheSlot(RunMode mode, AnswerSource source) {
  const RunLockTurn lock(services_.runLock);
  if (lock.result() == IRunLock::Result::Stopped) return std::nullopt;
  SyncSettings settings;
  std::optional<LocalDateTime> started;
  {
    std::lock_guard guard(mutex_);
    NoteSettingsSaved();
    settings = services_.settings.InEffect();
    const ResidentMoment m = Moment(settings);
    // Exit may have come while this run waited for the other process, or
    // what it was queued for may be gone.
    if (!schedule_.MayStart(mode, m)) return std::nullopt;
    started = m.local;
  }
  std::optional<std::u16string> refusal;
  if (lock.result() == IRunLock::Result::TimedOut) refusal = kRunLockTimedOutText;
  if (lock.result() == IRunLock::Result::Unavailable) refusal = kRunLockUnavailableText;
  // Only today's answer that parsed, for these very settings, is reused;
  // read under the run lock, which every process's runs take.
  ILastAutoSyncStore& store = services_.lastAutoSync;
  if (source == AnswerSource::KeptCopyOfToday &&
      !KeptAnswerFits(store.LoadKeptAnswer(), started, settings)) {
    source = AnswerSource::Download;
  }

  IRunObserver* observer = mode == RunMode::OneShot ? nullptr : services_.observer;
  if (observer) observer->RunStarted();
  SyncRunOutcome outcome;
  try {
    outcome = services_.runner(settings, mode, refusal, source);
  } catch (...) {
    // The runner catches what a run throws; this is the last line.
    outcome.resultText = std::u16string(kRunErrorPrefix) + u"未知错误";
    outcome.failure = RunFailure::RunError;
  }
  if (const auto mark = KeptAnswerAfter(outcome.answerCopy, started, settings)) {
    store.SaveKeptAnswer(*mark);
  }
  {
    std::lock_guard guard(mutex_);
    NoteSettingsSaved();
    const SyncSettings now = services_.settings.InEffect();
    const double draw = std::uniform_real_distribution<double>(0.0, 1.0)(random_);
    const RunEndDecision decision = schedule_.RunEnded(mode, outcome, Moment(now), draw);
    outcome.retryAt = decision.retryAt;
    outcome.waitsForClient = decision.waitsForClient;
    outcome.balloon = decision.balloon;
    Persist();
    FollowClient(now);
  }
  if (observer) observer->RunEnded(mode, outcome);
  return outcome;
}

void CSyncEngine::RunAutomatic(const AutoRun& run) {
  std::optional<SyncRunOutcome> outcome;
  try {
    outcome = Run(RunMode::Automatic, run.source);
  } catch (...) {
    // Handed back below as not run.
  }
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

void CSyncEngine::StartSchedule() {
  const SyncSettings settings = services_.settings.InEffect();
  std::optional<bool> clientRunning;
  if (services_.clientWatch) clientRunning = services_.clientWatch->ClientRunning(settings);
  std::lock_guard lock(mutex_);
  storedDate_ = services_.lastAutoSync.LoadDate();
  storedWait_ = services_.lastAutoSync.LoadClientWaitDate();
  schedule_.Started(Moment(settings), storedDate_, storedWait_, clientRunning.value_or(false));
  Persist();
  FollowClient(settings);
}

bool CSyncEngine::Poll(bool clientEnded) {
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
  if (run) RunAutomatic(*run);
  return run.has_value();
}

void CSyncEngine::SchedulerThread() {
  bool started = false;
  for (;;) {
    bool clientEnded = false;
    {
      std::lock_guard lock(wakeMutex_);
      if (!running_) return;
      woken_ = false;
      clientEnded = std::exchange(clientEnded_, false);
    }
    try {
      if (!started) {
        StartSchedule();
        started = true;
      }
      if (Poll(clientEnded)) continue;
    } catch (...) {
      // Nothing a decision's collaborators throw ends the thread: the next
      // poll decides again.
    }
    std::unique_lock lock(wakeMutex_);
    wake_.wait_for(lock, kPollInterval, [this] { return !running_ || woken_; });
  }
}
