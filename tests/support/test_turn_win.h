#pragma once
// A turn at something that tests in other processes change too (ctest runs
// test processes side by side): a named mutex lets one holder in at a time.

#include <windows.h>

#include "common/win/scoped_handles.h"

// The registry keys of the writer fakes (Outlook and the address book).
inline constexpr wchar_t kWriterFakesTurn[] = L"Local\\TarnwellWriterFakesRegistry";
// The prefix's own Foxmail command key.
inline constexpr wchar_t kFoxmailCommandKeyTurn[] = L"Local\\TarnwellTestsFoxmailCommandKey";

class TestTurn {
 public:
  explicit TestTurn(const wchar_t* name) : mutex_(CreateMutexW(nullptr, FALSE, name)) {
    if (!mutex_) return;
    const DWORD waited = WaitForSingleObject(mutex_.get(), 120000);
    // An abandoned turn is ours: the test that held it ended.
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~TestTurn() {
    if (owned_) ReleaseMutex(mutex_.get());
  }
  TestTurn(const TestTurn&) = delete;
  TestTurn& operator=(const TestTurn&) = delete;

  bool owned() const { return owned_; }

 private:
  UniqueHandle mutex_;
  bool owned_ = false;
};
