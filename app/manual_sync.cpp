#include "app/manual_sync.h"

#include <system_error>

bool ManualSync::Start(std::function<void()> done) {
  std::lock_guard lock(mutex_);
  if (running_) return false;
  // The previous run's thread has finished its work; only the join is left.
  if (thread_.joinable()) thread_.join();
  try {
    // Started under the lock: the run cannot report its end before
    // running_ is set.
    thread_ = std::thread([this, done = std::move(done)] {
      std::optional<SyncRunOutcome> outcome;
      try {
        outcome = engine_.RunOnce(RunMode::Manual);
      } catch (...) {
        // Nothing may leave this thread: it would end the program.
        outcome = SyncRunOutcome{};
        outcome->resultText = std::u16string(kRunErrorPrefix) + u"未知错误";
        outcome->failure = RunFailure::RunError;
      }
      {
        std::lock_guard lock(mutex_);
        outcome_ = std::move(outcome);
        running_ = false;
      }
      if (done) done();
    });
  } catch (const std::system_error&) {
    return false;  // no thread to be had: nothing runs, a later request may
  }
  running_ = true;
  return true;
}

bool ManualSync::Running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

std::optional<SyncRunOutcome> ManualSync::TakeOutcome() {
  std::lock_guard lock(mutex_);
  return std::exchange(outcome_, std::nullopt);
}

void ManualSync::Wait() {
  std::thread finished;
  {
    std::lock_guard lock(mutex_);
    finished = std::move(thread_);
  }
  if (finished.joinable()) finished.join();
}
