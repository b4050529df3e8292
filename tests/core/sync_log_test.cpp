// The log line's text.

#include <gtest/gtest.h>

#include "sync/sync_log.h"

namespace {

struct FixedLocalClock : IClock {
  std::optional<LocalDateTime> local;
  int64_t Now() override { return 0; }
  std::optional<LocalDateTime> ToLocal(int64_t) override { return local; }
};

TEST(SyncLogTest, LineIsStampColonTextCrLf) {
  FixedLocalClock clock;
  clock.local = LocalDateTime{2026, 12, 6, 9, 0, 3};
  const auto stamp = FormatLogTime(clock, 0);
  EXPECT_EQ(stamp, u"2026-12-06 09:00:03");
  EXPECT_EQ(BuildLogLine(stamp, u"没有设置密码"), u"2026-12-06 09:00:03 :没有设置密码\r\n");
  EXPECT_EQ(BuildLogLine(stamp, u""), u"2026-12-06 09:00:03 :\r\n");
  EXPECT_EQ(BuildLogLine(u"", u"a\nb"), u" :a b\r\n");
}

TEST(SyncLogTest, TimeWithoutLocalFormGivesEmptyStamp) {
  FixedLocalClock clock;
  EXPECT_EQ(FormatLogTime(clock, 0), u"");
}

}  // namespace
