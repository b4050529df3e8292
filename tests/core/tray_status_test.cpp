// The tray's tip text, read back from the log, and the once-a-day rule for
// failure balloons.

#include <gtest/gtest.h>

#include "app/tray_status.h"

namespace {

TEST(TrayStatusTest, LastRunIsTheLastStampedLineOfTheLog) {
  struct Case {
    std::u16string log;
    std::optional<std::u16string> stamp, text;
  };
  const Case cases[] = {
      {u"", {}, {}},
      {u"garbage\r\nno stamp here\r\n", {}, {}},
      {u"2026-12-06 09:00:01 :a\r\n2026-12-07 09:00:03 :[Foxmail 7.x] 更新了300个联系人\r\n",
       u"2026-12-07 09:00:03", u"[Foxmail 7.x] 更新了300个联系人"},
      // a line that does not end (written by hand, or cut)
      {u"2026-12-07 09:00:03 :ok\r\n2026-12-08 09:00:01 :cut", u"2026-12-08 09:00:01", u"cut"},
      // a result text that spread over lines, and an empty one
      {u"2026-12-07 09:00:03 :第一行\r\n第二行\r\n\r\n", u"2026-12-07 09:00:03", u"第一行\n第二行"},
      {u"2026-12-07 09:00:03 :\r\n", u"2026-12-07 09:00:03", u""},
      {u" :no time\r\n", {}, {}},
  };
  for (const Case& c : cases) {
    const auto run = LastRunInLog(c.log);
    ASSERT_EQ(run.has_value(), c.stamp.has_value()) << std::string(c.log.begin(), c.log.end());
    if (!run) continue;
    EXPECT_EQ(run->stamp, *c.stamp);
    EXPECT_EQ(run->text, *c.text);
  }
}

TEST(TrayStatusTest, TipShowsTheLastRunCutToTheNotificationArea) {
  const std::u16string name = u"Tarnwell地址簿同步";
  EXPECT_EQ(IdleTip(name, std::nullopt), name);
  EXPECT_EQ(IdleTip(name, LastRun{u"2026-12-07 09:00:03", u"[Foxmail 7.x] 更新了300个联系人", std::nullopt}),
            u"Tarnwell地址簿同步\n上次同步：2026-12-07 09:00 [Foxmail 7.x] 更新了300个联系人");
  const std::u16string tip = IdleTip(name, LastRun{u"2026-12-07 09:00:03", std::u16string(200, u'长'), std::nullopt});
  const std::u16string head = u"Tarnwell地址簿同步\n上次同步：2026-12-07 09:00 ";
  EXPECT_EQ(tip, head + std::u16string(127 - head.size(), u'长'));  // 127 and the zero
  // A pending retry's time survives the cut.
  const std::u16string retry = IdleTip(name, LastRun{u"2026-12-07 09:00:03", std::u16string(200, u'长'), u"09:06"});
  EXPECT_EQ(retry, head + std::u16string(127 - head.size() - 8, u'长') + u"，09:06重试");

  // A character outside the basic plane is never split at the cut.
  const std::u16string emoji = u"\U0001F600";
  EXPECT_EQ(FitToCapacity(std::u16string(126, u'x') + emoji, 128), std::u16string(126, u'x'));
  EXPECT_EQ(FitToCapacity(std::u16string(125, u'x') + emoji, 128), std::u16string(125, u'x') + emoji);
}

TEST(TrayStatusTest, AFailureIsAnnouncedOncePerDayAndText) {
  FailureNotices notices;
  EXPECT_TRUE(notices.ShouldAnnounce(u"2026-12-07", u"打开URL失败：x"));
  EXPECT_FALSE(notices.ShouldAnnounce(u"2026-12-07", u"打开URL失败：x"));
  EXPECT_TRUE(notices.ShouldAnnounce(u"2026-12-07", u"没有设置密码"));
  EXPECT_FALSE(notices.ShouldAnnounce(u"2026-12-07", u"打开URL失败：x"));
  EXPECT_TRUE(notices.ShouldAnnounce(u"2026-12-08", u"打开URL失败：x"));
}

}  // namespace
