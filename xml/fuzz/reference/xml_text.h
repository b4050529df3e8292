#pragma once
// Reference copy of xml/xml_text.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// Character classes and letter-case folding shared by the tokenizer, the
// end-tag matching and the look-ups.
//
// Only A-Z fold onto a-z. Folding other letters would depend on the
// workstation's locale, so the same server answer could match on one machine
// and not on another; every name the program looks for is ASCII anyway.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace reference {

// TAB, LF, CR and SPACE only.
constexpr bool IsXmlSpace(char16_t c) {
  constexpr std::uint64_t kSpaces = (1ull << u' ') | (1ull << u'\t') | (1ull << u'\n') | (1ull << u'\r');
  return c <= u' ' && ((kSpaces >> c) & 1) != 0;
}

constexpr char16_t FoldXmlCase(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// True when `text` begins with `prefix`, letter case ignored.
inline bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (text[i] != prefix[i] && FoldXmlCase(text[i]) != FoldXmlCase(prefix[i])) return false;
  }
  return true;
}

inline bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && StartsWithIgnoreCase(a, b);
}

// The length of the text up to its first NUL character (all of it without).
std::size_t LengthBeforeNul(std::u16string_view text);

// The index of the first `a` or `b` at or after `from`, or text.size().
std::size_t FindEither(std::u16string_view text, std::size_t from, char16_t a, char16_t b);

}  // namespace reference
