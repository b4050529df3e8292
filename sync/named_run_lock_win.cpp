#include "sync/named_run_lock_win.h"

#include "common/win/test_bound_win.h"

NamedRunLock::NamedRunLock()
    : waitMs_(ShortenedForTest(L"TW_TEST_RUN_LOCK_WAIT_MS", kRunLockWaitMs)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      mutex_(u"Run") {}

IRunLock::Result NamedRunLock::Lock() {
  if (!mutex_.get() && !mutex_.Open()) return Result::Unavailable;
  if (!stop_) return Result::Unavailable;
  // The stop event first: when both are signalled, the lowest wins.
  const HANDLE handles[] = {stop_.get(), mutex_.get()};
  const DWORD r = WaitForMultipleObjects(2, handles, FALSE, waitMs_);
  // An abandoned mutex is ours now: its owner died mid-run.
  held_ = r == WAIT_OBJECT_0 + 1 || r == WAIT_ABANDONED_0 + 1;
  if (held_) return Result::Held;
  if (r == WAIT_OBJECT_0) return Result::Stopped;
  return r == WAIT_TIMEOUT ? Result::TimedOut : Result::Unavailable;
}

void NamedRunLock::Unlock() {
  if (held_) ReleaseMutex(mutex_.get());
  held_ = false;
}

void NamedRunLock::StopWaiting() {
  if (stop_) SetEvent(stop_.get());
}
