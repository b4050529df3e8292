#include "clients/client_watch_win.h"

#include <optional>
#include <system_error>
#include <vector>

#include "clients/foxmail7/foxmail7_locate_win.h"
#include "sync/client_kind.h"

namespace {

constexpr ULONGLONG kLocatedForMs = 5000;

std::optional<Foxmail7Location> WatchedClient(const SyncSettings& settings) {
  if (WriterForClientKind(settings.EmailClient) != WriterType::Foxmail7) return std::nullopt;
  return LocateFoxmail7();
}

// True once every process has ended, false when `stop` is set first.
bool WaitForAll(HANDLE stop, std::vector<ClientProcess> processes, uint32_t pollMs) {
  while (!processes.empty()) {
    std::vector<HANDLE> handles{stop};
    bool polled = false;
    for (ClientProcess& process : processes) {
      // One wait takes 64 handles: the rest are polled.
      if (process.handle && handles.size() == MAXIMUM_WAIT_OBJECTS) process.handle.reset();
      if (process.handle) handles.push_back(process.handle.get());
      polled = polled || !process.handle;
    }
    const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                           FALSE, polled ? pollMs : INFINITE);
    if (r == WAIT_OBJECT_0) return false;
    if (r > WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + handles.size()) {
      const HANDLE ended = handles[r - WAIT_OBJECT_0];
      std::erase_if(processes, [&](const ClientProcess& p) { return p.handle.get() == ended; });
    } else if (r == WAIT_TIMEOUT) {
      std::erase_if(processes,
                    [](const ClientProcess& p) { return !p.handle && !StillRunning(p.identity); });
    } else if (handles.size() > 1) {
      // A handle the wait refuses: its process is polled instead.
      for (ClientProcess& process : processes) process.handle.reset();
    } else {
      return false;  // not even the stop can be waited for: no end is heard
    }
  }
  return true;
}

}  // namespace

ClientProcessWatch::ClientProcessWatch(ProcessOpener open, uint32_t pollMs)
    : open_(std::move(open)), pollMs_(pollMs), stop_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

ClientProcessWatch::~ClientProcessWatch() { Cancel(); }

bool ClientProcessWatch::Watched(const SyncSettings& settings) {
  if (WriterForClientKind(settings.EmailClient) != WriterType::Foxmail7) return false;
  std::lock_guard lock(locateMutex_);
  const ULONGLONG now = GetTickCount64();
  if (!locatedAt_ || now - *locatedAt_ >= kLocatedForMs) {
    installed_ = LocateFoxmail7().has_value();
    locatedAt_ = now;
  }
  return installed_;
}

std::optional<bool> ClientProcessWatch::ClientRunning(const SyncSettings& settings) {
  const std::optional<Foxmail7Location> client = WatchedClient(settings);
  if (!client) return std::nullopt;
  return !FindClientProcesses(*client, open_).empty();
}

bool ClientProcessWatch::Watch(const SyncSettings& settings, std::function<void()> ended) {
  Cancel();
  std::lock_guard lock(mutex_);
  const std::optional<Foxmail7Location> client = WatchedClient(settings);
  if (!client || !stop_) return false;
  std::vector<ClientProcess> processes = FindClientProcesses(*client, open_);
  if (processes.empty()) return false;
  ResetEvent(stop_.get());
  try {
    waiter_ = std::thread([stop = stop_.get(), processes = std::move(processes), pollMs = pollMs_,
                           ended = std::move(ended)]() mutable {
      if (!WaitForAll(stop, std::move(processes), pollMs)) return;
      try {
        ended();
      } catch (...) {
        // Nothing to undo: the program simply hears of no end.
      }
    });
  } catch (const std::system_error&) {
    return false;  // no thread to wait on: taken as ended, the run finds out
  }
  return true;
}

void ClientProcessWatch::Cancel() {
  std::lock_guard lock(mutex_);
  if (stop_) SetEvent(stop_.get());
  if (waiter_.joinable()) waiter_.join();
}
