#pragma once
// The boundary between the core's UTF-16 strings and the Windows API's
// wchar_t: both are 16 bits wide on Windows, so a view costs nothing.

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows builds only");

inline const wchar_t* AsWide(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}
// For literals and constants: no temporary string whose buffer could dangle.
inline const wchar_t* AsWide(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline wchar_t* AsWideBuffer(std::u16string& s) { return reinterpret_cast<wchar_t*>(s.data()); }
inline std::u16string FromWide(const wchar_t* s) {
  return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}
inline std::u16string FromWide(const wchar_t* s, size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(s), length);
}

// Full path of the running executable, of any length.
std::u16string ModuleFilePath();
