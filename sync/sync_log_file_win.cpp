#include <windows.h>

#include "common/win/code_page_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"
#include "sync/sync_log.h"
#include "sync/sync_log_file_win.h"

void SyncLogFile::Append(const std::u16string& resultText) {
  const std::u16string line = BuildLogLine(FormatLogTime(clock_, clock_.Now()), resultText);
  // The user's own code page, which is the one their editor reads with.
  // Characters outside it become '?' so the line keeps its tail.
  const std::string bytes = WideToCodePage(line, UserDefaultAnsiCodePage());

  UniqueHandle file(CreateFileW(AsWide(path_), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
