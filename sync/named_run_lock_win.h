#pragma once
// Keeps runs of all instances of the program apart: they share address.xml,
// the log and the mail client. One lock per Windows user, the user's mutex
// "Run" (common/win/user_mutex_win.h).

#include <windows.h>

#include <cstdint>

#include "common/win/scoped_handles.h"
#include "common/win/user_mutex_win.h"
#include "sync/sync_engine.h"

// How long a run waits for another one before it gives up.
inline constexpr uint32_t kRunLockWaitMs = 30 * 60 * 1000;

class NamedRunLock final : public IRunLock {
 public:
  NamedRunLock();
  [[nodiscard]] Result Lock() override;
  void Unlock() override;
  void StopWaiting() override;

 private:
  const uint32_t waitMs_;
  UniqueHandle stop_;
  UserMutex mutex_;  // opened at the first run, and kept
  bool held_ = false;
};
