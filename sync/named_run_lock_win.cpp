#include "sync/named_run_lock_win.h"

#include <sddl.h>

#include <vector>

#include "common/win/test_bound_win.h"
#include "common/win/wide_text_win.h"

namespace {

std::u16string UserSidText() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  UniqueHandle owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<unsigned char> buffer(size);
  if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    return {};
  }
  UniqueLocalMemory freed(text);
  return FromWide(text);
}

}  // namespace

NamedRunLock::NamedRunLock()
    : waitMs_(ShortenedForTest(L"TW_TEST_RUN_LOCK_WAIT_MS", kRunLockWaitMs)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

IRunLock::Result NamedRunLock::Lock() {
  if (!mutex_) {
    // Opened at the first run, and kept: nobody can take the name later.
    // Whoever created it first, only this user and SYSTEM may open it; a
    // name taken by anyone else is not worked around with another name.
    const std::u16string sid = UserSidText();
    const std::u16string access = u"D:P(A;;GA;;;" + sid + u")(A;;GA;;;SY)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (sid.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                           AsWide(access), SDDL_REVISION_1, &descriptor, nullptr)) {
      return Result::Unavailable;
    }
    UniqueLocalMemory freed(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    const std::u16string name = u"Global\\TarnwellAddrBookSync.Run." + sid;
    mutex_.reset(CreateMutexW(&attributes, FALSE, AsWide(name)));
    if (!mutex_) return Result::Unavailable;
  }
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
