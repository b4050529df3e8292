#include "sync/sync_log.h"

#include <cstdio>

#include "common/utf_convert.h"
#include "sync/result_text.h"

std::u16string FormatLogTime(IClock& clock, int64_t time) {
  const auto local = clock.ToLocal(time);
  if (!local) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", local->year, local->month,
                local->day, local->hour, local->minute, local->second);
  return AsciiToUtf16(buf);
}

std::u16string BuildLogLine(const std::u16string& stamp, const std::u16string& resultText) {
  return stamp + u" :" + OneLineText(resultText) + u"\r\n";
}
