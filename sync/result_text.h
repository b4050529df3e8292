#pragma once
// What every result text goes through before anyone sees it: the log, the
// output of "/sync", boxes and tray texts all show exactly one line.

#include <cstddef>
#include <string>
#include <string_view>

// A run that could not have the run lock: it changed nothing.
inline constexpr char16_t kRunLockTimedOutText[] = u"等待另一个同步结束超过30分钟，本次未同步";
inline constexpr char16_t kRunLockUnavailableText[] = u"无法取得同步锁，本次未同步";

// The most characters of a server's own error text that a result keeps.
inline constexpr size_t kServerTextLimit = 500;

// Line breaks and other control characters become spaces, so no text can
// start a second log line; the direction marks and overrides
// (U+061C, U+200E/F, U+202A-E, U+2066-9) go.
std::u16string OneLineText(std::u16string text);

// A server's text of more than kServerTextLimit characters is cut after that
// many, never inside a surrogate pair, and ends with "…".
std::u16string ShortenServerText(std::u16string_view text);
