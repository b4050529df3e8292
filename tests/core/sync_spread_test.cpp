// Where each desktop's daily run falls within SyncSpread: inside the
// window, the same every day, and evenly spread over a company's desktops.

#include "sync/sync_spread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/utf_convert.h"

namespace {

// Names as companies give them: numbered machines, and users as pinyin
// with a number, some sharing the machine's number.
std::vector<DesktopIdentity> Desktops(int count) {
  const char* const given[] = {"wei", "fang", "min", "jing", "li", "qiang", "lei", "jun"};
  std::vector<DesktopIdentity> desktops;
  for (int i = 0; i < count; ++i) {
    desktops.push_back({AsciiToUtf16("BJ-PC-" + std::to_string(1000 + i)),
                        AsciiToUtf16(std::string("zhang") + given[i % 8] + std::to_string(i / 8))});
  }
  return desktops;
}

TEST(SyncSpreadTest, OffsetsStayInTheWindowAreStableAndEven) {
  const std::vector<DesktopIdentity> desktops = Desktops(10000);
  for (const int spread : {2, 15, 30, 60, 120}) {
    std::vector<int> perMinute(spread, 0);
    for (const DesktopIdentity& d : desktops) {
      const int32_t offset = SpreadOffset(d, spread);
      ASSERT_GE(offset, 0);
      ASSERT_LT(offset, spread);
      ASSERT_EQ(SpreadOffset(d, spread), offset);  // the same every day
      ++perMinute[offset];
    }
    const double mean = 10000.0 / spread;
    const auto [least, most] = std::minmax_element(perMinute.begin(), perMinute.end());
    EXPECT_GT(*least, 0.6 * mean) << spread;
    EXPECT_LT(*most, 1.4 * mean) << spread;
  }
}

TEST(SyncSpreadTest, NamesCountWithoutCaseAndWindowIsBounded) {
  const DesktopIdentity upper{u"BJ-PC-1001", u"ZHANGWEI0"};
  const DesktopIdentity lower{u"bj-pc-1001", u"zhangwei0"};
  EXPECT_EQ(SpreadOffset(upper, 60), SpreadOffset(lower, 60));
  for (const int32_t none : {0, 1, -5}) EXPECT_EQ(SpreadOffset(upper, none), 0);
  EXPECT_EQ(SpreadOffset(upper, 500), SpreadOffset(upper, kMaxSyncSpread));
}

TEST(SyncSpreadTest, ShiftedMinuteWrapsPastMidnightAndBadTimesStayBad) {
  struct Case {
    int32_t syncTime, offset, due;
  } const cases[] = {
      {540, 0, 540}, {540, 29, 569}, {1410, 29, 1439}, {1410, 45, 15},
      {1439, 1, 0},  {0, 119, 119},  {-30, 45, -30},   {1440, 5, 1440},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SpreadSyncTime(c.syncTime, c.offset), c.due) << c.syncTime << "+" << c.offset;
  }
}

}  // namespace
