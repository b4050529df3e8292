#pragma once
// Reference copy of xml/xml_parser.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// A small, forgiving parser for UTF-16 XML text.
//
// It accepts unclosed elements, keeps comments, CDATA, DOCTYPE lines and
// <PRE>/<Script> blocks as opaque raw sections, treats "<?xml ...?>" as an
// ordinary element that stays open (so it holds the rest of the document),
// and knows only the five predefined entities. It never looks at the
// encoding a declaration names. The text ends at its first NUL character.

#include <cstddef>
#include <optional>
#include <string_view>

#include "xml/fuzz/reference/xml_node.h"
#include "xml/fuzz/reference/xml_tokenizer.h"

namespace reference {

struct XmlDocumentStore;

enum class XmlError : int {
  None = 0,
  MismatchedEndTag = 1,  // tolerated: the document is still returned
  BadStartTag = 4,       // "<" or "<?" not followed by a name
  BadEndTag = 5,         // "</" not followed by a name and ">"
  Unbalanced = 7,        // an end tag closes nothing, or a raw section is unterminated
  UnexpectedToken = 8,
  UnknownEntity = 9,     // "&" not starting one of the five predefined entities
  TooDeep = 10,          // more than kMaxXmlDepth nested elements
  OutOfMemory = 11,
};

// Elements nest at most this deep; the parser descends one call per level.
inline constexpr int kMaxXmlDepth = 256;

// Returns the document node (nameless, holding the top-level nodes), or the
// empty handle when the text is null or rejected. `error` receives the code
// either way. Never throws.
XmlNode ParseXmlDocument(const char16_t* text, XmlError* error = nullptr);
XmlNode ParseXmlDocument(std::u16string_view text, XmlError* error = nullptr);

// The state of one parse. Works in place over the caller's text, which must
// outlive the parser; only what goes into the tree is copied.
class XmlParser {
 public:
  explicit XmlParser(std::u16string_view text);

  XmlNode Parse();
  XmlError Error() const { return error_; }

 private:
  bool ParseElement(XmlNodeData* node, int depth);
  bool Fail(XmlError error);
  XmlNodeData* NewNode();
  void AddText(XmlNodeData* node, std::size_t start, std::size_t end);
  bool AddDecodedText(XmlNodeData* node, std::size_t start, std::size_t end);
  bool AddAttribute(XmlNodeData* node, const XmlToken& name, std::size_t valueStart,
                    std::size_t valueLength, bool hasValue);
  bool ReadRawSection(XmlNodeData* node, std::size_t tableIndex);
  bool PendingEndTagCloses(const XmlNodeData* node) const;
  std::optional<std::u16string_view> Decode(std::u16string_view text);
  std::u16string_view Intern(std::u16string_view name);

  std::u16string_view text_;
  XmlTokenizer tokenizer_;
  XmlDocumentStore* store_ = nullptr;
  XmlError error_ = XmlError::None;
  std::size_t pendingEndStart_ = 0;
  std::size_t pendingEndLength_ = 0;  // 0: no end tag pending
  bool firstCall_ = true;
  // Recent element and attribute names: a document repeats a few names
  // thousands of times, and each is stored once.
  std::u16string_view names_[32];
};

}  // namespace reference
