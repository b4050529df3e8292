#include "sync/result_text.h"

#include "common/text_classes.h"

namespace {

bool IsControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// Invisible marks that turn the text around them: a server's text could
// make a log line or a box read otherwise than it is.
bool IsBidiControl(char16_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::u16string OneLineText(std::u16string text) {
  std::u16string line;
  line.reserve(text.size());
  for (const char16_t c : text) {
    if (IsBidiControl(c)) continue;
    line.push_back(IsControl(c) ? u' ' : c);
  }
  return line;
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
