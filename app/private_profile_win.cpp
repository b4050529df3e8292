#include "app/private_profile_win.h"

#include <windows.h>

#include "common/win/code_page_win.h"
#include "common/win/wide_text_win.h"

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
