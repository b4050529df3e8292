#pragma once
// Reference copy of xml/xml_node.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// A parsed XML tree, reached through counted handles.
//
// Every node is shared: a handle holds one reference, and a parent's child
// list holds one reference to each child. A child that is still referenced
// outlives its parent as a detached node (its parent becomes absent). The
// empty handle stands for a missing node; every operation accepts it.
//
// Names, values and texts are views into storage that the whole tree shares;
// they stay valid while any handle to any node of the tree is alive.
// The counts are not atomic: a tree and its handles belong to one thread.

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace reference {

struct XmlAttribute {
  std::u16string_view name;
  std::optional<std::u16string_view> value;  // absent when written without "="

  bool operator==(const XmlAttribute&) const = default;
};

// A comment, CDATA section, DOCTYPE line or raw HTML block, kept opaque.
struct XmlRawSection {
  std::u16string_view openMarker;
  std::u16string_view closeMarker;
  std::u16string_view content;

  bool operator==(const XmlRawSection&) const = default;
};

struct XmlNodeData;

class XmlNode {
 public:
  XmlNode() noexcept = default;
  XmlNode(const XmlNode& other) noexcept;
  XmlNode(XmlNode&& other) noexcept;
  XmlNode& operator=(const XmlNode& other) noexcept;
  XmlNode& operator=(XmlNode&& other) noexcept;
  ~XmlNode();

  bool IsEmpty() const noexcept { return data_ == nullptr; }
  explicit operator bool() const noexcept { return data_ != nullptr; }
  // Same node, not equal content.
  bool operator==(const XmlNode& other) const noexcept { return data_ == other.data_; }

  // The name as written; absent for the document node and the empty handle.
  std::optional<std::u16string_view> Name() const noexcept;
  // True for a node opened with "<?".
  bool IsDeclaration() const noexcept;
  // True when the text closed the element ("/>" or an end tag); false when
  // it was still open at the end of the text.
  bool IsClosed() const noexcept;
  // Empty for the document node and for detached nodes.
  XmlNode Parent() const noexcept;

  std::size_t ChildCount() const noexcept;
  XmlNode ChildAt(std::size_t index) const noexcept;
  // Searches from *position (0 without one) for the first child of that
  // name, letter case ignored; on a match *position becomes the index after
  // it, on a miss it is left alone. Walking all children of one name with
  // the same position costs one pass over the list.
  XmlNode FindChild(std::u16string_view name, std::size_t* position = nullptr) const noexcept;
  // The n-th child (from 0) of that name, letter case ignored.
  XmlNode FindNthChild(std::u16string_view name, std::size_t n) const noexcept;

  // The value of the first attribute of that name, letter case ignored;
  // absent when there is none or it was written without a value.
  std::optional<std::u16string_view> GetAttribute(std::u16string_view name) const noexcept;
  // The text piece at that index, absent when there are not that many.
  std::optional<std::u16string_view> TextAt(std::size_t index) const noexcept;

  std::span<const XmlAttribute> Attributes() const noexcept;
  std::span<const std::u16string_view> Texts() const noexcept;
  std::span<const XmlRawSection> RawSections() const noexcept;

 private:
  friend class XmlParser;
  // Takes a new reference to `data`.
  explicit XmlNode(XmlNodeData* data) noexcept;

  XmlNodeData* data_ = nullptr;
};

}  // namespace reference
