#pragma once
// The one letter-case fold and the one white-space rule of the whole core.
//
// Only A-Z fold onto a-z: folding other letters would depend on the
// workstation's locale, and every word the program compares (schemes,
// header names, markup) is ASCII. Blanks are Windows' wide-character
// spaces, which include the ideographic space that Chinese input pads with.

#include <cstddef>
#include <string_view>

constexpr char16_t FoldAsciiCase(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

constexpr bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (text[i] != prefix[i] && FoldAsciiCase(text[i]) != FoldAsciiCase(prefix[i])) return false;
  }
  return true;
}

constexpr bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && StartsWithIgnoringAsciiCase(a, b);
}

constexpr bool IsBlank(char16_t c) {
  return (c >= u'\t' && c <= u'\r') || c == u' ' || c == u'\u0085' || c == u'\u00A0' ||
         c == u'\u1680' || (c >= u'\u2000' && c <= u'\u200A') || c == u'\u2028' ||
         c == u'\u2029' || c == u'\u202F' || c == u'\u205F' || c == u'\u3000';
}

// `text` without blanks at either end.
constexpr std::u16string_view TrimmedBlanks(std::u16string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}
