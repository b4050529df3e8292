#pragma once
// syncaddrs.log: one line per run, appended in the user's ANSI code page.

#include <string>

#include "sync/local_clock.h"
#include "sync/sync_run.h"

class SyncLogFile final : public ISyncLog {
 public:
  SyncLogFile(std::u16string path, IClock& clock) : path_(std::move(path)), clock_(clock) {}
  void Append(const std::u16string& resultText) override;

 private:
  std::u16string path_;
  IClock& clock_;
};
