#include "clients/outlook/known_contact_record_file_win.h"

#include "common/win/whole_file_win.h"

namespace {

// A record holds some 100 bytes per contact; anything far larger is not one.
constexpr LONGLONG kLargestRecord = 256LL * 1024 * 1024;

}  // namespace

std::optional<KnownContactRecord> LoadKnownContactRecord(const std::u16string& path) {
  const std::optional<std::string> text = ReadWholeFileAt(path, kLargestRecord);
  if (!text) return std::nullopt;
  return ParseKnownContactRecord(*text);
}

bool SaveKnownContactRecord(const std::u16string& path, const KnownContactRecord& record) {
  return ReplaceWholeFile(path, FormatKnownContactRecord(record));
}
