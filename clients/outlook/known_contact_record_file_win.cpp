#include "clients/outlook/known_contact_record_file_win.h"

#include <windows.h>

#include "common/win/scoped_handles.h"
#include "common/win/whole_file_win.h"
#include "common/win/wide_text_win.h"

namespace {

// A record holds some 100 bytes per contact; anything far larger is not one.
constexpr LONGLONG kLargestRecord = 256LL * 1024 * 1024;

}  // namespace

std::optional<KnownContactRecord> LoadKnownContactRecord(const std::u16string& path) {
  UniqueHandle file(CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  const std::optional<std::string> text = ReadWholeFile(file.get(), kLargestRecord);
  if (!text) return std::nullopt;
  return ParseKnownContactRecord(*text);
}

bool SaveKnownContactRecord(const std::u16string& path, const KnownContactRecord& record) {
  const std::string text = FormatKnownContactRecord(record);
  const std::u16string temporary = path + u".new";
  {
    UniqueHandle file(CreateFileW(AsWide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                   nullptr) ||
        written != text.size() || !FlushFileBuffers(file.get())) {
      file.reset();
      DeleteFileW(AsWide(temporary));
      return false;
    }
  }
  if (MoveFileExW(AsWide(temporary), AsWide(path),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(AsWide(temporary));
  return false;
}
