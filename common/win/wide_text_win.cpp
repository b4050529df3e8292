#include "common/win/wide_text_win.h"

#include <windows.h>

std::u16string ModuleFilePath() {
  std::u16string buffer(MAX_PATH, u'\0');
  for (;;) {
    const DWORD n =
        GetModuleFileNameW(nullptr, AsWideBuffer(buffer), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}
