#pragma once
// Splits the text into the tokens the element parser works with. Tokens are
// positions in the caller's text; nothing is copied.

#include <cstddef>
#include <string_view>

// Opaque sections, in the order they are tried; the first match wins.
struct XmlRawMarkers {
  std::u16string_view open;   // matched without regard to letter case
  std::u16string_view close;  // matched exactly
};

inline constexpr XmlRawMarkers kXmlRawSectionTable[] = {
    {u"<![CDATA[", u"]]>"}, {u"<PRE>", u"</PRE>"},     {u"<Script>", u"</Script>"},
    {u"<!--", u"-->"},      {u"<!DOCTYPE", u">"},
};

enum class XmlTokenKind {
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

  std::u16string_view Text() const { return text_; }
  std::size_t Position() const { return pos_; }
  void SetPosition(std::size_t pos) { pos_ = pos; }

 private:
  void SkipSpace();
  XmlToken OrdinaryText(std::size_t start);

  std::u16string_view text_;
  std::size_t pos_ = 0;
};
