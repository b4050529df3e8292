#pragma once
// Waits that last minutes in use (a run lock, an Outlook that does not
// answer) are shortened by the tests that reach them through the program,
// with an environment variable named TW_TEST_...; nothing else sets one. A
// test value can only shorten a wait, never lengthen it.

#include <windows.h>

#include <cstdint>
#include <cwchar>

inline uint32_t ShortenedForTest(const wchar_t* variable, uint32_t realMs) {
  wchar_t text[16] = {};
  const DWORD n = GetEnvironmentVariableW(variable, text, ARRAYSIZE(text));
  if (n == 0 || n >= ARRAYSIZE(text)) return realMs;
  wchar_t* end = nullptr;
  const unsigned long ms = std::wcstoul(text, &end, 10);
  if (*end != L'\0' || ms == 0 || ms >= realMs) return realMs;
  return static_cast<uint32_t>(ms);
}
