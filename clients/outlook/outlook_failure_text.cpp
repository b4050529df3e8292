#include "clients/outlook/outlook_failure_text.h"

#include <cstdio>

#include "common/utf_convert.h"

std::u16string OutlookCallFailureText(std::u16string_view description, uint32_t status) {
  std::u16string text = kOutlookCallFailedPrefix;
  if (!description.empty()) return text.append(description);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
  return text + AsciiToUtf16(hex);
}
