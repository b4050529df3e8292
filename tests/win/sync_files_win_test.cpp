// The bytes of syncaddrs.log (code page 936 under the test locale) and of
// address.xml.

#include <gtest/gtest.h>

#include "app/sync_log_view_win.h"
#include "sync/answer_copy_file_win.h"
#include "sync/sync_log_file_win.h"
#include "tests/doubles/fixed_clock.h"
#include "win_test_support.h"

namespace {

TEST(SyncLogFileTest, AppendsLinesInTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 936u) << "the tests run under a Chinese locale";
  ScratchDir dir;
  FixedClock clock(9 * 3600 + 3, {.year = 2026, .month = 12, .day = 6});
  SyncLogFile log(dir.File(u"syncaddrs.log"), clock);
  log.Append(u"没有设置密码");
  log.Append(u"");
  log.Append(u"a\u0e01b\nc");  // Thai has no place in code page 936
  EXPECT_EQ(ReadFileBytes(dir.File(u"syncaddrs.log")),
            "2026-12-06 09:00:03 :\xC3\xBB\xD3\xD0\xC9\xE8\xD6\xC3\xC3\xDC\xC2\xEB\r\n"
            "2026-12-06 09:00:03 :\r\n"
            "2026-12-06 09:00:03 :a?b c\r\n");
}

// An English system used by a Chinese user: CMake runs this case with an
// English LC_CTYPE (Wine's system locale) and the Chinese LANG (the user's).
// The log is for the user to read, in the user's code page; the tray tip
// reads it back in the same.
TEST(SyncLogFileTest, WritesInTheUsersCodePageOnAnEnglishSystem) {
  ASSERT_NE(GetACP(), 936u) << "this case needs a system locale other than the user's";
  ScratchDir dir;
  FixedClock clock(9 * 3600 + 3, {.year = 2026, .month = 12, .day = 6});
  SyncLogFile log(dir.File(u"syncaddrs.log"), clock);
  log.Append(u"没有设置密码");
  EXPECT_EQ(ReadFileBytes(dir.File(u"syncaddrs.log")),
            "2026-12-06 09:00:03 :\xC3\xBB\xD3\xD0\xC9\xE8\xD6\xC3\xC3\xDC\xC2\xEB\r\n");
  EXPECT_EQ(ReadLogTail(dir.File(u"syncaddrs.log")), u"2026-12-06 09:00:03 :没有设置密码\r\n");
}

TEST(SyncLogFileTest, UnwritableLogIsIgnored) {
  ScratchDir dir;
  FixedClock clock(9 * 3600 + 3, {.year = 2026, .month = 12, .day = 6});
  SyncLogFile log(dir.File(u"missing-folder\\syncaddrs.log"), clock);
  log.Append(u"text");
  EXPECT_FALSE(FileExists(dir.File(u"missing-folder\\syncaddrs.log")));
}

TEST(AnswerCopyFileTest, KeepsTheAnswerAsUtf8Unchanged) {
  ScratchDir dir;
  AnswerCopyFile copy(dir.File(u"address.xml"));
  const std::string answer = "\xEF\xBB\xBF<a n=\"\xE5\xBC\xA0\xE0\xB8\x81\">\n</a>";
  ASSERT_TRUE(copy.Save(answer));
  EXPECT_EQ(ReadFileBytes(dir.File(u"address.xml")), answer);
  ASSERT_TRUE(copy.Save(""));
  EXPECT_EQ(ReadFileBytes(dir.File(u"address.xml")), "");
  AnswerCopyFile nowhere(dir.File(u"missing-folder\\address.xml"));
  EXPECT_FALSE(nowhere.Save("x"));
}

}  // namespace
