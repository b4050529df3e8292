#pragma once
// The mail client's own process, waited on through its handle (not a poll
// of the desktop's processes). Only Foxmail 7 refuses a run while it is
// open, so only Foxmail 7 is ever watched.

#include <mutex>
#include <thread>

#include "common/win/scoped_handles.h"
#include "sync/client_watch.h"

class ClientProcessWatch final : public IClientWatch {
 public:
  ClientProcessWatch();
  ~ClientProcessWatch() override;
  ClientProcessWatch(const ClientProcessWatch&) = delete;
  ClientProcessWatch& operator=(const ClientProcessWatch&) = delete;

  bool Watched(const SyncSettings& settings) override;
  std::optional<bool> ClientRunning(const SyncSettings& settings) override;
  // `ended` must not call Cancel or Watch: they wait for its thread.
  bool Watch(const SyncSettings& settings, std::function<void()> ended) override;
  void Cancel() override;

 private:
  std::mutex mutex_;  // one Watch or Cancel at a time
  UniqueHandle stop_;  // manual reset: set while no wait is wanted
  std::thread waiter_;
};
