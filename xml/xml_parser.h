#pragma once
// The whole tree of an XML text (xml_node.h), built by the forgiving parser
// of xml_reader.h; see there for what it accepts. For readers that want the
// tree rather than a few values.

#include <string_view>

#include "xml/xml_node.h"
#include "xml/xml_reader.h"

// Returns the document node (nameless, holding the top-level nodes), or the
// empty handle when the text is null or rejected. `error` receives the code
// either way. Never throws. The text ends at its first NUL character; it is
// parsed as its UTF-8 (an unpaired surrogate reads as U+FFFD).
XmlNode ParseXmlDocument(const char16_t* text, XmlError* error = nullptr);
XmlNode ParseXmlDocument(std::u16string_view text, XmlError* error = nullptr);
