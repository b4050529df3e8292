#pragma once
// Character classes and letter-case folding shared by the tokenizer, the
// end-tag matching and the look-ups.
//
// Only A-Z fold onto a-z. Folding other letters would depend on the
// workstation's locale, so the same server answer could match on one machine
// and not on another; every name the program looks for is ASCII anyway.

#include <cstddef>
#include <string_view>

constexpr bool IsXmlSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

constexpr char16_t FoldXmlCase(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// True when `text` begins with `prefix`, letter case ignored.
bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix);
