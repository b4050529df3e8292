// The text forms of numbers, dates and names in the address book. Portable
// code, tested here because the Windows tests are where the writers are.

#include <gtest/gtest.h>

#include "clients/wab/wab_contact_text.h"
#include "clients/wab/wab_property_text.h"

namespace {

TEST(WabPropertyTextTest, ShortNumbersReadLikeAtoiAndKeepTheirLow16Bits) {
  EXPECT_EQ(ParseShortNumber(u"42"), 42);
  EXPECT_EQ(ParseShortNumber(u"  -7 apples"), -7);
  EXPECT_EQ(ParseShortNumber(u"+12"), 12);
  EXPECT_EQ(ParseShortNumber(u"x12"), 0);
  EXPECT_EQ(ParseShortNumber(std::u16string_view(u"1234", 2)), 12);
  EXPECT_EQ(ParseShortNumber(u""), 0);
  EXPECT_EQ(ParseShortNumber(u"32768"), -32768);
  EXPECT_EQ(ParseShortNumber(u"-40000"), 25536);
  // Past 31 bits the value saturates first, as atoi does.
  EXPECT_EQ(ParseShortNumber(u"99999999999999999999"), -1);  // 0x7FFFFFFF
  EXPECT_EQ(ParseShortNumber(u"3000000000"), -1);
  EXPECT_EQ(ParseShortNumber(u"-99999999999999999999"), 0);  // 0x80000000
  EXPECT_EQ(FormatShortNumber(-32768), u"-32768");
  EXPECT_EQ(FormatShortNumber(0), u"0");
}

TEST(WabPropertyTextTest, DatesReadFieldByFieldUntilOneDoesNotFit) {
  EXPECT_EQ(ParseCalendarFields(u"2024-02-29 13:05:0912"), (CalendarFields{2024, 2, 29, 13, 5, 9}));
  EXPECT_EQ(ParseCalendarFields(u"2024-+2-3"), (CalendarFields{2024, 2, 3, 0, 0, 0}));
  EXPECT_EQ(ParseCalendarFields(u"2024-02-29T13:05"), (CalendarFields{2024, 2, 29, 0, 0, 0}));
  EXPECT_EQ(ParseCalendarFields(u"2024-02-29 13:059:09"), (CalendarFields{2024, 2, 29, 13, 5, 0}));
  EXPECT_EQ(ParseCalendarFields(u"20240229"), (CalendarFields{2024, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ParseCalendarFields(u"2024/02/29"), (CalendarFields{2024, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ParseCalendarFields(u"soon"), CalendarFields{});
  EXPECT_EQ(FormatCalendarFields({987, 1, 2, 3, 4, 5}), u"0987-01-02 03:04:05");
}

TEST(WabPropertyTextTest, LongTextsAreCutWithoutSplittingACharacter) {
  const std::u16string text = u"ab\U0001F600cd";  // the emoji takes two units
  EXPECT_EQ(LimitTextLength(text, 10), text);
  EXPECT_EQ(LimitTextLength(text, 4), u"ab\U0001F600");
  EXPECT_EQ(LimitTextLength(text, 3), u"ab");
  EXPECT_EQ(LimitTextLength(text, 0), u"");
  EXPECT_EQ(LimitTextLength(u"\U0001F600", 1), u"");
}

TEST(WabContactTextTest, BlankNamesShowTheAddress) {
  EXPECT_EQ(WabDisplayText({u"  张伟\u3000", u"zw@corp.example"}), u"张伟");
  EXPECT_EQ(WabDisplayText({u"\t\r\n\u00A0", u"zw@corp.example"}), u"zw@corp.example");
  EXPECT_EQ(WabDisplayText({u"", u""}), u"");
  EXPECT_TRUE(HasVisibleName({u" a ", u""}));
  EXPECT_FALSE(HasVisibleName({u"\u3000 ", u"x"}));
}

}  // namespace
