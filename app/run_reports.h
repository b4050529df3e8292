#pragma once
// Runs happen on the scheduler's thread and on manual-run threads; the
// window learns of them here. Reports wait until the user-interface thread
// takes them; `wake` tells it that there is something to take.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "sync/sync_engine.h"

struct RunReport {
  RunMode mode = RunMode::Automatic;
  SyncRunOutcome outcome;
  std::u16string stamp;  // when the run ended, as the log writes it
};

class RunReports {
 public:
  // `wake` runs on the reporting thread and must not block; empty to stop.
  void SetWake(std::function<void()> wake);
  void Started();
  void Ended(RunReport report);

  // A run is in progress.
  bool Active() const;
  std::vector<RunReport> Take();

 private:
  mutable std::mutex mutex_;
  std::function<void()> wake_;
  int active_ = 0;
  std::vector<RunReport> ended_;
};
