#pragma once
// Runs happen on the scheduler's thread and on manual-run threads; the
// window learns of them here. Reports wait until the user-interface thread
// takes them; `wake` tells it that there is something to take.

#include <functional>
#include <mutex>
#include <string>
#include <utility>
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
  // A started run that ends without a report (an exception on the way).
  void Abandoned();

  // A run is in progress.
  bool Active() const;
  std::vector<RunReport> Take();

 private:
  mutable std::mutex mutex_;
  std::function<void()> wake_;
  int active_ = 0;
  std::vector<RunReport> ended_;
};

// A run in progress for as long as it lives, so that nothing failing on the
// way leaves the tray saying "正在同步…" for good.
class ActiveRun {
 public:
  explicit ActiveRun(RunReports* reports) : reports_(reports) {
    if (reports_) reports_->Started();
  }
  ~ActiveRun() {
    if (reports_) reports_->Abandoned();
  }
  ActiveRun(const ActiveRun&) = delete;
  ActiveRun& operator=(const ActiveRun&) = delete;

  void End(RunReport report) {
    if (RunReports* reports = std::exchange(reports_, nullptr)) reports->Ended(std::move(report));
  }

 private:
  RunReports* reports_;
};
