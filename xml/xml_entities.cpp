#include "xml/xml_entities.h"

#include "xml/xml_text.h"

namespace {

struct Entity {
  std::u16string_view reference;  // what follows the "&"
  char16_t character;
};

constexpr Entity kEntities[] = {
    {u"lt;", u'<'}, {u"gt;", u'>'}, {u"amp;", u'&'}, {u"apos;", u'\''}, {u"quot;", u'"'},
};

}  // namespace

std::optional<std::u16string> DecodeXmlEntities(std::u16string_view text) {
  std::size_t amp = text.find(u'&');
  if (amp == std::u16string_view::npos) return std::u16string(text);

  std::u16string out;
  out.reserve(text.size());
  std::size_t copied = 0;
  while (amp != std::u16string_view::npos) {
    out.append(text, copied, amp - copied);
    const std::u16string_view rest = text.substr(amp + 1);
    const Entity* match = nullptr;
    for (const Entity& entity : kEntities) {
      if (StartsWithIgnoreCase(rest, entity.reference)) {
        match = &entity;
        break;
      }
    }
    if (match == nullptr) return std::nullopt;
    out.push_back(match->character);
    copied = amp + 1 + match->reference.size();
    amp = text.find(u'&', copied);
  }
  out.append(text, copied);
  out.shrink_to_fit();
  return out;
}
