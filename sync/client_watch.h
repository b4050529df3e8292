#pragma once
// The chosen mail client's own process, watched so that a run refused
// because the client was open can follow the moment the client ends.

#include <functional>
#include <optional>

#include "sync/sync_settings.h"

class IClientWatch {
 public:
  virtual ~IClientWatch() = default;
  // Whether the client of `settings` is one to watch now (it refuses a run
  // while open, and it is installed). Asked at every decision of the
  // scheduler, so it lists no processes.
  virtual bool Watched(const SyncSettings& settings) = 0;
  // Whether the client of `settings` is running now; nothing for a client
  // that never refuses a run while it is open, which is never watched.
  virtual std::optional<bool> ClientRunning(const SyncSettings& settings) = 0;
  // Waits for the running client to end: `ended` is called once, on a
  // thread the watch owns. False when no such process runs now. A later
  // Watch replaces this one.
  virtual bool Watch(const SyncSettings& settings, std::function<void()> ended) = 0;
  // Stops waiting; `ended` is not called once Cancel has returned.
  virtual void Cancel() = 0;
};
