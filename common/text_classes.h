#pragma once
// The character classes of the whole core: the one letter-case fold, the
// one white-space rule, digits and UTF-16 surrogates.
//
// Only A-Z fold onto a-z: folding other letters would depend on the
// workstation's locale, and every word the program compares (schemes,
// header names, markup) is ASCII. Blanks are Windows' wide-character
// spaces, which include the ideographic space that Chinese input pads with.

#include <cstddef>
#include <string_view>

// For UTF-16 text and for UTF-8 bytes alike: no ASCII byte occurs inside
// another character in UTF-8.
template <class Char>
constexpr Char FoldAsciiCase(Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + ('a' - 'A')) : c;
}

template <class Char>
constexpr bool StartsWithIgnoringAsciiCase(std::basic_string_view<Char> text,
                                           std::basic_string_view<Char> prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (text[i] != prefix[i] && FoldAsciiCase(text[i]) != FoldAsciiCase(prefix[i])) return false;
  }
  return true;
}
constexpr bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view prefix) {
  return StartsWithIgnoringAsciiCase<char16_t>(text, prefix);
}
constexpr bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return StartsWithIgnoringAsciiCase<char>(text, prefix);
}

template <class Char>
constexpr bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> a,
                                       std::basic_string_view<Char> b) {
  return a.size() == b.size() && StartsWithIgnoringAsciiCase(a, b);
}
constexpr bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return EqualsIgnoringAsciiCase<char16_t>(a, b);
}
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return EqualsIgnoringAsciiCase<char>(a, b);
}

constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

constexpr bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

constexpr bool IsBlank(char16_t c) {
  return (c >= u'\t' && c <= u'\r') || c == u' ' || c == u'\u0085' || c == u'\u00A0' ||
         c == u'\u1680' || (c >= u'\u2000' && c <= u'\u200A') || c == u'\u2028' || c == u'\u2029' ||
         c == u'\u202F' || c == u'\u205F' || c == u'\u3000';
}

// `text` without blanks at either end.
constexpr std::u16string_view TrimmedBlanks(std::u16string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}
