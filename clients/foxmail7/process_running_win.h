#pragma once
// Foxmail 7's processes on this machine, in every session and of every
// user: found by the executable's file name, told apart by the moment each
// started (ids are reused), and by the file each runs where that can be
// read (another installation writes another folder).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "clients/foxmail7/foxmail7_location.h"
#include "common/win/scoped_handles.h"

// A process is its id together with the moment it started (FILETIME ticks):
// a later process given the same id is another one.
struct ProcessIdentity {
  DWORD id = 0;
  uint64_t started = 0;
  bool operator==(const ProcessIdentity&) const = default;
};

// Opens a process as OpenProcess does (null when refused). The system
// refuses another user's process; tests refuse as the system would.
using ProcessOpener = std::function<HANDLE(DWORD access, DWORD id)>;
HANDLE OpenProcessAsSystemAllows(DWORD access, DWORD id);

struct ClientProcess {
  ProcessIdentity identity;
  UniqueHandle handle;  // to wait on; null when the system refused it
};

// The processes named like `location`'s executable (case ignored) that may
// be using its folder: all but those seen to run another executable file.
// Empty when the process list cannot be read.
std::vector<ClientProcess> FindClientProcesses(
    const Foxmail7Location& location, const ProcessOpener& open = OpenProcessAsSystemAllows);

bool IsClientRunning(const Foxmail7Location& location);

// Whether that very process still runs; true when the list cannot be read.
bool StillRunning(const ProcessIdentity& process);
