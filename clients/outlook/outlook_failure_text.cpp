#include "clients/outlook/outlook_failure_text.h"

#include <cstdio>

#include "common/utf_convert.h"

namespace {

std::u16string HexStatus(uint32_t status) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
  return AsciiToUtf16(hex);
}

}  // namespace

std::u16string OutlookCallFailureText(std::u16string_view description, uint32_t status) {
  std::u16string text = kOutlookCallFailedPrefix;
  if (!description.empty()) return text.append(description);
  return text + HexStatus(status);
}

std::u16string OutlookStartFailureText(uint32_t status) {
  std::u16string text = kOutlookStartFailedText;
  return text.append(u"：").append(HexStatus(status));
}

std::u16string OutlookRecordSaveFailureText(std::u16string_view path) {
  return std::u16string(u"无法保存Outlook联系人记录：").append(path);
}
