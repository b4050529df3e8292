// Reference copy of xml/xml_entities.cpp before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
#include "xml/fuzz/reference/xml_entities.h"

#include "xml/fuzz/reference/xml_text.h"

namespace reference {

namespace {

struct Entity {
  std::u16string_view reference;  // what follows the "&"
  char16_t character;
};

constexpr Entity kEntities[] = {
    {u"lt;", u'<'}, {u"gt;", u'>'}, {u"amp;", u'&'}, {u"apos;", u'\''}, {u"quot;", u'"'},
};

}  // namespace

std::size_t DecodeXmlEntities(std::u16string_view text, char16_t* out) {
  std::size_t length = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c != u'&') {
      out[length++] = c;
      ++i;
      continue;
    }
    const std::u16string_view rest = text.substr(i + 1);
    const Entity* match = nullptr;
    for (const Entity& entity : kEntities) {
      if (StartsWithIgnoreCase(rest, entity.reference)) {
        match = &entity;
        break;
      }
    }
    if (match == nullptr) return kUndecodable;
    out[length++] = match->character;
    i += 1 + match->reference.size();
  }
  return length;
}

}  // namespace reference
