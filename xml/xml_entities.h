#pragma once
// The five predefined XML entities: &lt; &gt; &amp; &apos; &quot;, letter
// case ignored. No other entity exists, named or numeric.

#include <cstddef>
#include <string_view>

enum class XmlEntities {
  None,     // no "&" at all: the text stands for itself
  Known,    // only the five
  Unknown,  // some other "&" sequence: the text cannot be decoded
};

XmlEntities ScanXmlEntities(std::string_view text);

// Writes `text`, whose entities are all known, to `out` (room for
// text.size() bytes: decoding never lengthens) and returns the length.
std::size_t DecodeXmlEntities(std::string_view text, char* out);
