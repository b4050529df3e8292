#include "clients/outlook/outlook_failure_text.h"

#include <cstdio>
#include <string>

#include "common/utf_convert.h"

namespace {

std::u16string HexStatus(uint32_t status) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
  return AsciiToUtf16(hex);
}

std::u16string Seconds(uint32_t ms) { return AsciiToUtf16(std::to_string((ms + 999) / 1000)); }

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

std::u16string OutlookNoAnswerText(uint32_t limitMs) {
  return kOutlookCallFailedPrefix + (u"Outlook在" + Seconds(limitMs) + u"秒内没有响应");
}

std::u16string OutlookBusyText(uint32_t limitMs) {
  return kOutlookCallFailedPrefix + (u"Outlook一直忙碌，" + Seconds(limitMs) + u"秒内没有响应");
}
