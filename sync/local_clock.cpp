#include "sync/local_clock.h"

#include <cstdio>
#include <ctime>

#include "common/utf_convert.h"

std::u16string LocalDateTime::DateText() const {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
  return AsciiToUtf16(buf);
}

std::u16string LocalDateTime::ClockText() const {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d", hour, minute);
  return AsciiToUtf16(buf);
}

int64_t SystemClock::Now() { return static_cast<int64_t>(std::time(nullptr)); }

std::optional<LocalDateTime> SystemClock::ToLocal(int64_t time) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm tm{};
#ifdef _WIN32
  if (localtime_s(&tm, &t) != 0) return std::nullopt;
#else
  if (localtime_r(&t, &tm) == nullptr) return std::nullopt;
#endif
  return LocalDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                       tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}
