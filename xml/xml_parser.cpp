#include "xml/xml_parser.h"

#include <memory>
#include <new>
#include <string>

#include "common/utf_convert.h"
#include "xml/xml_node_data.h"

// The parser's handler that builds the tree, with UTF-16 copies of every
// name, value and text in the document's arena.
class XmlTreeBuilder {
 public:
  // Throws std::bad_alloc when not even the document node fits.
  static XmlNode Build(std::string_view utf8, XmlError& error) {
    XmlTreeBuilder builder;
    auto store = std::make_unique<XmlDocumentStore>();
    builder.store_ = store.get();
    XmlNodeData* root = builder.NewNode();
    // From here on the document handle owns the store.
    XmlNode document(root);
    store.release();
    builder.current_ = root;
    error = ReadXml(utf8, builder);
    return XmlAccepted(error) ? document : XmlNode();
  }

  void StartElement(std::string_view name, bool isDeclaration) {
    XmlNodeData* child = NewNode();
    child->name = Intern(name);
    child->isDeclaration = isDeclaration;
    child->parent = current_;
    child->refCount = 1;  // the reference held by the child list
    current_->children.Push(store_->arena, child);
    current_ = child;
  }

  void EndElement() {
    current_->closed = true;
    current_ = current_->parent;
  }

  void Attribute(std::string_view name) {
    current_->attributes.Push(store_->arena, {Intern(name), std::nullopt});
  }

  void Attribute(std::string_view name, std::string_view value, XmlEntities entities) {
    current_->attributes.Push(store_->arena, {Intern(name), Decoded(value, entities)});
  }

  void Text(std::string_view text, XmlEntities entities) {
    current_->texts.Push(store_->arena, Decoded(text, entities));
  }

  void RawText(std::string_view text) { current_->texts.Push(store_->arena, Copy(text)); }

  void RawSection(const XmlRawMarkers& markers, std::string_view content) {
    current_->rawSections.Push(store_->arena,
                               {Copy(markers.open), Copy(markers.close), Copy(content)});
  }

 private:
  XmlNodeData* NewNode() {
    void* memory = store_->arena.Allocate(sizeof(XmlNodeData), alignof(XmlNodeData));
    auto* node = new (memory) XmlNodeData;
    node->store = store_;
    return node;
  }

  std::u16string_view Copy(std::string_view utf8) {
    if (utf8.empty()) return std::u16string_view(u"", 0);
    char16_t* units = store_->arena.AllocateArray<char16_t>(utf8.size());
    return std::u16string_view(units, Utf8ToUtf16(utf8, units));
  }

  std::u16string_view Decoded(std::string_view utf8, XmlEntities entities) {
    if (entities == XmlEntities::None) return Copy(utf8);
    scratch_.resize(utf8.size());
    scratch_.resize(DecodeXmlEntities(utf8, scratch_.data()));
    return Copy(scratch_);
  }

  // A document repeats a few names thousands of times; each is stored once
  // while it stays among the recent ones.
  std::u16string_view Intern(std::string_view name) {
    Name& slot = names_[(name.size() * 7 + static_cast<unsigned char>(name.front()) +
                         static_cast<unsigned char>(name.back())) &
                        31];
    if (slot.utf8 != name) slot = {name, Copy(name)};
    return slot.tree;
  }

  struct Name {
    std::string_view utf8;
    std::u16string_view tree;
  };

  XmlDocumentStore* store_ = nullptr;
  XmlNodeData* current_ = nullptr;
  std::string scratch_;
  Name names_[32];
};

XmlNode ParseXmlDocument(const char16_t* text, XmlError* error) {
  if (text == nullptr) {
    if (error != nullptr) *error = XmlError::None;
    return XmlNode();
  }
  return ParseXmlDocument(std::u16string_view(text), error);
}

XmlNode ParseXmlDocument(std::u16string_view text, XmlError* error) {
  XmlError code = XmlError::OutOfMemory;
  XmlNode document;
  try {
    document = XmlTreeBuilder::Build(Utf16ToUtf8(text.substr(0, text.find(u'\0'))), code);
  } catch (const std::bad_alloc&) {
    code = XmlError::OutOfMemory;
  }
  if (error != nullptr) *error = code;
  return document;
}
