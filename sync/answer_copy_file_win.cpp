#include "sync/answer_copy_file_win.h"

#include <windows.h>

#include "common/win/scoped_handles.h"
#include "common/win/whole_file_win.h"
#include "common/win/wide_text_win.h"

namespace {

// More than any answer a run keeps.
constexpr LONGLONG kLargestCopy = LONGLONG{256} << 20;
constexpr int64_t kFileTimeTicksPerSecond = 10000000;
constexpr int64_t kFileTimeToUnixSeconds = 11644473600;

}  // namespace

bool AnswerCopyFile::Save(std::string_view bytes) {
  // A copy cut short by a full disk or a crash would pass for today's
  // answer: the previous one stays until a whole one replaces it.
  return ReplaceWholeFile(path_, bytes);
}

std::optional<std::string> ReadAnswerCopyOf(const std::u16string& path, const std::u16string& date,
                                            IClock& clock) {
  UniqueHandle file(CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  FILETIME written{};
  if (!file || !GetFileTime(file.get(), nullptr, nullptr, &written)) return std::nullopt;
  const int64_t ticks =
      static_cast<int64_t>((uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime);
  const std::optional<LocalDateTime> local =
      clock.ToLocal(ticks / kFileTimeTicksPerSecond - kFileTimeToUnixSeconds);
  if (!local || local->DateText() != date) return std::nullopt;
  return ReadWholeFile(file.get(), kLargestCopy);
}
