// libFuzzer target: arbitrary bytes, decoded as the HTTP client decodes a
// body (UTF-8, malformed sequences become U+FFFD) and also taken as raw
// UTF-16LE code units (unpaired surrogates, NULs and all), go through the
// parser into its tree. Any crash, leak, sanitizer report or broken
// invariant below is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/utf_convert.h"
#include "xml/xml_parser.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Visits every node without recursion and checks the tree's own invariants.
// Returns a node that has a parent, if there is one, to test lifetimes with.
XmlNode CheckTree(const XmlNode& document) {
  Check(!document.Name() && document.Parent().IsEmpty());
  XmlNode kept;
  std::vector<std::pair<XmlNode, int>> stack = {{document, 0}};
  while (!stack.empty()) {
    auto [node, depth] = std::move(stack.back());
    stack.pop_back();
    Check(depth <= kMaxXmlDepth);
    for (const XmlAttribute& attribute : node.Attributes()) Check(!attribute.name.empty());
    if (!node.Attributes().empty()) {
      const XmlAttribute& first = node.Attributes().front();
      const std::optional<std::u16string_view> value = node.GetAttribute(first.name);
      Check(value.has_value() == first.value.has_value());
      Check(!value || value->data() == first.value->data());
    }
    for (std::size_t i = 0; i < node.Texts().size(); ++i) Check(node.TextAt(i).has_value());
    Check(!node.TextAt(node.Texts().size()));
    Check(node.ChildAt(node.ChildCount()).IsEmpty());
    for (std::size_t i = 0; i < node.ChildCount(); ++i) {
      XmlNode child = node.ChildAt(i);
      Check(child.Name() && !child.Name()->empty());
      Check(child.Parent() == node);
      if (i < 4) {
        std::size_t position = i;
        Check(node.FindChild(*child.Name(), &position) == child && position == i + 1);
      }
      kept = child;
      stack.emplace_back(std::move(child), depth + 1);
    }
  }
  return kept;
}

void Run(const std::u16string& text) {
  XmlError error = XmlError::OutOfMemory;
  XmlNode document = ParseXmlDocument(text, &error);
  const int code = static_cast<int>(error);
  Check(code == 0 || code == 1 || code == 4 || code == 5 || code == 7 || code == 8 || code == 9 ||
        code == 10);
  Check(XmlAccepted(error) == !document.IsEmpty());

  // The NUL-terminated entry point must agree.
  XmlError cError = XmlError::OutOfMemory;
  const XmlNode viaPointer = ParseXmlDocument(text.c_str(), &cError);
  Check(cError == error && viaPointer.IsEmpty() == document.IsEmpty());

  if (document.IsEmpty()) return;

  XmlNode kept = CheckTree(document);
  XmlNode keptChild = kept.ChildAt(0);
  document = XmlNode();
  // Nothing else holds the ancestors any more: the kept node is detached,
  // while its own children are still attached to it.
  Check(kept.Parent().IsEmpty());
  Check(keptChild.IsEmpty() || keptChild.Parent() == kept);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run(Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size)));

  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  Run(units);
  return 0;
}
