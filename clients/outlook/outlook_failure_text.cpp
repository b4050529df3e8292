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

RunFailure OutlookCallFailure(uint32_t status) {
  switch (status) {
    case 0x80010001u:  // RPC_E_CALL_REJECTED
    case 0x80010002u:  // RPC_E_CALL_CANCELED
    case 0x8001010Au:  // RPC_E_SERVERCALL_RETRYLATER
    case 0x80010108u:  // RPC_E_DISCONNECTED
    case 0x800706BAu:  // RPC_S_SERVER_UNAVAILABLE
    case 0x800706BEu:  // RPC_S_CALL_FAILED
      return RunFailure::ClientUnavailable;
    default: return RunFailure::WriterFailed;
  }
}

RunFailure OutlookStartFailure(uint32_t status) {
  switch (status) {
    case 0x80040154u:  // REGDB_E_CLASSNOTREG
    case 0x800401F3u:  // CO_E_CLASSSTRING
      return RunFailure::ClientNotInstalled;
    default: return RunFailure::ClientUnavailable;
  }
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

std::u16string OutlookRecordSaveFailureText(std::u16string_view path) {
  return std::u16string(u"无法保存Outlook联系人记录：").append(path);
}
