#pragma once
// The writer's calls into Outlook are made on a thread of their own, a
// single-threaded apartment, while the run's thread waits for them. A call
// that has not returned after the call limit is cancelled through the
// message filter; where the platform does not honour the cancel (Wine), or
// where unwinding after it hangs too, the thread is left behind, still
// waiting, and the writer fails all the same: the run ends and gives up its
// locks.

#include <functional>
#include <optional>
#include <string>

#include "clients/outlook/outlook_failure_text.h"
#include "clients/outlook/outlook_waits.h"

// The limits in use: 60 s and 2 min, unless a test shortens them
// (TW_TEST_OUTLOOK_CALL_MS, TW_TEST_OUTLOOK_BUSY_MS).
OutlookWaitLimits OutlookWaitLimitsInUse();

// Runs `work` on the Outlook thread with a filter installed and returns its
// failure, nothing on success. `work` must own whatever it uses: it may
// outlive the call.
using OutlookWork = std::function<std::optional<OutlookFailure>(OutlookCallContext&)>;
[[nodiscard]] std::optional<OutlookFailure> RunOnOutlookThread(const OutlookWaitLimits& limits, OutlookWork work);
