#include "clients/wab/wab_property_text.h"

#include <algorithm>
#include <cstdio>

#include "common/text_classes.h"
#include "common/utf_convert.h"

namespace {

// One scanf "%<width>d": white space, a sign and at most `width`
// characters in all (sign included). Moves `pos` past what it read.
bool ScanNumber(std::u16string_view text, size_t& pos, size_t width, int& value) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  size_t end = pos + width < text.size() ? pos + width : text.size();
  size_t p = pos;
  bool negative = false;
  if (p < end && (text[p] == u'-' || text[p] == u'+')) negative = text[p++] == u'-';
  if (p >= end || !IsDigit(text[p])) return false;
  int result = 0;
  for (; p < end && IsDigit(text[p]); ++p) result = result * 10 + (text[p] - u'0');
  value = negative ? -result : result;
  pos = p;
  return true;
}

std::u16string Padded(int value, int width) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return AsciiToUtf16(buffer);
}

}  // namespace

std::u16string FormatShortNumber(int16_t value) { return AsciiToUtf16(std::to_string(value)); }

int16_t ParseShortNumber(std::u16string_view text) {
  size_t p = 0;
  while (p < text.size() && IsBlank(text[p])) ++p;
  bool negative = false;
  if (p < text.size() && (text[p] == u'-' || text[p] == u'+')) negative = text[p++] == u'-';
  // Saturates at the 32-bit limits as atoi does, instead of overflowing.
  constexpr int64_t kCap = int64_t{1} << 31;
  int64_t magnitude = 0;
  for (; p < text.size() && IsDigit(text[p]); ++p) {
    magnitude = std::min(magnitude * 10 + (text[p] - u'0'), kCap);
  }
  const int64_t value = negative ? -magnitude : std::min(magnitude, kCap - 1);
  return static_cast<int16_t>(value);  // the low 16 bits
}

std::u16string FormatCalendarFields(const CalendarFields& f) {
  return Padded(f.year, 4) + u"-" + Padded(f.month, 2) + u"-" + Padded(f.day, 2) + u" " +
         Padded(f.hour, 2) + u":" + Padded(f.minute, 2) + u":" + Padded(f.second, 2);
}

CalendarFields ParseCalendarFields(std::u16string_view text) {
  CalendarFields f;
  struct Step {
    int* field;
    size_t width;
    char16_t separator;  // after the field; 0 for the last
  };
  const Step steps[] = {{&f.year, 4, u'-'}, {&f.month, 2, u'-'},  {&f.day, 2, u' '},
                        {&f.hour, 2, u':'}, {&f.minute, 2, u':'}, {&f.second, 2, 0}};
  size_t pos = 0;
  for (const Step& step : steps) {
    if (!ScanNumber(text, pos, step.width, *step.field)) break;
    if (step.separator == u' ') {
      // A blank in a scanf format matches any run of white space, or none.
      while (pos < text.size() && IsBlank(text[pos])) ++pos;
    } else if (step.separator != 0) {
      if (pos >= text.size() || text[pos] != step.separator) break;
      ++pos;
    }
  }
  return f;
}

std::u16string_view LimitTextLength(std::u16string_view text, size_t maxUnits) {
  if (text.size() <= maxUnits) return text;
  size_t cut = maxUnits;
  if (cut > 0 && IsHighSurrogate(text[cut - 1])) --cut;
  return text.substr(0, cut);
}
