#include "clients/foxmail7/foxmail7_locate_win.h"

#include <windows.h>

#include "clients/file_version_info_win.h"
#include "common/win/registry_text_win.h"

namespace {

constexpr wchar_t kOpenCommandKey[] = L"SOFTWARE\\Classes\\Foxmail\\shell\\open\\command";

// The key's default value taken as text, whatever its registry type says
// (an expandable string is not expanded). Longer values than any real
// command line are refused.
std::optional<std::u16string> ReadOpenCommand() {
  constexpr size_t kLongestCommandBytes = 400 * sizeof(wchar_t);
  std::optional<RegistryText> value =
      ReadRegistryText(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr);
  if (!value || value->storedBytes > kLongestCommandBytes) return std::nullopt;
  return std::move(value->text);
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
