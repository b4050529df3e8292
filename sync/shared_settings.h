#pragma once
// The process-wide settings record behind a lock. A run works on a copy
// taken at its start; the dialog and the tray replace fields under the lock,
// so a run never sees a half-written record. An overlay (the
// administrator's policy) may be laid over the record for its use; it is
// never part of the record, so a save keeps the user's own values.

#include <functional>
#include <mutex>
#include <utility>

#include "sync/sync_settings.h"

class SharedSettings {
 public:
  using Overlay = std::function<SyncSettings(SyncSettings)>;

  // The record as the user keeps it.
  SyncSettings Snapshot() const {
    std::lock_guard lock(mutex_);
    return record_;
  }
  // The record with the overlay over it: what runs and the scheduler use.
  // The overlay is called outside the lock, afresh each time.
  SyncSettings InEffect() const {
    Overlay overlay;
    SyncSettings record;
    {
      std::lock_guard lock(mutex_);
      overlay = overlay_;
      record = record_;
    }
    return overlay ? overlay(std::move(record)) : record;
  }
  void SetOverlay(Overlay overlay) {
    std::lock_guard lock(mutex_);
    overlay_ = std::move(overlay);
  }
  void Replace(const SyncSettings& record) {
    std::lock_guard lock(mutex_);
    record_ = record;
  }
  void Update(const std::function<void(SyncSettings&)>& change) {
    std::lock_guard lock(mutex_);
    change(record_);
    ++changes_;
  }
  // Hands a copy of the record to `change`, and keeps it only when
  // `change` returns true (a save that took): saves never interleave, and
  // one that failed changes nothing.
  bool TryUpdate(const std::function<bool(SyncSettings&)>& change) {
    std::lock_guard lock(mutex_);
    SyncSettings next = record_;
    if (!change(next)) return false;
    record_ = std::move(next);
    ++changes_;
    return true;
  }
  // How many times the record has been changed: a pending retry of a failed run
  // ends when the user changes the settings.
  unsigned long long Changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
  }

 private:
  mutable std::mutex mutex_;
  SyncSettings record_;
  unsigned long long changes_ = 0;
  Overlay overlay_;
};
