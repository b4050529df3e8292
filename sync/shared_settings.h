#pragma once
// The process-wide settings record behind a lock. A run works on a copy
// taken at its start; the dialog and the tray replace fields under the lock,
// so a run never sees a half-written record.

#include <functional>
#include <mutex>

#include "sync/sync_settings.h"

class SharedSettings {
 public:
  SyncSettings Snapshot() const {
    std::lock_guard lock(mutex_);
    return record_;
  }
  void Replace(const SyncSettings& record) {
    std::lock_guard lock(mutex_);
    record_ = record;
  }
  // Changes the record and hands the new state to `after` (for a save)
  // while the lock is still held, so saves never interleave.
  void Update(const std::function<void(SyncSettings&)>& change,
              const std::function<void(const SyncSettings&)>& after = {}) {
    std::lock_guard lock(mutex_);
    change(record_);
    ++changes_;
    if (after) after(record_);
  }
  // How many times Update has been called: a pending retry of a failed run
  // ends when the user changes the settings.
  unsigned long long Changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
  }

 private:
  mutable std::mutex mutex_;
  SyncSettings record_;
  unsigned long long changes_ = 0;
};
