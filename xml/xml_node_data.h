#pragma once
// The node record behind XmlNode handles; seen only by the parser and the
// handle code.

#include <string>
#include <vector>

#include "xml/xml_node.h"

struct XmlNodeData {
  std::u16string name;  // empty only for the document node
  bool isDeclaration = false;
  // Not a reference: a parent always outlives the link, because destroying
  // it detaches its children first.
  XmlNodeData* parent = nullptr;
  std::vector<XmlNodeData*> children;  // each entry holds one reference
  std::vector<std::u16string> texts;
  std::vector<XmlRawSection> rawSections;
  std::vector<XmlAttribute> attributes;
  int refCount = 0;
};

inline void RetainXmlNode(XmlNodeData* node) noexcept { ++node->refCount; }

// Drops one reference; destroys the node and every child that nothing else
// holds, without recursion so that a deep tree cannot exhaust the stack.
void ReleaseXmlNode(XmlNodeData* node) noexcept;
