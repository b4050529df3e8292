#include "sync/sync_engine.h"

CSyncEngine::CSyncEngine(SyncEngineServices services) : services_(std::move(services)) {}

CSyncEngine::~CSyncEngine() { Stop(); }

void CSyncEngine::StartEngine() {
  std::lock_guard lock(stopMutex_);
  if (!running_) {
    running_ = true;
    thread_ = std::thread([this] { SchedulerThread(); });
  }
}

void CSyncEngine::Stop() {
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

  std::lock_guard inProcess(runMutex_);
  services_.runLock.Lock();
  runThread_ = std::this_thread::get_id();
  runInProgress_ = true;
  SyncRunOutcome outcome;
  try {
    outcome = services_.runner(services_.settings.InEffect(), mode);
  } catch (...) {
    // The runner catches what a run throws; this is the last line.
  }
  runInProgress_ = false;
  runThread_ = std::thread::id{};
  services_.runLock.Unlock();
  return outcome;
}

void CSyncEngine::RunSync(bool showResult) {
  const auto outcome = RunOnce(showResult ? RunMode::Manual : RunMode::Automatic);
  if (!outcome) return;
  // Everything is shown after the locks are released, so a box left open
  // holds up no other run.
  if (showResult) {
    if (outcome->notice) services_.resultMessages.Show(*outcome->notice, MessageIcon::Information);
    ShowRunResult(*outcome, services_.resultMessages);
  } else if (outcome->notice) {
    // Nobody may be at the desk: the box gets a thread of its own that
    // nothing waits for, so neither the next day's run nor Exit waits for
    // an answer.
    std::thread([&messages = services_.resultMessages, text = *outcome->notice] {
      messages.Show(text, MessageIcon::Information);
    }).detach();
  }
}

void CSyncEngine::SchedulerThread() {
  IClock& clock = services_.clock;
  const auto dueMinute = [this](const SyncSettings& s) {
    return SpreadSyncTime(s.SyncTime, SpreadOffset(services_.desktop, s.SyncSpread));
  };
  int64_t now = clock.Now();
  DailyScheduler scheduler(services_.marks.Load(), now, clock.ToLocal(now),
                           dueMinute(services_.settings.InEffect()));
  for (;;) {
    {
      std::unique_lock lock(stopMutex_);
      if (!running_) return;
    }
    const SyncSettings settings = services_.settings.InEffect();
    now = clock.Now();
    if (scheduler.Poll(settings.SyncType, dueMinute(settings), now, clock.ToLocal(now))) {
      services_.marks.Save(scheduler.lastAutoSyncDate());
      RunSync(false);
      scheduler.RunFinished(clock.Now());
    }
    std::unique_lock lock(stopMutex_);
    stopSignal_.wait_for(lock, kPollInterval, [this] { return !running_; });
  }
}
