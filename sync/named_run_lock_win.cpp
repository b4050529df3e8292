#include "sync/named_run_lock_win.h"

namespace {
constexpr wchar_t kGlobalName[] = L"Global\\TarnwellAddrBookSync.Run";
constexpr wchar_t kLocalName[] = L"Local\\TarnwellAddrBookSync.Run";
}  // namespace

NamedRunLock::NamedRunLock() {
  mutex_.reset(CreateMutexW(nullptr, FALSE, kGlobalName));
  // Some sessions may not open global objects; the session's own still
  // keeps this user's runs apart.
  if (!mutex_) mutex_.reset(CreateMutexW(nullptr, FALSE, kLocalName));
}

void NamedRunLock::Lock() {
  if (!mutex_) return;
  const DWORD r = WaitForSingleObject(mutex_.get(), INFINITE);
  // An abandoned mutex is ours now: its owner died mid-run.
  held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

void NamedRunLock::Unlock() {
  if (held_) ReleaseMutex(mutex_.get());
  held_ = false;
}
