#include "common/win/registry_text_win.h"

#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

std::optional<RegistryText> ReadRegistryText(HKEY root, const wchar_t* subKey,
                                             const wchar_t* valueName) {
  UniqueHKey key;
  if (RegOpenKeyExW(root, subKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
  RegistryText value;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.get(), valueName, nullptr, &value.type, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  // Room for a terminator the stored value may lack.
  value.text.assign(bytes / sizeof(char16_t) + 1, u'\0');
  bytes = static_cast<DWORD>(value.text.size() * sizeof(char16_t));
  if (RegQueryValueExW(key.get(), valueName, nullptr, &value.type,
                       reinterpret_cast<BYTE*>(value.text.data()), &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.storedBytes = bytes;
  value.text.resize(bytes / sizeof(char16_t));
  const size_t end = value.text.find(u'\0');
  if (end != std::u16string::npos) value.text.resize(end);
  return value;
}

std::u16string ExpandEnvironmentText(const std::u16string& text) {
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
