#include "sync/result_text.h"

#include "common/text_classes.h"

namespace {

bool IsControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

}  // namespace

std::u16string OneLineText(std::u16string text) {
  for (char16_t& c : text) {
    if (IsControl(c)) c = u' ';
  }
  return text;
}

std::u16string ShortenServerText(std::u16string_view text) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (characters == kServerTextLimit) return std::u16string(text.substr(0, i)) + u"…";
    // A pair is one character.
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
    ++characters;
  }
  return std::u16string(text);
}
