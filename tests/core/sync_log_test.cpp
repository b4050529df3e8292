// The log line's text.

#include <gtest/gtest.h>

#include "sync/sync_log.h"
#include "tests/doubles/fixed_clock.h"

namespace {

TEST(SyncLogTest, LineIsStampColonTextCrLf) {
  FixedClock clock(9 * 3600 + 3, {.year = 2026, .month = 12, .day = 6});
  const auto stamp = FormatLogTime(clock, clock.Now());
  EXPECT_EQ(stamp, u"2026-12-06 09:00:03");
  EXPECT_EQ(BuildLogLine(stamp, u"没有设置密码"), u"2026-12-06 09:00:03 :没有设置密码\r\n");
  EXPECT_EQ(BuildLogLine(stamp, u""), u"2026-12-06 09:00:03 :\r\n");
  EXPECT_EQ(BuildLogLine(u"", u"a\nb"), u" :a b\r\n");
}

TEST(SyncLogTest, TimeWithoutLocalFormGivesEmptyStamp) {
  FixedClock clock;
  EXPECT_EQ(FormatLogTime(clock, 0), u"");
}

}  // namespace
