#include "clients/foxmail7/foxmail7_locate_win.h"

#include <windows.h>

#include <array>

#include "clients/file_version_info_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text.h"

namespace {

constexpr wchar_t kOpenCommandKey[] = L"SOFTWARE\\Classes\\Foxmail\\shell\\open\\command";

// The key's default value taken as text, whatever its registry type says
// (an expandable string is not expanded). Longer values than any real
// command line are refused.
std::optional<std::u16string> ReadOpenCommand() {
  UniqueHKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOpenCommandKey, 0, KEY_QUERY_VALUE, key.put()) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::array<wchar_t, 400> buffer{};
  DWORD bytes = sizeof(buffer);
  if (RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                       &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // The stored value need not end in a zero.
  const size_t units = bytes / sizeof(wchar_t);
  return FromWide(buffer.data(), wcsnlen(buffer.data(), units));
}

}  // namespace

std::optional<Foxmail7Location> LocateFoxmail7() {
  const std::optional<std::u16string> command = ReadOpenCommand();
  if (!command) return std::nullopt;
  const std::u16string path = CleanFoxmailCommand(*command);
  CFileVersionInfo version;
  if (!version.Create(path) || !IsFoxmail7ProductVersion(version.GetProductVersion())) {
    return std::nullopt;
  }
  return SplitExecutablePath(path);
}

bool LocateFoxmail7(std::u16string* installDir, std::u16string* executableName) {
  std::optional<Foxmail7Location> location = LocateFoxmail7();
  if (!location) return false;
  if (installDir) *installDir = std::move(location->installDir);
  if (executableName) *executableName = std::move(location->executableName);
  return true;
}

bool IsFoxmail7Installed() { return LocateFoxmail7(nullptr, nullptr); }
