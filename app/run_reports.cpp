#include "app/run_reports.h"

#include <utility>

void RunReports::SetWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

void RunReports::Started() {
  std::lock_guard lock(mutex_);
  ++active_;
  if (wake_) wake_();
}

void RunReports::Ended(RunReport report) {
  std::lock_guard lock(mutex_);
  --active_;
  ended_.push_back(std::move(report));
  if (wake_) wake_();
}

bool RunReports::Active() const {
  std::lock_guard lock(mutex_);
  return active_ > 0;
}

std::vector<RunReport> RunReports::Take() {
  std::lock_guard lock(mutex_);
  return std::exchange(ended_, {});
}
