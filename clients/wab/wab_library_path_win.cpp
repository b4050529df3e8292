#include "clients/wab/wab_library_path_win.h"

#include <windows.h>

#include "common/win/scoped_handles.h"
#include "common/win/wide_text.h"

namespace {

std::u16string ReadDefaultTextValue(HKEY key) {
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  // Room for a terminator the stored value may lack.
  std::u16string text(bytes / sizeof(char16_t) + 1, u'\0');
  if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                       &bytes) != ERROR_SUCCESS) {
    return {};
  }
  text.resize(bytes / sizeof(char16_t));
  const size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return text;
}

std::u16string ExpandEnvironmentReferences(const std::u16string& text) {
  std::u16string expanded(MAX_PATH, u'\0');
  for (;;) {
    const DWORD needed = ExpandEnvironmentStringsW(AsWide(text), AsWideBuffer(expanded),
                                                   static_cast<DWORD>(expanded.size()));
    if (needed == 0) return {};
    if (needed <= expanded.size()) {
      expanded.resize(needed - 1);  // `needed` counts the terminator
      return expanded;
    }
    expanded.assign(needed, u'\0');
  }
}

}  // namespace

std::u16string RegisteredWabLibraryPath() {
  UniqueHKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\WAB\\DLLPath", 0, KEY_READ,
                    key.put()) != ERROR_SUCCESS) {
    return {};
  }
  const std::u16string stored = ReadDefaultTextValue(key.get());
  key.reset();
  if (stored.empty()) return {};
  return ExpandEnvironmentReferences(stored);
}
