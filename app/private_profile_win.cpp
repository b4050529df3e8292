#include "app/private_profile_win.h"

#include <windows.h>

#include <mutex>
#include <optional>

#include "common/win/code_page_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/user_mutex_win.h"
#include "common/win/whole_file_win.h"
#include "common/win/wide_text_win.h"

namespace {

// The file's bytes; empty when there is no file yet, nothing when it
// cannot be read.
std::optional<std::string> ReadWhole(const std::u16string& path) {
  const UniqueHandle file(CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::string();
    return std::nullopt;
  }
  // A settings file is small; anything near this size is not ours to copy.
  return ReadWholeFile(file.get(), 64 << 20);
}

// Drops the platform's cached copy of the file (Wine keeps one and knows a
// changed file only by its time, which two quick saves may share).
void ForgetCachedCopy(const std::u16string& path) {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, AsWide(path));
}

// Long past any rewrite of a settings file.
constexpr DWORD kTurnWaitMs = 10000;

// Opened once for the process, at its first turn.
HANDLE SettingsMutex() {
  static std::mutex opening;
  static UserMutex mutex(u"Settings");
  const std::lock_guard lock(opening);
  if (!mutex.get()) (void)mutex.Open();
  return mutex.get();
}

}  // namespace

int32_t PrivateProfile::ReadInt(const std::u16string& section, const std::u16string& key,
                                int32_t defaultValue) {
  return static_cast<int32_t>(
      GetPrivateProfileIntW(AsWide(section), AsWide(key), defaultValue, AsWide(path_)));
}

std::u16string PrivateProfile::ReadString(const std::u16string& section, const std::u16string& key,
                                          const std::u16string& defaultValue) {
  // Grow until the value fits: long passwords must survive a round trip.
  std::u16string buffer(260, u'\0');
  for (;;) {
    const DWORD n = GetPrivateProfileStringW(AsWide(section), AsWide(key), AsWide(defaultValue),
                                             AsWideBuffer(buffer),
                                             static_cast<DWORD>(buffer.size()), AsWide(path_));
    if (n + 1 < buffer.size() || buffer.size() >= (1u << 20)) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 4);
  }
}

bool PrivateProfile::WriteString(const std::u16string& section, const std::u16string& key,
                                 const std::u16string& value) {
  return WritePrivateProfileStringW(AsWide(section), AsWide(key), AsWide(value), AsWide(path_)) !=
         FALSE;
}

std::u16string ThreadAnsiCodePage::ToWide(const std::string& bytes) {
  return CodePageToWide(bytes, CP_THREAD_ACP);
}

ProfileTurn::ProfileTurn() : mutex_(SettingsMutex()) {
  if (!mutex_) return;
  const DWORD r = WaitForSingleObject(mutex_, kTurnWaitMs);
  // An abandoned one is ours now: its owner died, and the file was
  // swapped whole or not at all.
  held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

ProfileTurn::~ProfileTurn() {
  if (held_) ReleaseMutex(mutex_);
}

bool RewriteProfile(const std::u16string& path, const std::function<bool(IProfile&)>& write) {
  const ProfileTurn turn;
  if (!turn.held()) return false;
  const std::optional<std::string> bytes = ReadWhole(path);
  if (!bytes) return false;
  const std::u16string aside = AsideCopyPath(path);
  PrivateProfile copy(aside);
  const bool written = WriteWholeFile(aside, *bytes) && write(copy);
  ForgetCachedCopy(aside);
  if (!written) {
    DeleteFileW(AsWide(aside));
    return false;
  }
  const bool replaced = SwapInAside(aside, path);
  ForgetCachedCopy(path);
  return replaced;
}
