#pragma once
// Registry values read as text, of any length.

#include <windows.h>

#include <optional>
#include <string>

struct RegistryText {
  std::u16string text;  // up to the first zero, whether or not one was stored
  DWORD type = REG_NONE;
  size_t storedBytes = 0;  // the value's size as stored, terminator or not
};

// Read access only. Nothing when the key or the value is missing; the
// value's type is reported, not checked.
std::optional<RegistryText> ReadRegistryText(HKEY root, const wchar_t* subKey,
                                             const wchar_t* valueName);

// Environment references ("%VAR%") expanded, whole; empty on failure.
std::u16string ExpandEnvironmentText(const std::u16string& text);
