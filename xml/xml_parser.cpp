#include "xml/xml_parser.h"

#include <memory>
#include <new>
#include <optional>
#include <string>

#include "xml/xml_entities.h"
#include "xml/xml_node_data.h"
#include "xml/xml_text.h"

namespace {

constexpr std::size_t kNoText = static_cast<std::size_t>(-1);

enum class AttributeState { ExpectName, NameSeen, EqualsSeen };

bool IsEndTagDelimiter(char16_t c) {
  return IsXmlSpace(c) || c == u'/' || c == u'<' || c == u'=' || c == u'>';
}

// Lists grow while a node is open; once it is closed they keep their size.
void TrimLists(XmlNodeData* node) {
  node->children.shrink_to_fit();
  node->texts.shrink_to_fit();
  node->rawSections.shrink_to_fit();
  node->attributes.shrink_to_fit();
}

}  // namespace

XmlNode ParseXmlDocument(const char16_t* text, XmlError* error) {
  if (text == nullptr) {
    if (error != nullptr) *error = XmlError::None;
    return XmlNode();
  }
  return ParseXmlDocument(std::u16string_view(text), error);
}

XmlNode ParseXmlDocument(std::u16string_view text, XmlError* error) {
  const std::size_t nul = text.find(u'\0');
  if (nul != std::u16string_view::npos) text = text.substr(0, nul);
  XmlParser parser(text);
  XmlNode document = parser.Parse();
  if (error != nullptr) *error = parser.Error();
  return document;
}

XmlParser::XmlParser(std::u16string_view text) : text_(text), tokenizer_(text) {}

XmlNode XmlParser::Parse() {
  tokenizer_.SetPosition(0);
  error_ = XmlError::None;
  pendingEndLength_ = 0;
  firstCall_ = true;
  try {
    XmlNode document(new XmlNodeData);
    ParseElement(document.data_, 0);
    if (error_ == XmlError::None || error_ == XmlError::MismatchedEndTag) return document;
  } catch (const std::bad_alloc&) {
    error_ = XmlError::OutOfMemory;
  }
  return XmlNode();
}

bool XmlParser::Fail(XmlError error) {
  error_ = error;
  return false;
}

void XmlParser::AddText(XmlNodeData* node, std::size_t start, std::size_t end) {
  while (end > start && IsXmlSpace(text_[end - 1])) --end;
  if (end > start) node->texts.emplace_back(Slice(start, end - start));
}

bool XmlParser::AddDecodedText(XmlNodeData* node, std::size_t start, std::size_t end) {
  while (end > start && IsXmlSpace(text_[end - 1])) --end;
  if (end == start) return true;
  std::optional<std::u16string> decoded = DecodeXmlEntities(Slice(start, end - start));
  if (!decoded) return Fail(XmlError::UnknownEntity);
  node->texts.push_back(std::move(*decoded));
  return true;
}

bool XmlParser::AddAttribute(XmlNodeData* node, const XmlToken& name, std::size_t valueStart,
                             std::size_t valueLength, bool hasValue) {
  XmlAttribute& attribute = node->attributes.emplace_back();
  attribute.name.assign(Slice(name.start, name.length));
  if (hasValue) {
    attribute.value = DecodeXmlEntities(Slice(valueStart, valueLength));
    if (!attribute.value) return Fail(XmlError::UnknownEntity);
  }
  return true;
}

bool XmlParser::ReadRawSection(XmlNodeData* node, std::size_t tableIndex) {
  const XmlRawMarkers& markers = kXmlRawSectionTable[tableIndex];
  const std::size_t contentStart = tokenizer_.Position();
  const std::size_t close = text_.find(markers.close, contentStart);
  if (close == std::u16string_view::npos) return Fail(XmlError::Unbalanced);
  node->rawSections.push_back(
      {markers.open, markers.close, std::u16string(Slice(contentStart, close - contentStart))});
  tokenizer_.SetPosition(close + markers.close.size());
  return true;
}

// An end tag carries a node's name when it starts with that name and the
// name ends there; the document node has no name and is never carried.
bool XmlParser::PendingEndTagCloses(const XmlNodeData* node) const {
  const std::u16string& name = node->name;
  if (name.empty()) return false;
  const std::size_t after = pendingEndStart_ + name.size();
  if (after >= text_.size()) return false;
  return StartsWithIgnoreCase(text_.substr(pendingEndStart_), name) &&
         IsEndTagDelimiter(text_[after]);
}

// Returns true when the node was closed (by "/>", its end tag, or an end
// tag meant for an enclosing element), false when parsing must stop: at the
// end of the text (no error; open elements stay as they are) or on an error.
bool XmlParser::ParseElement(XmlNodeData* node, int depth) {
  bool contentMode = false;
  if (firstCall_) {
    firstCall_ = false;
    contentMode = true;
  }
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
            TrimLists(node);
            return true;
          } else {
            return Fail(XmlError::UnexpectedToken);
          }
          break;

        case AttributeState::NameSeen:
          if (token.kind == XmlTokenKind::Text) {
            AddAttribute(node, pendingName, 0, 0, false);
            pendingName = token;
          } else if (token.kind == XmlTokenKind::Equals) {
            state = AttributeState::EqualsSeen;
          } else if (token.kind == XmlTokenKind::TagClose ||
                     token.kind == XmlTokenKind::ShortClose) {
            // The "?" of "<?xml ... standalone?>" belongs to the declaration.
            if (node->isDeclaration && text_[pendingName.start + pendingName.length - 1] == u'?') {
              --pendingName.length;
            }
            if (pendingName.length > 0) AddAttribute(node, pendingName, 0, 0, false);
            if (token.kind == XmlTokenKind::ShortClose) {
              TrimLists(node);
              return true;
            }
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
          if (node->isDeclaration && text_[start + length - 1] == u'?') --length;
          if (token.kind == XmlTokenKind::QuotedText) {
            start += 1;
            length -= 2;
          }
          if (!AddAttribute(node, pendingName, start, length, true)) return false;
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
        if (textStart != kNoText) AddText(node, textStart, token.start);
        textStart = kNoText;
        const XmlToken name = tokenizer_.Next();
        if (name.kind != XmlTokenKind::Text) return Fail(XmlError::BadStartTag);
        if (depth >= kMaxXmlDepth) return Fail(XmlError::TooDeep);
        auto owned = std::make_unique<XmlNodeData>();
        owned->name.assign(Slice(name.start, name.length));
        owned->isDeclaration = token.kind == XmlTokenKind::DeclOpen;
        owned->parent = node;
        owned->refCount = 1;  // the reference held by the child list
        node->children.push_back(owned.get());
        XmlNodeData* child = owned.release();
        if (!ParseElement(child, depth + 1)) return false;
        if (pendingEndLength_ > 0) {
          if (depth == 0) return Fail(XmlError::Unbalanced);
          if (PendingEndTagCloses(node)) pendingEndLength_ = 0;
          TrimLists(node);
          return true;
        }
        break;
      }

      case XmlTokenKind::EndTagOpen: {
        if (textStart != kNoText && !AddDecodedText(node, textStart, token.start)) return false;
        textStart = kNoText;
        const XmlToken name = tokenizer_.Next();
        if (name.kind != XmlTokenKind::Text || tokenizer_.Next().kind != XmlTokenKind::TagClose) {
          return Fail(XmlError::BadEndTag);
        }
        pendingEndStart_ = name.start;
        pendingEndLength_ = name.length;
        if (PendingEndTagCloses(node)) {
          pendingEndLength_ = 0;
        } else {
          error_ = XmlError::MismatchedEndTag;
        }
        TrimLists(node);
        return true;
      }

      case XmlTokenKind::RawSection:
        if (textStart != kNoText) AddText(node, textStart, token.start);
        textStart = kNoText;
        if (!ReadRawSection(node, token.rawIndex)) return false;
        break;

      case XmlTokenKind::TagClose:
      case XmlTokenKind::ShortClose:
      case XmlTokenKind::EndOfInput:
        return Fail(XmlError::UnexpectedToken);
    }
  }
}
