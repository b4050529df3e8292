#include "clients/foxmail7/process_running_win.h"

#include <winternl.h>

#include <algorithm>
#include <optional>

#include "common/win/wide_text_win.h"

namespace {

constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

uint64_t Ticks(const FILETIME& time) {
  return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

struct ListedProcess {
  ProcessIdentity identity;
  std::u16string name;
};

// Every running process with the moment it started, read without opening any
// (the toolhelp snapshot has no start times).
std::optional<std::vector<ListedProcess>> ListProcesses() {
  std::vector<uint64_t> buffer(32 * 1024);  // 8-byte aligned, as the entries are
  for (int attempt = 0; attempt < 8; ++attempt) {
    const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(uint64_t));
    ULONG needed = 0;
    const NTSTATUS status =
        NtQuerySystemInformation(SystemProcessInformation, buffer.data(), size, &needed);
    if (status == kInfoLengthMismatch) {
      // Processes start meanwhile: room for some more.
      buffer.resize(std::max<size_t>(needed, size) / sizeof(uint64_t) * 2);
      continue;
    }
    if (!NT_SUCCESS(status)) return std::nullopt;
    std::vector<ListedProcess> processes;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    for (size_t offset = 0;;) {
      const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(bytes + offset);
      const auto id = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId));
      // One without threads has ended, listed only while a handle keeps it.
      if (entry->NumberOfThreads > 0) {
        std::u16string name;
        if (entry->ImageName.Buffer) {
          name = FromWide(entry->ImageName.Buffer, entry->ImageName.Length / sizeof(wchar_t));
        }
        processes.push_back(
            {{id, static_cast<uint64_t>(entry->CreateTime.QuadPart)}, std::move(name)});
      }
      if (entry->NextEntryOffset == 0) break;
      offset += entry->NextEntryOffset;
    }
    return processes;
  }
  return std::nullopt;
}

struct FileIdentity {
  DWORD volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Names, cases, short names and links aside: which file it is.
std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
  const UniqueHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// Only a process seen to run another file than the one located is
// another installation; one whose file cannot be told may be ours.
bool RunsAnotherFile(HANDLE process, const std::optional<FileIdentity>& located) {
  if (!located) return false;
  std::wstring image(32768, L'\0');
  DWORD size = static_cast<DWORD>(image.size());
  if (!QueryFullProcessImageNameW(process, 0, image.data(), &size)) return false;
  image.resize(size);
  const std::optional<FileIdentity> running = IdentityOf(image);
  return running && *running != *located;
}

}  // namespace

HANDLE OpenProcessAsSystemAllows(DWORD access, DWORD id) { return OpenProcess(access, FALSE, id); }

std::vector<ClientProcess> FindClientProcesses(const Foxmail7Location& location,
                                               const ProcessOpener& open) {
  std::vector<ClientProcess> found;
  const std::optional<std::vector<ListedProcess>> processes = ListProcesses();
  if (!processes) return found;
  std::optional<std::optional<FileIdentity>> located;
  for (const ListedProcess& listed : *processes) {
    if (listed.name.empty() ||
        CompareStringOrdinal(AsWide(listed.name), -1, AsWide(location.executableName), -1, TRUE) !=
            CSTR_EQUAL) {
      continue;
    }
    const DWORD id = listed.identity.id;
    UniqueHandle waitable(open(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, id));
    const UniqueHandle queried(waitable ? nullptr : open(PROCESS_QUERY_LIMITED_INFORMATION, id));
    const HANDLE process = waitable ? waitable.get() : queried.get();
    if (process) {
      FILETIME created{}, exited{}, kernel{}, user{};
      DWORD exitCode = 0;
      // The listed process has ended since the list was read, or the id
      // went to a newer one.
      if ((GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE) ||
          (GetProcessTimes(process, &created, &exited, &kernel, &user) &&
           Ticks(created) != listed.identity.started)) {
        continue;
      }
      if (!located) located = IdentityOf(AsWide(location.installDir + location.executableName));
      if (RunsAnotherFile(process, *located)) continue;
    }
    found.push_back({listed.identity, std::move(waitable)});
  }
  return found;
}

bool IsClientRunning(const Foxmail7Location& location) {
  return !FindClientProcesses(location).empty();
}

bool StillRunning(const ProcessIdentity& process) {
  const std::optional<std::vector<ListedProcess>> processes = ListProcesses();
  if (!processes) return true;
  for (const ListedProcess& listed : *processes) {
    if (listed.identity == process) return true;
  }
  return false;
}
