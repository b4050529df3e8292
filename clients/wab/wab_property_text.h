#pragma once
// The text forms in which the address-book wrapper reads and writes
// 16-bit numbers and dates, kept portable so they are tested natively.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A calendar date and time of day, without time zone.
struct CalendarFields {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  bool operator==(const CalendarFields&) const = default;
};

// Decimal, with a minus sign when negative.
std::u16string FormatShortNumber(int16_t value);

// Reads a decimal integer the way the C library's atoi does (leading white
// space, optional sign, digits up to the first other character; 0 when
// there are none) and keeps its low 16 bits.
int16_t ParseShortNumber(std::u16string_view text);

// "YYYY-MM-DD hh:mm:ss", each field zero-padded to its width.
std::u16string FormatCalendarFields(const CalendarFields& fields);

// Reads "YYYY-MM-DD hh:mm:ss" field by field as scanf would; reading stops
// at the first field or separator that does not match, and every field
// not read is 0.
CalendarFields ParseCalendarFields(std::u16string_view text);

// The first `maxUnits` UTF-16 units of `text`, one fewer when the cut
// would split a surrogate pair.
std::u16string_view LimitTextLength(std::u16string_view text, size_t maxUnits);
