#pragma once
// A manual run on a thread of its own, so that the window and the tray keep
// answering while it fetches and writes. It waits for a scheduled run that
// is going, as every run waits for every other.

#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "sync/sync_engine.h"

class ManualSync {
 public:
  explicit ManualSync(CSyncEngine& engine) : engine_(engine) {}
  ManualSync(const ManualSync&) = delete;
  ManualSync& operator=(const ManualSync&) = delete;
  ~ManualSync() { Wait(); }

  // Starts a run unless one is still going; `done` is called on the run's
  // thread after the run has released its locks.
  [[nodiscard]] bool Start(std::function<void()> done);
  bool Running() const;
  // The outcome of the run that ended, once.
  std::optional<SyncRunOutcome> TakeOutcome();
  // Returns when no manual run is going.
  void Wait();

 private:
  CSyncEngine& engine_;
  mutable std::mutex mutex_;
  bool running_ = false;
  std::optional<SyncRunOutcome> outcome_;
  std::thread thread_;
};
