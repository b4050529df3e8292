// Reference copy of xml/xml_parser.cpp before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
#include "xml/fuzz/reference/xml_parser.h"

#include <cstring>
#include <memory>
#include <new>

#include "xml/fuzz/reference/xml_entities.h"
#include "xml/fuzz/reference/xml_node_data.h"
#include "xml/fuzz/reference/xml_text.h"

namespace reference {

namespace {

constexpr std::size_t kNoText = static_cast<std::size_t>(-1);

enum class AttributeState { ExpectName, NameSeen, EqualsSeen };

bool IsEndTagDelimiter(char16_t c) {
  return IsXmlSpace(c) || c == u'/' || c == u'<' || c == u'=' || c == u'>';
}

std::size_t TrimEnd(std::u16string_view text, std::size_t start, std::size_t end) {
  while (end > start && IsXmlSpace(text[end - 1])) --end;
  return end;
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
  XmlParser parser(text.substr(0, LengthBeforeNul(text)));
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
  for (std::u16string_view& name : names_) name = {};
  try {
    auto store = std::make_unique<XmlDocumentStore>();
    store_ = store.get();
    XmlNodeData* root = NewNode();
    // From here on the document handle owns the store.
    XmlNode document(root);
    store.release();
    ParseElement(root, 0);
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

XmlNodeData* XmlParser::NewNode() {
  void* memory = store_->arena.Allocate(sizeof(XmlNodeData), alignof(XmlNodeData));
  auto* node = new (memory) XmlNodeData;
  node->store = store_;
  return node;
}

std::u16string_view XmlParser::Intern(std::u16string_view name) {
  std::u16string_view& slot = names_[(name.size() * 7 + name.front() + name.back()) & 31];
  if (slot.size() != name.size() ||
      std::memcmp(slot.data(), name.data(), name.size() * sizeof(char16_t)) != 0) {
    slot = store_->arena.Copy(name);
  }
  return slot;
}

std::optional<std::u16string_view> XmlParser::Decode(std::u16string_view text) {
  if (text.empty()) return std::u16string_view(u"", 0);
  // Decoding never lengthens a text; the copy and the search for "&" are
  // one pass.
  char16_t* out = store_->arena.AllocateArray<char16_t>(text.size());
  const std::size_t length = DecodeXmlEntities(text, out);
  if (length == kUndecodable) return std::nullopt;
  return std::u16string_view(out, length);
}

void XmlParser::AddText(XmlNodeData* node, std::size_t start, std::size_t end) {
  end = TrimEnd(text_, start, end);
  if (end > start) node->texts.Push(store_->arena, store_->arena.Copy(text_.substr(start, end - start)));
}

bool XmlParser::AddDecodedText(XmlNodeData* node, std::size_t start, std::size_t end) {
  end = TrimEnd(text_, start, end);
  if (end == start) return true;
  const std::optional<std::u16string_view> decoded = Decode(text_.substr(start, end - start));
  if (!decoded) return Fail(XmlError::UnknownEntity);
  node->texts.Push(store_->arena, *decoded);
  return true;
}

bool XmlParser::AddAttribute(XmlNodeData* node, const XmlToken& name, std::size_t valueStart,
                             std::size_t valueLength, bool hasValue) {
  XmlAttribute attribute{Intern(text_.substr(name.start, name.length)), std::nullopt};
  if (hasValue) {
    attribute.value = Decode(text_.substr(valueStart, valueLength));
    if (!attribute.value) return Fail(XmlError::UnknownEntity);
  }
  node->attributes.Push(store_->arena, attribute);
  return true;
}

bool XmlParser::ReadRawSection(XmlNodeData* node, std::size_t tableIndex) {
  const XmlRawMarkers& markers = kXmlRawSectionTable[tableIndex];
  const std::size_t contentStart = tokenizer_.Position();
  const std::size_t close = text_.find(markers.close, contentStart);
  if (close == std::u16string_view::npos) return Fail(XmlError::Unbalanced);
  node->rawSections.Push(store_->arena,
                         {markers.open, markers.close,
                          store_->arena.Copy(text_.substr(contentStart, close - contentStart))});
  tokenizer_.SetPosition(close + markers.close.size());
  return true;
}

// An end tag carries a node's name when it starts with that name and the
// name ends there; the document node has no name and is never carried.
bool XmlParser::PendingEndTagCloses(const XmlNodeData* node) const {
  const std::u16string_view name = node->name;
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
        XmlNodeData* child = NewNode();
        child->name = Intern(text_.substr(name.start, name.length));
        child->isDeclaration = token.kind == XmlTokenKind::DeclOpen;
        child->parent = node;
        child->refCount = 1;  // the reference held by the child list
        node->children.Push(store_->arena, child);
        if (!ParseElement(child, depth + 1)) return false;
        child->closed = true;
        if (pendingEndLength_ > 0) {
          if (depth == 0) return Fail(XmlError::Unbalanced);
          if (PendingEndTagCloses(node)) pendingEndLength_ = 0;
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

}  // namespace reference
