#include <windows.h>

#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"
#include "sync/answer_copy_file_win.h"

bool AnswerCopyFile::Save(std::string_view bytes) {
  UniqueHandle file(CreateFileW(AsWide(path_), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) &&
         written == bytes.size();
}
