#include "xml/xml_entities.h"

#include "xml/xml_text.h"

namespace {

struct Entity {
  std::string_view reference;  // what follows the "&"
  char character;
};

constexpr Entity kEntities[] = {
    {"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"apos;", '\''}, {"quot;", '"'},
};

// The entity that the "&" before `rest` starts, or null.
const Entity* MatchEntity(std::string_view rest) {
  for (const Entity& entity : kEntities) {
    if (StartsWithIgnoringAsciiCase(rest, entity.reference)) return &entity;
  }
  return nullptr;
}

}  // namespace

XmlEntities ScanXmlEntities(std::string_view text) {
  // Every value of the answer comes through here.
  const std::size_t amp = FindEither(text, 0, '&', '&');
  if (amp == text.size()) return XmlEntities::None;
  for (std::size_t i = amp; i < text.size(); ++i) {
    if (text[i] != '&') continue;
    const Entity* entity = MatchEntity(text.substr(i + 1));
    if (entity == nullptr) return XmlEntities::Unknown;
    i += entity->reference.size();
  }
  return XmlEntities::Known;
}

std::size_t DecodeXmlEntities(std::string_view text, char* out) {
  std::size_t length = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '&') {
      out[length++] = c;
      ++i;
      continue;
    }
    const Entity* entity = MatchEntity(text.substr(i + 1));
    out[length++] = entity->character;
    i += 1 + entity->reference.size();
  }
  return length;
}
