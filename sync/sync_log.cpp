#include "sync/sync_log.h"

#include <cstdio>

#include "common/utf_convert.h"

std::u16string FormatLogTime(IClock& clock, int64_t time) {
  const auto local = clock.ToLocal(time);
  if (!local) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", local->year, local->month,
                local->day, local->hour, local->minute, local->second);
  return AsciiToUtf16(buf);
}

std::u16string BuildLogLine(const std::u16string& stamp, const std::u16string& resultText) {
  const std::u16string line = stamp + u" :" + resultText + u"\n";
  std::u16string out;
  out.reserve(line.size() + 4);
  for (char16_t c : line) {
    if (c == u'\n') out.push_back(u'\r');
    out.push_back(c);
  }
  return out;
}
