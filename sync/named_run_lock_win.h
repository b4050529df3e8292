#pragma once
// Keeps runs of all instances of the program apart: they share address.xml,
// the log and the mail client. One lock per Windows user, across sessions
// and elevation (a scheduled "/sync" with highest privileges included),
// which only this user and SYSTEM may open: "Run" in a private namespace
// bounded by the user's SID, so no other user can make it first. Where
// private namespaces are missing (Wine),
// "Global\TarnwellAddrBookSync.Run.<the user's SID>", refused when someone
// other than the user or SYSTEM made it.

#include <windows.h>

#include <cstdint>

#include "common/win/scoped_handles.h"
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
  bool Open();

  const uint32_t waitMs_;
  UniqueHandle stop_;
  UniqueBoundaryDescriptor boundary_;
  UniquePrivateNamespace namespace_;  // before the mutex made in it
  UniqueHandle mutex_;
  bool held_ = false;
};
