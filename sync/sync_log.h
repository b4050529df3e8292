#pragma once
// The text of a sync-log line. The file itself is written by the platform
// side, which turns the line into the user's code page.

#include <cstdint>
#include <string>

#include "sync/local_clock.h"

// "%Y-%m-%d %H:%M:%S" in local time; empty when the time has no local form.
std::u16string FormatLogTime(IClock& clock, int64_t time);

// stamp + " :" + result text + CR LF; always exactly one line.
std::u16string BuildLogLine(const std::u16string& stamp, const std::u16string& resultText);
