#pragma once
// The writer's calls into Outlook are made on a thread of their own, a
// single-threaded apartment, while the run's thread waits for them. A call
// (or a release, a QueryInterface, the end of COM: anything between two
// calls) that has not returned after the call limit is cancelled through the
// message filter; where the platform does not honour the cancel (Wine), or
// where unwinding after it hangs too, the thread is left behind, still
// waiting, and the writer fails all the same: the run ends and gives up its
// locks. The work left behind is given up: once Outlook answers it makes no
// further call and writes nothing (OutlookCallWatch), and no new work
// starts while it is still there.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "clients/outlook/outlook_failure_text.h"
#include "clients/outlook/outlook_waits.h"

// The limits in use: 60 s and 2 min, unless a test shortens them
// (TW_TEST_OUTLOOK_CALL_MS, TW_TEST_OUTLOOK_BUSY_MS).
OutlookWaitLimits OutlookWaitLimitsInUse();

// Runs `work` on the Outlook thread with a filter installed and returns its
// failure, nothing on success; an exception `work` throws is a failure too.
// `work` must own whatever it uses: it may outlive the call. Waits up to
// the call limit for work left behind by an earlier call, then fails as a
// call that was not answered.
using OutlookWork = std::function<std::optional<OutlookFailure>(OutlookCallContext&)>;
[[nodiscard]] std::optional<OutlookFailure> RunOnOutlookThread(const OutlookWaitLimits& limits,
                                                               OutlookWork work);

// Waits up to `waitMs` for the work left behind by this process to end;
// false when some is still waiting for Outlook.
[[nodiscard]] bool OutlookWorkLeftBehindEnded(uint32_t waitMs);
