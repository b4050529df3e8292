#include "xml/xml_node.h"

#include <utility>

#include "xml/xml_node_data.h"
#include "xml/xml_text.h"

namespace {

// Drops one reference to a node. A node whose count reaches zero detaches
// its children and drops the list's reference to each; the walk is a loop,
// so a deep tree cannot exhaust the stack. Its storage stays in the arena.
void ReleaseNode(XmlNodeData* node) noexcept {
  if (--node->refCount > 0) return;
  // Dead nodes are chained through their parent field, which nothing reads
  // once a node is unreferenced.
  node->parent = nullptr;
  XmlNodeData* pending = node;
  while (pending != nullptr) {
    XmlNodeData* current = pending;
    pending = current->parent;
    for (XmlNodeData* child : current->children.View()) {
      if (--child->refCount == 0) {
        child->parent = pending;
        pending = child;
      } else {
        child->parent = nullptr;
      }
    }
  }
}

void Retain(XmlNodeData* node) noexcept {
  ++node->refCount;
  ++node->store->handles;
}

void Release(XmlNodeData* node) noexcept {
  XmlDocumentStore* store = node->store;
  // Without handles no node of the tree can be reached: free it whole.
  if (--store->handles == 0) {
    delete store;
    return;
  }
  ReleaseNode(node);
}

}  // namespace

XmlNode::XmlNode(XmlNodeData* data) noexcept : data_(data) {
  if (data_ != nullptr) Retain(data_);
}

XmlNode::XmlNode(const XmlNode& other) noexcept : XmlNode(other.data_) {}

XmlNode::XmlNode(XmlNode&& other) noexcept : data_(std::exchange(other.data_, nullptr)) {}

XmlNode& XmlNode::operator=(const XmlNode& other) noexcept {
  if (other.data_ != nullptr) Retain(other.data_);
  if (data_ != nullptr) Release(data_);
  data_ = other.data_;
  return *this;
}

XmlNode& XmlNode::operator=(XmlNode&& other) noexcept {
  if (this != &other) {
    if (data_ != nullptr) Release(data_);
    data_ = std::exchange(other.data_, nullptr);
  }
  return *this;
}

XmlNode::~XmlNode() {
  if (data_ != nullptr) Release(data_);
}

std::optional<std::u16string_view> XmlNode::Name() const noexcept {
  if (data_ == nullptr || data_->name.empty()) return std::nullopt;
  return data_->name;
}

bool XmlNode::IsDeclaration() const noexcept { return data_ != nullptr && data_->isDeclaration; }

bool XmlNode::IsClosed() const noexcept { return data_ != nullptr && data_->closed; }

XmlNode XmlNode::Parent() const noexcept {
  return XmlNode(data_ != nullptr ? data_->parent : nullptr);
}

std::size_t XmlNode::ChildCount() const noexcept {
  return data_ != nullptr ? data_->children.Size() : 0;
}

XmlNode XmlNode::ChildAt(std::size_t index) const noexcept {
  if (data_ == nullptr || index >= data_->children.Size()) return XmlNode();
  return XmlNode(data_->children[index]);
}

XmlNode XmlNode::FindChild(std::u16string_view name, std::size_t* position) const noexcept {
  if (data_ == nullptr) return XmlNode();
  const std::span<XmlNodeData* const> children = data_->children.View();
  for (std::size_t i = position != nullptr ? *position : 0; i < children.size(); ++i) {
    if (EqualsIgnoringAsciiCase(children[i]->name, name)) {
      if (position != nullptr) *position = i + 1;
      return XmlNode(children[i]);
    }
  }
  return XmlNode();
}

XmlNode XmlNode::FindNthChild(std::u16string_view name, std::size_t n) const noexcept {
  std::size_t position = 0;
  XmlNode found = FindChild(name, &position);
  for (std::size_t i = 0; i < n && found; ++i) found = FindChild(name, &position);
  return found;
}

std::optional<std::u16string_view> XmlNode::GetAttribute(std::u16string_view name) const noexcept {
  if (data_ == nullptr) return std::nullopt;
  for (const XmlAttribute& attribute : data_->attributes.View()) {
    if (EqualsIgnoringAsciiCase(attribute.name, name)) return attribute.value;
  }
  return std::nullopt;
}

std::optional<std::u16string_view> XmlNode::TextAt(std::size_t index) const noexcept {
  if (data_ == nullptr || index >= data_->texts.Size()) return std::nullopt;
  return data_->texts[index];
}

std::span<const XmlAttribute> XmlNode::Attributes() const noexcept {
  if (data_ == nullptr) return {};
  return data_->attributes.View();
}

std::span<const std::u16string_view> XmlNode::Texts() const noexcept {
  if (data_ == nullptr) return {};
  return data_->texts.View();
}

std::span<const XmlRawSection> XmlNode::RawSections() const noexcept {
  if (data_ == nullptr) return {};
  return data_->rawSections.View();
}
