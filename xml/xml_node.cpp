#include "xml/xml_node.h"

#include <utility>

#include "xml/xml_node_data.h"
#include "xml/xml_text.h"

void ReleaseXmlNode(XmlNodeData* node) noexcept {
  if (--node->refCount > 0) return;
  // Nodes waiting for destruction are chained through their parent field,
  // which is free once a node is unreferenced: no allocation while freeing.
  node->parent = nullptr;
  XmlNodeData* pending = node;
  while (pending != nullptr) {
    XmlNodeData* current = pending;
    pending = current->parent;
    for (XmlNodeData* child : current->children) {
      if (--child->refCount == 0) {
        child->parent = pending;
        pending = child;
      } else {
        child->parent = nullptr;
      }
    }
    delete current;
  }
}

XmlNode::XmlNode(XmlNodeData* data) noexcept : data_(data) {
  if (data_ != nullptr) RetainXmlNode(data_);
}

XmlNode::XmlNode(const XmlNode& other) noexcept : XmlNode(other.data_) {}

XmlNode::XmlNode(XmlNode&& other) noexcept : data_(std::exchange(other.data_, nullptr)) {}

XmlNode& XmlNode::operator=(const XmlNode& other) noexcept {
  if (other.data_ != nullptr) RetainXmlNode(other.data_);
  if (data_ != nullptr) ReleaseXmlNode(data_);
  data_ = other.data_;
  return *this;
}

XmlNode& XmlNode::operator=(XmlNode&& other) noexcept {
  if (this != &other) {
    if (data_ != nullptr) ReleaseXmlNode(data_);
    data_ = std::exchange(other.data_, nullptr);
  }
  return *this;
}

XmlNode::~XmlNode() {
  if (data_ != nullptr) ReleaseXmlNode(data_);
}

const std::u16string* XmlNode::Name() const noexcept {
  return data_ != nullptr && !data_->name.empty() ? &data_->name : nullptr;
}

bool XmlNode::IsDeclaration() const noexcept {
  return data_ != nullptr && data_->isDeclaration;
}

XmlNode XmlNode::Parent() const noexcept {
  return XmlNode(data_ != nullptr ? data_->parent : nullptr);
}

std::size_t XmlNode::ChildCount() const noexcept {
  return data_ != nullptr ? data_->children.size() : 0;
}

XmlNode XmlNode::ChildAt(std::size_t index) const noexcept {
  if (data_ == nullptr || index >= data_->children.size()) return XmlNode();
  return XmlNode(data_->children[index]);
}

XmlNode XmlNode::FindChild(std::u16string_view name, std::size_t* position) const noexcept {
  if (data_ == nullptr) return XmlNode();
  const auto& children = data_->children;
  for (std::size_t i = position != nullptr ? *position : 0; i < children.size(); ++i) {
    if (EqualsIgnoreCase(children[i]->name, name)) {
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

const std::u16string* XmlNode::GetAttribute(std::u16string_view name) const noexcept {
  if (data_ == nullptr) return nullptr;
  for (const XmlAttribute& attribute : data_->attributes) {
    if (EqualsIgnoreCase(attribute.name, name)) {
      return attribute.value ? &*attribute.value : nullptr;
    }
  }
  return nullptr;
}

const std::u16string* XmlNode::TextAt(std::size_t index) const noexcept {
  if (data_ == nullptr || index >= data_->texts.size()) return nullptr;
  return &data_->texts[index];
}

std::span<const XmlAttribute> XmlNode::Attributes() const noexcept {
  if (data_ == nullptr) return {};
  return data_->attributes;
}

std::span<const std::u16string> XmlNode::Texts() const noexcept {
  if (data_ == nullptr) return {};
  return data_->texts;
}

std::span<const XmlRawSection> XmlNode::RawSections() const noexcept {
  if (data_ == nullptr) return {};
  return data_->rawSections;
}
