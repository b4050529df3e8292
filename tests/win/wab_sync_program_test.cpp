// The program's "/sync" with Outlook Express chosen: the mail server's
// answer on loopback, written into the fake address-book library, whose
// entries a state file carries between this process and the program.

#include <gtest/gtest.h>

#include "common/utf_convert.h"
#include "http_test_replies.h"
#include "loopback_http_server_win.h"
#include "tests/doubles/fake_wab_control.h"
#include "win_test_support.h"

namespace {

using Lines = std::vector<std::u16string>;

class WabSyncProgram : public testing::Test {
 protected:
  WabSyncProgram() { program_.WriteSettings(0, server_.port()); }

  LoopbackHttpServer server_{{Ok(kThreeColleagues)}};
  ProgramFolder program_;
  ScopedEnvironmentVariable stateFile_{u"TW_FAKE_WAB_STATE", program_.File(u"fake-wab.txt")};
  FakeWab wab_{HostPath(TW_FAKE_WAB_DLL)};
};

TEST_F(WabSyncProgram, ReplacesTheMarkedEntriesWithTheCompanyContacts) {
  ASSERT_TRUE(server_.listening());
  ASSERT_TRUE(wab_.loaded());
  wab_.AddMailUser(u"Own", u"own@tarnwell.example", u"");
  wab_.AddMailUser(u"Old", u"old@tarnwell.example", u"KESTRANODE_MAIL");

  const ProcessResult sync = program_.Sync();
  EXPECT_EQ(sync.output, Utf16ToUtf8(u"[Outlook Express] 更新了3个联系人\r\n"));
  EXPECT_EQ(sync.exitCode, 0u);
  wab_.Reload();
  EXPECT_EQ(wab_.Entries(),
            (Lines{u"Own|own@tarnwell.example|", u"张伟|zhangwei@tarnwell.example|KESTRANODE_MAIL",
                   u"noname@tarnwell.example|noname@tarnwell.example|KESTRANODE_MAIL",
                   u"李娜|lina@tarnwell.example|KESTRANODE_MAIL"}));
}

TEST_F(WabSyncProgram, WithoutTheAddressBookTheRunFailsAndIsLogged) {
  wab_.registration().Remove();
  const ProcessResult sync = program_.Sync();
  EXPECT_EQ(sync.output, Utf16ToUtf8(u"无法打开Windows通讯簿\r\n"));
  EXPECT_EQ(sync.exitCode, 1u);
  const std::string log = program_.Log();
  // "无法打开Windows通讯簿" in code page 936.
  EXPECT_NE(log.find(" :\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA"
                     "Windows\xCD\xA8\xD1\xB6\xB2\xBE\r\n"),
            std::string::npos)
      << log;
}

}  // namespace
