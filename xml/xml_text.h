#pragma once
// Character classes and letter-case folding shared by the tokenizer, the
// end-tag matching and the look-ups, for the UTF-8 text the parser reads
// and the UTF-16 names the tree hands out.
//
// Only A-Z fold onto a-z. Folding other letters would depend on the
// workstation's locale, so the same server answer could match on one machine
// and not on another; every name the program looks for is ASCII anyway.
// Every structural character is ASCII, and in UTF-8 an ASCII byte never
// occurs inside another character, so the parser works on bytes.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

// TAB, LF, CR and SPACE only.
template <class Char>
constexpr bool IsXmlSpace(Char c) {
  constexpr std::uint64_t kSpaces = (1ull << ' ') | (1ull << '\t') | (1ull << '\n') | (1ull << '\r');
  const auto unit = static_cast<std::make_unsigned_t<Char>>(c);
  return unit <= ' ' && ((kSpaces >> unit) & 1) != 0;
}

template <class Char>
constexpr Char FoldXmlCase(Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + ('a' - 'A')) : c;
}

// True when `text` begins with `prefix`, letter case ignored.
template <class Char>
bool StartsWithIgnoreCase(std::basic_string_view<Char> text, std::basic_string_view<Char> prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (text[i] != prefix[i] && FoldXmlCase(text[i]) != FoldXmlCase(prefix[i])) return false;
  }
  return true;
}

// The same for an ASCII prefix (a marker) in text of any width.
template <class Char>
bool StartsWithAsciiIgnoreCase(std::basic_string_view<Char> text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldXmlCase(text[i]) != static_cast<Char>(FoldXmlCase(prefix[i]))) return false;
  }
  return true;
}

template <class Char>
bool EqualsIgnoreCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  return a.size() == b.size() && StartsWithIgnoreCase(a, b);
}
inline bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  return EqualsIgnoreCase<char16_t>(a, b);
}
inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return EqualsIgnoreCase<char>(a, b);
}

// The index of the first `a` or `b` at or after `from`, or text.size().
// Sixteen bytes a step: the C library's memchr is slow on some platforms.
std::size_t FindEither(std::string_view text, std::size_t from, char a, char b);
std::size_t FindEither(std::u16string_view text, std::size_t from, char16_t a, char16_t b);
