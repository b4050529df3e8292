#pragma once
// The node record behind XmlNode handles; seen only by the parser and the
// handle code.

#include <cstddef>
#include <string_view>
#include <type_traits>

#include "xml/xml_arena.h"
#include "xml/xml_node.h"

// What the nodes of one tree share: their storage, freed when no handle to
// any of them is left.
struct XmlDocumentStore {
  XmlArena arena;
  std::size_t handles = 0;
};

struct XmlNodeData {
  XmlDocumentStore* store = nullptr;
  // Not a reference: destroying a parent detaches its children first.
  XmlNodeData* parent = nullptr;
  std::u16string_view name;        // empty only for the document node
  XmlList<XmlNodeData*> children;  // each entry holds one reference
  XmlList<std::u16string_view> texts;
  XmlList<XmlRawSection> rawSections;
  XmlList<XmlAttribute> attributes;
  int refCount = 0;  // handles plus the parent's list
  bool isDeclaration = false;
  bool closed = false;  // by "/>" or an end tag, not by the end of the text
};

// Nodes live in the arena and are never destroyed one by one.
static_assert(std::is_trivially_destructible_v<XmlNodeData>);
