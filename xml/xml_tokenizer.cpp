#include "xml/xml_tokenizer.h"

#include "xml/xml_text.h"

void XmlTokenizer::SkipSpace() {
  while (pos_ < text_.size() && IsXmlSpace(text_[pos_])) ++pos_;
}

XmlToken XmlTokenizer::Next() {
  SkipSpace();
  const std::size_t start = pos_;
  if (start == text_.size()) return {XmlTokenKind::EndOfInput, start, 0};

  const char16_t c = text_[start];
  const char16_t next = start + 1 < text_.size() ? text_[start + 1] : u'\0';
  if (c == u'<') {
    // Every marker begins with "<"; only then is the table worth a look.
    const std::u16string_view rest = text_.substr(start);
    for (std::size_t i = 0; i < std::size(kXmlRawSectionTable); ++i) {
      const std::u16string_view open = kXmlRawSectionTable[i].open;
      if (StartsWithIgnoreCase(rest, open)) {
        pos_ = start + open.size();
        return {XmlTokenKind::RawSection, start, open.size(), i};
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
  switch (c) {
    case u'"':
    case u'\'': {
      std::size_t i = start + 1;
      while (i < text_.size() && text_[i] != c && text_[i] != u'<') ++i;
      if (i < text_.size() && text_[i] == c) {
        pos_ = i + 1;
        SkipSpace();
        return {XmlTokenKind::QuotedText, start, i + 1 - start};
      }
      return OrdinaryText(start);
    }
    case u'/':
      if (next == u'>') {
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

XmlToken XmlTokenizer::OrdinaryText(std::size_t start) {
  // The first character never ends the token: it is a quote without its
  // partner or a "/" that does not close a tag.
  std::size_t i = start + 1;
  while (i < text_.size()) {
    const char16_t c = text_[i];
    if (IsXmlSpace(c)) {
      pos_ = i + 1;
      return {XmlTokenKind::Text, start, i - start};
    }
    if (c == u'<' || c == u'=' || c == u'>' ||
        (c == u'/' && i + 1 < text_.size() && text_[i + 1] == u'>')) {
      break;
    }
    ++i;
  }
  pos_ = i;
  return {XmlTokenKind::Text, start, i - start};
}
