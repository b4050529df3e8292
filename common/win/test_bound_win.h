#pragma once
// Waits that last minutes in use (a run lock, an Outlook that does not
// answer, the scheduler's retry unit) are shortened by the tests that
// reach them through the program, with an environment variable named
// TW_TEST_...; nothing else sets one. Only a program built for the tests
// (TW_TEST_BOUNDS) or a test itself reads them: the program users get
// waits as long as it says. A test value can only shorten a wait, never
// lengthen it.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cwchar>

inline std::atomic<bool>& TestBoundsAllowed() {
  static std::atomic<bool> allowed{false};
  return allowed;
}

// `leastMs`: a shorter value would break a rule (a retry unit of zero
// seconds) and is refused like a longer one.
inline uint32_t ShortenedForTest(const wchar_t* variable, uint32_t realMs, uint32_t leastMs = 1) {
  if (!TestBoundsAllowed()) return realMs;
  wchar_t text[16] = {};
  const DWORD n = GetEnvironmentVariableW(variable, text, ARRAYSIZE(text));
  if (n == 0 || n >= ARRAYSIZE(text)) return realMs;
  wchar_t* end = nullptr;
  const unsigned long ms = std::wcstoul(text, &end, 10);
  if (*end != L'\0' || ms < leastMs || ms >= realMs) return realMs;
  return static_cast<uint32_t>(ms);
}
