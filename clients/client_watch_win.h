#pragma once
// The mail client's own processes, waited on through their handles where
// the system lets this user open them, and looked for in the process list
// every few seconds where it does not (another user's Foxmail on a terminal
// server or after a switch of users). Only Foxmail 7 refuses a run while it
// is open, so only Foxmail 7 is ever watched; which client that is, and
// whether it is installed, is asked afresh at every call.

#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "clients/foxmail7/process_running_win.h"
#include "common/win/scoped_handles.h"
#include "sync/client_watch.h"

class ClientProcessWatch final : public IClientWatch {
 public:
  static constexpr uint32_t kPollMs = 10000;

  explicit ClientProcessWatch(ProcessOpener open = OpenProcessAsSystemAllows,
                              uint32_t pollMs = kPollMs);
  ~ClientProcessWatch() override;
  ClientProcessWatch(const ClientProcessWatch&) = delete;
  ClientProcessWatch& operator=(const ClientProcessWatch&) = delete;

  // Asked twice a second: where Foxmail 7 is installed is looked up at most
  // every few seconds.
  bool Watched(const SyncSettings& settings) override;
  std::optional<bool> ClientRunning(const SyncSettings& settings) override;
  // `ended` is called once every process found now has ended. It must not
  // call Cancel or Watch: they wait for its thread.
  bool Watch(const SyncSettings& settings, std::function<void()> ended) override;
  void Cancel() override;

 private:
  const ProcessOpener open_;
  std::mutex locateMutex_;
  std::optional<ULONGLONG> locatedAt_;  // GetTickCount64, under locateMutex_
  bool installed_ = false;              // under locateMutex_
  const uint32_t pollMs_;
  std::mutex mutex_;   // one Watch or Cancel at a time
  UniqueHandle stop_;  // manual reset: set while no wait is wanted
  std::thread waiter_;
};
