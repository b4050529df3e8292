#include "clients/client_watch_win.h"

#include <optional>
#include <system_error>

#include "clients/foxmail7/foxmail7_locate_win.h"
#include "clients/foxmail7/process_running_win.h"
#include "sync/client_kind.h"

namespace {

std::optional<std::u16string> WatchedExecutable(const SyncSettings& settings) {
  if (WriterForClientKind(settings.EmailClient) != WriterType::Foxmail7) return std::nullopt;
  const std::optional<Foxmail7Location> location = LocateFoxmail7();
  if (!location) return std::nullopt;
  return location->executableName;
}

}  // namespace

ClientProcessWatch::ClientProcessWatch() : stop_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

ClientProcessWatch::~ClientProcessWatch() { Cancel(); }

bool ClientProcessWatch::Watched(const SyncSettings& settings) {
  return WatchedExecutable(settings).has_value();
}

std::optional<bool> ClientProcessWatch::ClientRunning(const SyncSettings& settings) {
  const std::optional<std::u16string> name = WatchedExecutable(settings);
  if (!name) return std::nullopt;
  return IsProcessRunning(*name);
}

bool ClientProcessWatch::Watch(const SyncSettings& settings, std::function<void()> ended) {
  Cancel();
  std::lock_guard lock(mutex_);
  const std::optional<std::u16string> name = WatchedExecutable(settings);
  const std::optional<DWORD> id = name ? FindProcessId(*name) : std::nullopt;
  if (!id || !stop_) return false;
  UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, *id));
  if (!process) return false;
  ResetEvent(stop_.get());
  try {
    waiter_ = std::thread([stop = stop_.get(), process = std::move(process), ended = std::move(ended)] {
      const HANDLE handles[] = {stop, process.get()};
      if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
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
