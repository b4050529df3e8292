#pragma once
// The forgiving XML parser itself, over UTF-8 text in place: it reports what
// it finds to a handler instead of building anything, so each reader keeps
// only what it needs (the tree of xml_parser.h, or the contact list).
//
// It accepts unclosed elements, keeps comments, CDATA, DOCTYPE lines and
// <PRE>/<Script> blocks as opaque raw sections, treats "<?xml ...?>" as an
// ordinary element that stays open (so it holds the rest of the document),
// and knows only the five predefined entities. It never looks at the
// encoding a declaration names. The text ends at its first NUL byte, and
// must be well-formed UTF-8 (RepairUtf8): names are compared byte by byte.
//
// A handler offers, called in document order:
//   void StartElement(std::string_view name, bool isDeclaration);
//   void Attribute(std::string_view name);  // written without "="
//   void Attribute(std::string_view name, std::string_view value, XmlEntities entities);
//   void Text(std::string_view text, XmlEntities entities);  // entities: decode them
//   void RawText(std::string_view text);  // kept as written
//   void RawSection(const XmlRawMarkers& markers, std::string_view content);
//   void EndElement();  // the element that started last and is still open was closed
// Values and texts are views into the parsed text; their entities are
// known to be decodable (DecodeXmlEntities). Elements left open by the end
// of the text get no EndElement. A handler may throw std::bad_alloc.

#include <cstddef>
#include <new>
#include <string_view>

#include "xml/xml_entities.h"
#include "xml/xml_text.h"
#include "xml/xml_tokenizer.h"

enum class XmlError : int {
  None = 0,
  MismatchedEndTag = 1,  // tolerated: the document is still returned
  BadStartTag = 4,       // "<" or "<?" not followed by a name
  BadEndTag = 5,         // "</" not followed by a name and ">"
  Unbalanced = 7,        // an end tag closes nothing, or a raw section is unterminated
  UnexpectedToken = 8,
  UnknownEntity = 9,  // "&" not starting one of the five predefined entities
  TooDeep = 10,       // more than kMaxXmlDepth nested elements
  OutOfMemory = 11,
};

// Elements nest at most this deep; the parser descends one call per level.
inline constexpr int kMaxXmlDepth = 256;

// Whether a parse that ended with `error` keeps its document.
constexpr bool XmlAccepted(XmlError error) {
  return error == XmlError::None || error == XmlError::MismatchedEndTag;
}

// Parses `text` into `handler` and returns the code the parse ended with.
// After a rejecting code the handler has seen part of the document only.
template <class Handler>
XmlError ReadXml(std::string_view text, Handler& handler);

template <class Handler>
class XmlReader {
 public:
  XmlReader(std::string_view text, Handler& handler)
      : text_(text.substr(0, LengthBeforeNul(text))), tokenizer_(text_), handler_(handler) {}

  XmlError Read() {
    try {
      ParseElement({}, false, 0);
    } catch (const std::bad_alloc&) {
      error_ = XmlError::OutOfMemory;
    }
    return error_;
  }

 private:
  static constexpr std::size_t kNoText = static_cast<std::size_t>(-1);
  enum class AttributeState { ExpectName, NameSeen, EqualsSeen };

  static std::size_t LengthBeforeNul(std::string_view text) {
    return FindEither(text, 0, '\0', '\0');
  }

  static bool IsEndTagDelimiter(char c) {
    return IsXmlSpace(c) || c == '/' || c == '<' || c == '=' || c == '>';
  }

  bool Fail(XmlError error) {
    error_ = error;
    return false;
  }

  std::string_view Trimmed(std::size_t start, std::size_t end) const {
    while (end > start && IsXmlSpace(text_[end - 1])) --end;
    return text_.substr(start, end - start);
  }

  // A text that ends at a child or a raw section is kept as written.
  void AddRawText(std::size_t start, std::size_t end) {
    const std::string_view text = Trimmed(start, end);
    if (!text.empty()) handler_.RawText(text);
  }

  // A text that ends at an end tag has its entities decoded.
  bool AddText(std::size_t start, std::size_t end) {
    const std::string_view text = Trimmed(start, end);
    if (text.empty()) return true;
    const XmlEntities entities = ScanXmlEntities(text);
    if (entities == XmlEntities::Unknown) return Fail(XmlError::UnknownEntity);
    handler_.Text(text, entities);
    return true;
  }

  bool AddAttribute(const XmlToken& name, std::size_t valueStart, std::size_t valueLength) {
    const std::string_view value = text_.substr(valueStart, valueLength);
    const XmlEntities entities = ScanXmlEntities(value);
    if (entities == XmlEntities::Unknown) return Fail(XmlError::UnknownEntity);
    handler_.Attribute(text_.substr(name.start, name.length), value, entities);
    return true;
  }

  bool ReadRawSection(std::size_t tableIndex) {
    const XmlRawMarkers& markers = kXmlRawSectionTable[tableIndex];
    const std::size_t contentStart = tokenizer_.Position();
    const std::size_t close = text_.find(markers.close, contentStart);
    if (close == std::string_view::npos) return Fail(XmlError::Unbalanced);
    handler_.RawSection(markers, text_.substr(contentStart, close - contentStart));
    tokenizer_.SetPosition(close + markers.close.size());
    return true;
  }

  // An end tag carries a node's name when it starts with that name and the
  // name ends there; the document node has no name and is never carried.
  bool PendingEndTagCloses(std::string_view name) const {
    if (name.empty()) return false;
    const std::size_t after = pendingEndStart_ + name.size();
    if (after >= text_.size()) return false;
    return StartsWithIgnoringAsciiCase(text_.substr(pendingEndStart_), name) &&
           IsEndTagDelimiter(text_[after]);
  }

  // Parses the content of the element `name` (the document at depth 0).
  // Returns true when the element was closed (by "/>", its end tag, or an
  // end tag meant for an enclosing element), false when parsing must stop:
  // at the end of the text (no error; open elements stay as they are) or on
  // an error.
  bool ParseElement(std::string_view name, bool isDeclaration, int depth) {
    bool contentMode = depth == 0;
    AttributeState state = AttributeState::ExpectName;
    XmlToken pendingName;
    std::size_t textStart = kNoText;

    for (;;) {
      const XmlToken token = tokenizer_.Next();
      if (token.kind == XmlTokenKind::EndOfInput) return false;

      if (!contentMode) {
        switch (state) {
          case AttributeState::ExpectName:
            if (token.kind == XmlTokenKind::Text) {
              pendingName = token;
              state = AttributeState::NameSeen;
            } else if (token.kind == XmlTokenKind::TagClose) {
              contentMode = true;
            } else if (token.kind == XmlTokenKind::ShortClose) {
              return true;
            } else {
              return Fail(XmlError::UnexpectedToken);
            }
            break;

          case AttributeState::NameSeen:
            if (token.kind == XmlTokenKind::Text) {
              handler_.Attribute(text_.substr(pendingName.start, pendingName.length));
              pendingName = token;
            } else if (token.kind == XmlTokenKind::Equals) {
              state = AttributeState::EqualsSeen;
            } else if (token.kind == XmlTokenKind::TagClose ||
                       token.kind == XmlTokenKind::ShortClose) {
              // The "?" of "<?xml ... standalone?>" belongs to the declaration.
              if (isDeclaration && text_[pendingName.start + pendingName.length - 1] == '?') {
                --pendingName.length;
              }
              if (pendingName.length > 0) {
                handler_.Attribute(text_.substr(pendingName.start, pendingName.length));
              }
              if (token.kind == XmlTokenKind::ShortClose) return true;
              contentMode = true;
            } else {
              return Fail(XmlError::UnexpectedToken);
            }
            break;

          case AttributeState::EqualsSeen: {
            if (token.kind != XmlTokenKind::Text && token.kind != XmlTokenKind::QuotedText) {
              return Fail(XmlError::UnexpectedToken);
            }
            std::size_t start = token.start;
            std::size_t length = token.length;
            if (isDeclaration && text_[start + length - 1] == '?') --length;
            if (token.kind == XmlTokenKind::QuotedText) {
              start += 1;
              length -= 2;
            }
            if (!AddAttribute(pendingName, start, length)) return false;
            state = AttributeState::ExpectName;
            break;
          }
        }
        continue;
      }

      switch (token.kind) {
        case XmlTokenKind::Text:
        case XmlTokenKind::QuotedText:
        case XmlTokenKind::Equals:
          // The text runs up to the token that ends it, spaces and all.
          if (textStart == kNoText) textStart = token.start;
          break;

        case XmlTokenKind::TagOpen:
        case XmlTokenKind::DeclOpen: {
          if (textStart != kNoText) AddRawText(textStart, token.start);
          textStart = kNoText;
          const XmlToken childName = tokenizer_.Next();
          if (childName.kind != XmlTokenKind::Text) return Fail(XmlError::BadStartTag);
          if (depth >= kMaxXmlDepth) return Fail(XmlError::TooDeep);
          const std::string_view child = text_.substr(childName.start, childName.length);
          const bool childIsDeclaration = token.kind == XmlTokenKind::DeclOpen;
          handler_.StartElement(child, childIsDeclaration);
          if (!ParseElement(child, childIsDeclaration, depth + 1)) return false;
          handler_.EndElement();
          if (pendingEndLength_ > 0) {
            if (depth == 0) return Fail(XmlError::Unbalanced);
            if (PendingEndTagCloses(name)) pendingEndLength_ = 0;
            return true;
          }
          break;
        }

        case XmlTokenKind::EndTagOpen: {
          if (textStart != kNoText && !AddText(textStart, token.start)) return false;
          textStart = kNoText;
          const XmlToken endName = tokenizer_.Next();
          if (endName.kind != XmlTokenKind::Text ||
              tokenizer_.Next().kind != XmlTokenKind::TagClose) {
            return Fail(XmlError::BadEndTag);
          }
          pendingEndStart_ = endName.start;
          pendingEndLength_ = endName.length;
          if (PendingEndTagCloses(name)) {
            pendingEndLength_ = 0;
          } else {
            error_ = XmlError::MismatchedEndTag;
          }
          return true;
        }

        case XmlTokenKind::RawSection:
          if (textStart != kNoText) AddRawText(textStart, token.start);
          textStart = kNoText;
          if (!ReadRawSection(token.rawIndex)) return false;
          break;

        case XmlTokenKind::TagClose:
        case XmlTokenKind::ShortClose:
        case XmlTokenKind::EndOfInput: return Fail(XmlError::UnexpectedToken);
      }
    }
  }

  std::string_view text_;
  XmlTokenizer<char> tokenizer_;
  Handler& handler_;
  XmlError error_ = XmlError::None;
  std::size_t pendingEndStart_ = 0;
  std::size_t pendingEndLength_ = 0;  // 0: no end tag pending
};

template <class Handler>
XmlError ReadXml(std::string_view text, Handler& handler) {
  return XmlReader<Handler>(text, handler).Read();
}
