#pragma once
// Splits the text into the tokens the element parser works with. Tokens are
// positions in the caller's text; nothing is copied. Inline: the parser
// asks for a token every few characters. The parser reads UTF-8; every
// decision is made on ASCII characters, so UTF-16 text splits alike.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "xml/xml_text.h"

// Opaque sections, in the order they are tried; the first match wins.
struct XmlRawMarkers {
  std::string_view open;   // matched without regard to letter case
  std::string_view close;  // matched exactly
};

inline constexpr XmlRawMarkers kXmlRawSectionTable[] = {
    {"<![CDATA[", "]]>"}, {"<PRE>", "</PRE>"}, {"<Script>", "</Script>"},
    {"<!--", "-->"},      {"<!DOCTYPE", ">"},
};

enum class XmlTokenKind : std::uint8_t {
  EndOfInput,
  RawSection,  // `rawIndex` names the table entry; the position is past the marker
  QuotedText,  // both quotes included
  Text,
  ShortClose,  // "/>"
  EndTagOpen,  // "</"
  DeclOpen,    // "<?"
  TagOpen,     // "<"
  Equals,
  TagClose,  // ">"
};

struct XmlToken {
  XmlTokenKind kind = XmlTokenKind::EndOfInput;
  std::size_t start = 0;
  std::size_t length = 0;
  std::size_t rawIndex = 0;
};

template <class Char>
class XmlTokenizer {
 public:
  using Text = std::basic_string_view<Char>;
  explicit XmlTokenizer(Text text) : text_(text) {}

  XmlToken Next();

  std::size_t Position() const { return pos_; }
  void SetPosition(std::size_t pos) { pos_ = pos; }

 private:
  // Whether an ordinary text token stops before this character (the "/"
  // only when a ">" follows).
  static bool MayEndText(Char c) {
    return c <= '>' && c >= '\t' && (IsXmlSpace(c) || c == '<' || c == '=' || c == '>' || c == '/');
  }

  XmlToken RawOrTagOpen(std::size_t start);
  XmlToken OrdinaryText(std::size_t start);

  Text text_;
  std::size_t pos_ = 0;
};

template <class Char>
XmlTokenizer(const std::basic_string<Char>&) -> XmlTokenizer<Char>;

template <class Char>
inline XmlToken XmlTokenizer<Char>::Next() {
  while (pos_ < text_.size() && IsXmlSpace(text_[pos_])) ++pos_;
  const std::size_t start = pos_;
  if (start == text_.size()) return {XmlTokenKind::EndOfInput, start, 0};

  const Char c = text_[start];
  switch (c) {
    case '<': return RawOrTagOpen(start);
    case '"':
    case '\'': {
      const std::size_t i = FindEither(text_, start + 1, c, '<');
      if (i < text_.size() && text_[i] == c) {
        pos_ = i + 1;
        while (pos_ < text_.size() && IsXmlSpace(text_[pos_])) ++pos_;
        return {XmlTokenKind::QuotedText, start, i + 1 - start};
      }
      return OrdinaryText(start);
    }
    case '/':
      if (start + 1 < text_.size() && text_[start + 1] == '>') {
        pos_ += 2;
        return {XmlTokenKind::ShortClose, start, 2};
      }
      return OrdinaryText(start);
    case '=': pos_ += 1; return {XmlTokenKind::Equals, start, 1};
    case '>': pos_ += 1; return {XmlTokenKind::TagClose, start, 1};
    default: return OrdinaryText(start);
  }
}

template <class Char>
inline XmlToken XmlTokenizer<Char>::RawOrTagOpen(std::size_t start) {
  const Char next = start + 1 < text_.size() ? text_[start + 1] : Char{};
  // Markers begin with "<!", "<P" or "<S"; the second character leaves at
  // most three candidates, which keep their table order.
  const Char folded = FoldAsciiCase(next);
  if (next == '!' || folded == 'p' || folded == 's') {
    const Text rest = text_.substr(start);
    for (std::size_t i = 0; i < std::size(kXmlRawSectionTable); ++i) {
      const std::string_view open = kXmlRawSectionTable[i].open;
      if (FoldAsciiCase(open[1]) == folded && StartsWithAsciiIgnoreCase(rest, open)) {
        pos_ = start + open.size();
        return {XmlTokenKind::RawSection, start, open.size(), i};
      }
    }
  }
  if (next == '/') {
    pos_ += 2;
    return {XmlTokenKind::EndTagOpen, start, 2};
  }
  if (next == '?') {
    pos_ += 2;
    return {XmlTokenKind::DeclOpen, start, 2};
  }
  pos_ += 1;
  return {XmlTokenKind::TagOpen, start, 1};
}

template <class Char>
inline XmlToken XmlTokenizer<Char>::OrdinaryText(std::size_t start) {
  // The first character never ends the token: it is a quote without its
  // partner, a "/" that closes no tag, or an ordinary character.
  std::size_t i = start + 1;
  for (; i < text_.size(); ++i) {
    const Char c = text_[i];
    if (!MayEndText(c)) continue;
    if (IsXmlSpace(c)) {
      pos_ = i + 1;
      return {XmlTokenKind::Text, start, i - start};
    }
    if (c != '/' || (i + 1 < text_.size() && text_[i + 1] == '>')) break;
  }
  pos_ = i;
  return {XmlTokenKind::Text, start, i - start};
}
