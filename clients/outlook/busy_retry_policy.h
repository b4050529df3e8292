#pragma once
// How long a call that Outlook turns away as busy is offered again. Outlook
// refuses automation calls while it shows a dialog or is starting up; a
// minute covers that without hanging a run for good.

#include <cstdint>
#include <optional>

struct BusyRetryPolicy {
  uint32_t giveUpAfterMs = 60000;
  uint32_t pauseMs = 100;

  // The pause before the next attempt of a call first made `elapsedMs`
  // ago, or nothing once the call has been turned away for too long.
  std::optional<uint32_t> PauseBeforeRetry(uint64_t elapsedMs) const {
    if (elapsedMs >= giveUpAfterMs) return std::nullopt;
    return pauseMs;
  }
};
