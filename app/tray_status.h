#pragma once
// What the tray icon tells the user without being asked: the last run's
// result in the tip (read back from the log after a restart), and which
// failed automatic runs deserve a balloon.

#include <cstddef>
#include <optional>
#include <set>
#include <string>

// The notification area's tip holds this many UTF-16 units, the
// terminating zero included.
inline constexpr size_t kTrayTipCapacity = 128;

// `text` cut so that it fits `capacity` units with its terminating zero,
// never between the two halves of a surrogate pair.
std::u16string FitToCapacity(const std::u16string& text, size_t capacity);

struct LastRun {
  std::u16string stamp;  // the log's "YYYY-MM-DD HH:MM:SS"
  std::u16string text;   // the result text
  std::optional<std::u16string> retryAt;  // "HH:MM" of a pending retry
};

// The last run recorded at the end of the log (whole lines). A result text
// that spread over several lines is joined again with line feeds. Nothing
// when no line starts with a time stamp.
std::optional<LastRun> LastRunInLog(const std::u16string& logTail);

// "<product>" or "<product>\n上次同步：<date> <hh:mm> <text>", fitted to the tip,
// followed by "，HH:MM重试" while the failure will be tried again.
std::u16string IdleTip(const std::u16string& product, const std::optional<LastRun>& last);

// Remembers which failure texts were announced today, so that a failure
// that repeats is announced once a day.
class FailureNotices {
 public:
  // True the first time `text` fails on `date`.
  bool ShouldAnnounce(const std::u16string& date, const std::u16string& text);

 private:
  std::u16string date_;
  std::set<std::u16string> announced_;
};
