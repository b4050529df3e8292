// The program itself with "/sync", from a folder of its own.

#include <gtest/gtest.h>

#include "win_test_support.h"

namespace {

class OneShotSyncTest : public testing::Test {
 protected:
  ProgramFolder program_;
};

TEST_F(OneShotSyncTest, WithoutPasswordFailsAndTouchesNothingButTheLog) {
  ASSERT_TRUE(FileExists(program_.exe()));
  const ProcessResult r = program_.Sync();
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.output,
            "\xE6\xB2\xA1\xE6\x9C\x89\xE8\xAE\xBE\xE7\xBD\xAE\xE5\xAF\x86\xE7\xA0\x81\r\n");
  const std::string log = program_.Log();
  EXPECT_TRUE(log.ends_with(" :\xC3\xBB\xD3\xD0\xC9\xE8\xD6\xC3\xC3\xDC\xC2\xEB\r\n")) << log;
  EXPECT_FALSE(FileExists(program_.File(u"address.xml")));
  EXPECT_FALSE(FileExists(program_.File(u"AddrBookSync.ini")));

  program_.Sync();
  const std::string twoRuns = program_.Log();
  EXPECT_EQ(twoRuns.substr(0, log.size()), log);
  EXPECT_EQ(twoRuns.size(), 2 * log.size());
}

TEST_F(OneShotSyncTest, UnreachableServerFailsWithMaskedUrl) {
  program_.WriteSettings(5, 1);
  const ProcessResult r = program_.Sync();
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.output,
            "\xE6\x89\x93\xE5\xBC\x80URL\xE5\xA4\xB1\xE8\xB4\xA5\xEF\xBC\x9A"
            "http://127.0.0.1:1/mail/addresssync.asp?accnt=zhang@corp.example&pwd=******"
            "&onlydepart=0\xEF\xBC\x88\xE6\x97\xA0\xE6\xB3\x95\xE8\xBF\x9E\xE6\x8E\xA5\xE5\x88\xB0"
            "\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8\xEF\xBC\x89\r\n");  // "（无法连接到服务器）"
  EXPECT_EQ(program_.Log().find("secret"), std::string::npos);
  EXPECT_FALSE(FileExists(program_.File(u"address.xml")));
}

}  // namespace
