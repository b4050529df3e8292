#pragma once
// Character classes shared by the tokenizer, the end-tag matching and the
// look-ups, for the UTF-8 text the parser reads and the UTF-16 names the
// tree hands out; letter case folds as everywhere in the core
// (common/text_classes.h). Every structural character is ASCII, and in
// UTF-8 an ASCII byte never occurs inside another character, so the parser
// works on bytes.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "common/text_classes.h"

// TAB, LF, CR and SPACE only.
template <class Char>
constexpr bool IsXmlSpace(Char c) {
  constexpr std::uint64_t kSpaces =
      (1ull << ' ') | (1ull << '\t') | (1ull << '\n') | (1ull << '\r');
  const auto unit = static_cast<std::make_unsigned_t<Char>>(c);
  return unit <= ' ' && ((kSpaces >> unit) & 1) != 0;
}

// An ASCII prefix (a marker), letter case ignored, in text of any width.
template <class Char>
bool StartsWithAsciiIgnoreCase(std::basic_string_view<Char> text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldAsciiCase(text[i]) != static_cast<Char>(FoldAsciiCase(prefix[i]))) return false;
  }
  return true;
}

// The index of the first `a` or `b` at or after `from`, or text.size().
// Sixteen bytes a step: the C library's memchr is slow on some platforms.
std::size_t FindEither(std::string_view text, std::size_t from, char a, char b);
std::size_t FindEither(std::u16string_view text, std::size_t from, char16_t a, char16_t b);
