#include "clients/outlook/outlook_thread_win.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "clients/outlook/busy_message_filter_win.h"
#include "clients/outlook/outlook_failure_text.h"
#include "common/win/scoped_handles.h"
#include "common/win/test_bound_win.h"

namespace {

// Shared by the waiting thread and the Outlook thread, which may outlive it.
struct OutlookThreadState {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool leftBehind = false;
  DWORD threadId = 0;
  std::optional<OutlookFailure> failure;
  OutlookCallWatch watch;
};

// The Outlook threads of this process that were left behind and have not
// ended yet: no new work starts beside one (it may still write once Outlook
// answers).
struct LeftBehindThreads {
  std::mutex mutex;
  std::condition_variable ended;
  int count = 0;
};
LeftBehindThreads& TheLeftBehind() {
  static LeftBehindThreads threads;
  return threads;
}

std::optional<OutlookFailure> WorkInApartment(OutlookThreadState& state,
                                              const OutlookWaitLimits& limits,
                                              const OutlookWork& work) {
  ScopedComInit com;
  if (!com.ok()) {
    return OutlookFailure{OutlookStartFailureText(static_cast<uint32_t>(CO_E_NOTINITIALIZED)),
                          RunFailure::WriterFailed};
  }
  OutlookCallContext context{limits};
  context.watch = &state.watch;
  ScopedBusyMessageFilter filter(context);
  return work(context);
}

void OutlookThread(OutlookThreadState& state, const OutlookWaitLimits& limits,
                   const OutlookWork& work) {
  // Until `done`: the releases, and the end of COM, may hang as calls do.
  state.watch.Start();
  std::optional<OutlookFailure> failure;
  // Nothing may leave this thread: it would end the program.
  try {
    failure = WorkInApartment(state, limits, work);
  } catch (const std::bad_alloc&) {
    failure = OutlookFailure{OutlookCallFailureText({}, static_cast<uint32_t>(E_OUTOFMEMORY)),
                             RunFailure::WriterFailed};
  } catch (...) {
    failure = OutlookFailure{OutlookCallFailureText({}, static_cast<uint32_t>(E_UNEXPECTED)),
                             RunFailure::WriterFailed};
  }
  bool leftBehind = false;
  {
    std::lock_guard lock(state.mutex);
    state.failure = std::move(failure);
    state.done = true;
    leftBehind = state.leftBehind;
  }
  state.finished.notify_all();
  if (leftBehind) {
    LeftBehindThreads& threads = TheLeftBehind();
    {
      std::lock_guard lock(threads.mutex);
      --threads.count;
    }
    threads.ended.notify_all();
  }
}

}  // namespace

bool OutlookWorkLeftBehindEnded(uint32_t waitMs) {
  LeftBehindThreads& threads = TheLeftBehind();
  std::unique_lock lock(threads.mutex);
  return threads.ended.wait_for(lock, std::chrono::milliseconds(waitMs),
                                [&] { return threads.count == 0; });
}

OutlookWaitLimits OutlookWaitLimitsInUse() {
  OutlookWaitLimits limits;
  limits.callMs = ShortenedForTest(L"TW_TEST_OUTLOOK_CALL_MS", limits.callMs);
  limits.busyMs = ShortenedForTest(L"TW_TEST_OUTLOOK_BUSY_MS", limits.busyMs);
  return limits;
}

std::optional<OutlookFailure> RunOnOutlookThread(const OutlookWaitLimits& limits,
                                                 OutlookWork work) {
  // The work of a run given up earlier may still be waiting for Outlook:
  // it is waited for as a call would be.
  if (!OutlookWorkLeftBehindEnded(limits.callMs)) {
    return OutlookFailure{OutlookNoAnswerText(limits.callMs), RunFailure::ClientUnavailable};
  }
  auto state = std::make_shared<OutlookThreadState>();
  std::thread worker;
  try {
    worker = std::thread([state, limits, work = std::move(work)] {
      {
        std::lock_guard lock(state->mutex);
        state->threadId = GetCurrentThreadId();
      }
      OutlookThread(*state, limits, work);
    });
  } catch (const std::system_error&) {
    return OutlookFailure{OutlookStartFailureText(static_cast<uint32_t>(E_OUTOFMEMORY)),
                          RunFailure::WriterFailed};
  }

  // After the call limit, as long again (ten seconds at most) for the
  // cancelled call and what follows it to end.
  const uint64_t graceMs = std::min<uint64_t>(10000, limits.callMs);
  ULONGLONG cancelAskedAt = 0;
  std::unique_lock lock(state->mutex);
  while (!state->done) {
    const ULONGLONG now = GetTickCount64();
    if (!cancelAskedAt && state->watch.RunningMs() >= limits.callMs) cancelAskedAt = now;
    if (cancelAskedAt) {
      if (now - cancelAskedAt >= graceMs) {
        // Stopped, not abandoned: it makes no further call and writes
        // nothing, and the next run waits for it to end.
        state->watch.GiveUp();
        state->leftBehind = true;
        {
          std::lock_guard threadsLock(TheLeftBehind().mutex);
          ++TheLeftBehind().count;
        }
        lock.unlock();
        worker.detach();
        return OutlookFailure{OutlookNoAnswerText(limits.callMs), RunFailure::ClientUnavailable};
      }
      // COM consults the filter of a waiting apartment when a message
      // arrives; this one wakes it.
      PostThreadMessageW(state->threadId, WM_NULL, 0, 0);
    }
    state->finished.wait_for(lock, std::chrono::milliseconds(200));
  }
  lock.unlock();
  worker.join();
  return std::move(state->failure);
}
