#include "common/win/code_page_win.h"

#include <windows.h>

#include "common/win/wide_text_win.h"

std::string WideToCodePage(std::u16string_view text, unsigned codePage) {
  if (text.empty()) return {};
  const auto* src = reinterpret_cast<const wchar_t*>(text.data());
  const int srcLen = static_cast<int>(text.size());
  // The code page's own default character ('?') stands in for what it
  // cannot hold; no best-fit look-alikes.
  const bool utf = codePage == CP_UTF8 || codePage == CP_UTF7;
  const DWORD flags = utf ? 0 : WC_NO_BEST_FIT_CHARS;
  const int n = WideCharToMultiByte(codePage, flags, src, srcLen, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, src, srcLen, out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string CodePageToWide(std::string_view bytes, unsigned codePage) {
  if (bytes.empty()) return {};
  const int srcLen = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), srcLen, nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), srcLen, AsWideBuffer(out), n);
  return out;
}

unsigned UserDefaultAnsiCodePage() {
  DWORD codePage = 0;
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                     reinterpret_cast<LPWSTR>(&codePage),
                     sizeof(codePage) / sizeof(wchar_t)) == 0 ||
      codePage == CP_ACP) {
    // A locale without an ANSI code page of its own (Unicode-only ones
    // report 0) falls back to the system's.
    return GetACP();
  }
  return codePage;
}
