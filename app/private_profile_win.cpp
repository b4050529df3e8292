#include "app/private_profile_win.h"

#include <windows.h>

#include <mutex>
#include <optional>

#include "common/win/code_page_win.h"
#include "common/win/scoped_handles.h"
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

bool WriteWhole(const std::u16string& path, const std::string& bytes) {
  const UniqueHandle file(CreateFileW(AsWide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file &&
         (bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                      &written, nullptr) &&
                            written == bytes.size()));
}

bool FlushToDisk(const std::u16string& path) {
  const UniqueHandle file(CreateFileW(AsWide(path), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && FlushFileBuffers(file.get());
}

// Drops the platform's cached copy of the file (Wine keeps one and knows a
// changed file only by its time, which two quick saves may share).
void ForgetCachedCopy(const std::u16string& path) {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, AsWide(path));
}

std::mutex& ProfileWrites() {
  static std::mutex writes;
  return writes;
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

bool RewriteProfile(const std::u16string& path, const std::function<bool(IProfile&)>& write) {
  const std::lock_guard turn(ProfileWrites());
  const std::optional<std::string> bytes = ReadWhole(path);
  const std::u16string aside = path + u".saving";
  if (!bytes) return false;
  PrivateProfile copy(aside);
  const bool written = WriteWhole(aside, *bytes) && write(copy);
  ForgetCachedCopy(aside);
  const bool replaced =
      written && FlushToDisk(aside) &&
      MoveFileExW(AsWide(aside), AsWide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!replaced) DeleteFileW(AsWide(aside));
  ForgetCachedCopy(path);
  return replaced;
}
