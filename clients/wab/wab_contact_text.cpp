#include "clients/wab/wab_contact_text.h"

#include <string_view>

#include "common/text_classes.h"

std::u16string WabDisplayText(const AddrContact& contact) {
  const std::u16string_view name = TrimmedBlanks(contact.Name);
  return name.empty() ? contact.EMail : std::u16string(name);
}

bool HasVisibleName(const AddrContact& contact) { return !TrimmedBlanks(contact.Name).empty(); }
