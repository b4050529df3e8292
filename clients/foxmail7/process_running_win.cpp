#include "clients/foxmail7/process_running_win.h"

#include <tlhelp32.h>

#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

std::optional<DWORD> FindProcessId(const std::u16string& executableName) {
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return std::nullopt;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (CompareStringOrdinal(entry.szExeFile, -1, AsWide(executableName), -1, TRUE) == CSTR_EQUAL) {
      return entry.th32ProcessID;
    }
  }
  return std::nullopt;
}

bool IsProcessRunning(const std::u16string& executableName) {
  return FindProcessId(executableName).has_value();
}
