#include "clients/wab/wab_contact_text.h"

#include <string_view>

namespace {

// The white space of Windows' character classes, which includes the
// ideographic space that Chinese names are often padded with.
bool IsWhiteSpace(char16_t c) {
  return (c >= u'\t' && c <= u'\r') || c == u' ' || c == u'\u0085' || c == u'\u00A0' ||
         c == u'\u1680' || (c >= u'\u2000' && c <= u'\u200A') || c == u'\u2028' || c == u'\u2029' ||
         c == u'\u202F' || c == u'\u205F' || c == u'\u3000';
}

std::u16string_view Trimmed(std::u16string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsWhiteSpace(text[begin])) ++begin;
  while (end > begin && IsWhiteSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::u16string WabDisplayText(const AddrContact& contact) {
  const std::u16string_view name = Trimmed(contact.Name);
  return name.empty() ? contact.EMail : std::u16string(name);
}

bool HasVisibleName(const AddrContact& contact) { return !Trimmed(contact.Name).empty(); }
