#pragma once
// Reference copy of xml/xml_tokenizer.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// Splits the text into the tokens the element parser works with. Tokens are
// positions in the caller's text; nothing is copied. Inline: the parser asks
// for a token every few characters.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "xml/fuzz/reference/xml_text.h"

namespace reference {

// Opaque sections, in the order they are tried; the first match wins.
struct XmlRawMarkers {
  std::u16string_view open;   // matched without regard to letter case
  std::u16string_view close;  // matched exactly
};

inline constexpr XmlRawMarkers kXmlRawSectionTable[] = {
    {u"<![CDATA[", u"]]>"}, {u"<PRE>", u"</PRE>"},     {u"<Script>", u"</Script>"},
    {u"<!--", u"-->"},      {u"<!DOCTYPE", u">"},
};

enum class XmlTokenKind : std::uint8_t {
  EndOfInput,
  RawSection,   // `rawIndex` names the table entry; the position is past the marker
  QuotedText,   // both quotes included
  Text,
  ShortClose,   // "/>"
  EndTagOpen,   // "</"
  DeclOpen,     // "<?"
  TagOpen,      // "<"
  Equals,
  TagClose,     // ">"
};

struct XmlToken {
  XmlTokenKind kind = XmlTokenKind::EndOfInput;
  std::size_t start = 0;
  std::size_t length = 0;
  std::size_t rawIndex = 0;
};

class XmlTokenizer {
 public:
  explicit XmlTokenizer(std::u16string_view text) : text_(text) {}

  XmlToken Next();

  std::size_t Position() const { return pos_; }
  void SetPosition(std::size_t pos) { pos_ = pos; }

 private:
  // Whether an ordinary text token stops before this character (the "/"
  // only when a ">" follows).
  static bool MayEndText(char16_t c) {
    return c <= u'>' && (IsXmlSpace(c) || c == u'<' || c == u'=' || c == u'>' || c == u'/');
  }

  XmlToken RawOrTagOpen(std::size_t start);
  XmlToken OrdinaryText(std::size_t start);

  std::u16string_view text_;
  std::size_t pos_ = 0;
};

inline XmlToken XmlTokenizer::Next() {
  while (pos_ < text_.size() && IsXmlSpace(text_[pos_])) ++pos_;
  const std::size_t start = pos_;
  if (start == text_.size()) return {XmlTokenKind::EndOfInput, start, 0};

  const char16_t c = text_[start];
  switch (c) {
    case u'<':
      return RawOrTagOpen(start);
    case u'"':
    case u'\'': {
      const std::size_t i = FindEither(text_, start + 1, c, u'<');
      if (i < text_.size() && text_[i] == c) {
        pos_ = i + 1;
        while (pos_ < text_.size() && IsXmlSpace(text_[pos_])) ++pos_;
        return {XmlTokenKind::QuotedText, start, i + 1 - start};
      }
      return OrdinaryText(start);
    }
    case u'/':
      if (start + 1 < text_.size() && text_[start + 1] == u'>') {
        pos_ += 2;
        return {XmlTokenKind::ShortClose, start, 2};
      }
      return OrdinaryText(start);
    case u'=':
      pos_ += 1;
      return {XmlTokenKind::Equals, start, 1};
    case u'>':
      pos_ += 1;
      return {XmlTokenKind::TagClose, start, 1};
    default:
      return OrdinaryText(start);
  }
}

inline XmlToken XmlTokenizer::RawOrTagOpen(std::size_t start) {
  const char16_t next = start + 1 < text_.size() ? text_[start + 1] : u'\0';
  // Markers begin with "<!", "<P" or "<S"; the second character leaves at
  // most three candidates, which keep their table order.
  const char16_t folded = FoldXmlCase(next);
  if (next == u'!' || folded == u'p' || folded == u's') {
    const std::u16string_view rest = text_.substr(start);
    for (std::size_t i = 0; i < std::size(kXmlRawSectionTable); ++i) {
      const std::u16string_view open = kXmlRawSectionTable[i].open;
      if (FoldXmlCase(open[1]) == folded && StartsWithIgnoreCase(rest, open)) {
        pos_ = start + open.size();
        return {XmlTokenKind::RawSection, start, open.size(), i};
      }
    }
  }
  if (next == u'/') {
    pos_ += 2;
    return {XmlTokenKind::EndTagOpen, start, 2};
  }
  if (next == u'?') {
    pos_ += 2;
    return {XmlTokenKind::DeclOpen, start, 2};
  }
  pos_ += 1;
  return {XmlTokenKind::TagOpen, start, 1};
}

inline XmlToken XmlTokenizer::OrdinaryText(std::size_t start) {
  // The first character never ends the token: it is a quote without its
  // partner, a "/" that closes no tag, or an ordinary character.
  std::size_t i = start + 1;
  for (; i < text_.size(); ++i) {
    const char16_t c = text_[i];
    if (!MayEndText(c)) continue;
    if (IsXmlSpace(c)) {
      pos_ = i + 1;
      return {XmlTokenKind::Text, start, i - start};
    }
    if (c != u'/' || (i + 1 < text_.size() && text_[i + 1] == u'>')) break;
  }
  pos_ = i;
  return {XmlTokenKind::Text, start, i - start};
}

}  // namespace reference
