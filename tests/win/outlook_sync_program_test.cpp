// The program's "/sync" with an Outlook version chosen: the mail server's
// answer on loopback, written into the fake Outlook, whose items a state
// file carries between this process and the program.

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "common/utf_convert.h"
#include "http_test_replies.h"
#include "loopback_http_server_win.h"
#include "tests/doubles/fake_outlook_control.h"
#include "tests/doubles/fake_outlook_server_control.h"
#include "win_test_support.h"

namespace {

using Lines = std::vector<std::u16string>;

class OutlookSyncProgram : public testing::Test {
 protected:
  ProcessResult Sync(int emailClient) {
    program_.WriteSettings(emailClient, server_.port());
    return program_.Sync();
  }

  LoopbackHttpServer server_{{Ok(kThreeColleagues)}};
  ProgramFolder program_;
  ScopedEnvironmentVariable stateFile_{u"TW_FAKE_OUTLOOK_STATE", program_.File(u"fake-outlook.txt")};
  FakeOutlook outlook_{HostPath(TW_FAKE_OUTLOOK_DLL)};
};

TEST_F(OutlookSyncProgram, ReplacesTheMarkedContactsWithTheCompanyContacts) {
  ASSERT_TRUE(server_.listening());
  ASSERT_TRUE(outlook_.loaded());
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"Own", u"own@tarnwell.example", u"");
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"Old", u"old@tarnwell.example",
                      u"KESTRANODE_MAIL");
  // Outlook 2003-2010 create every marked contact anew, also one that is
  // already there: what a user added to it goes.
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"张伟", u"zhangwei@tarnwell.example",
                      u"KESTRANODE_MAIL");
  outlook_.SetNote(FakeOutlook::kContactsFolder, u"张伟", u"分机 8021");
  outlook_.AddContact(FakeOutlook::kOtherFolder, u"Kept", u"kept@tarnwell.example",
                      u"KESTRANODE_MAIL");

  const ProcessResult sync = Sync(2);
  EXPECT_EQ(sync.output, Utf16ToUtf8(u"[Outlook 2007] 更新了3个联系人\r\n"));
  EXPECT_EQ(sync.exitCode, 0u);
  outlook_.Reload();
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kContactsFolder),
            (Lines{u"Own|own@tarnwell.example|", u"张伟|zhangwei@tarnwell.example|KESTRANODE_MAIL",
                   u"|noname@tarnwell.example|KESTRANODE_MAIL",
                   u"李娜|lina@tarnwell.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kOtherFolder),
            (Lines{u"Kept|kept@tarnwell.example|KESTRANODE_MAIL"}));
}

TEST_F(OutlookSyncProgram, Outlook2013AndLaterLeavesContactsThatAreAlreadyThere) {
  ASSERT_TRUE(outlook_.loaded());
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"张伟", u"zhangwei@tarnwell.example",
                      u"KESTRANODE_MAIL");
  outlook_.SetNote(FakeOutlook::kContactsFolder, u"张伟", u"分机 8021");
  const ProcessResult sync = Sync(6);
  EXPECT_EQ(sync.output, Utf16ToUtf8(u"[Outlook 2013+] 更新了3个联系人\r\n"));
  EXPECT_EQ(sync.exitCode, 0u);
  outlook_.Reload();
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kContactsFolder),
            (Lines{u"张伟|zhangwei@tarnwell.example|KESTRANODE_MAIL|分机 8021",
                   u"|noname@tarnwell.example|KESTRANODE_MAIL",
                   u"李娜|lina@tarnwell.example|KESTRANODE_MAIL"}));
}

TEST_F(OutlookSyncProgram, WithoutOutlookTheRunFailsAndIsLogged) {
  outlook_.Unregister();
  const ProcessResult sync = Sync(1);
  // The status names the cause: here the ProgID is not registered.
  EXPECT_EQ(sync.output, Utf16ToUtf8(u"无法启动Outlook：0x800401F3\r\n"));
  EXPECT_EQ(sync.exitCode, 1u);
  const std::string log = program_.Log();
  // "无法启动Outlook：0x800401F3" in code page 936.
  EXPECT_NE(log.find(" :\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF"
                     "Outlook\xA3\xBA"
                     "0x800401F3\r\n"),
            std::string::npos)
      << log;
}

// An Outlook behind a prompt (a call that does not return) or one that
// keeps turning calls away holds a run only as long as the bounds allow
// (shortened here): the run fails and says so, gives up the run lock, and
// a "/sync" started beside it then runs. The fake Outlook answers from its
// own process, as Outlook does.
TEST(OutlookStalledProgram, TheRunEndsWithinTheBoundAndTheRunBesideItThenFinishes) {
  const struct {
    const char* what;
    std::function<void(FakeOutlookServer&)> stall;
    const char16_t* expected;
  } cases[] = {
      {"a call that does not return", [](FakeOutlookServer& o) { o.HangCall(0xF048); },
       u"Outlook调用失败：Outlook在2秒内没有响应\r\n"},
      {"calls turned away as busy",
       [](FakeOutlookServer& o) { o.RejectCalls(1 << 30, RPC_E_SERVERCALL_RETRYLATER); },
       u"Outlook调用失败：Outlook一直忙碌，2秒内没有响应\r\n"},
  };
  LoopbackHttpServer server({Ok(kThreeColleagues)});
  ScopedEnvironmentVariable callLimit{u"TW_TEST_OUTLOOK_CALL_MS", u"2000"};
  ScopedEnvironmentVariable busyLimit{u"TW_TEST_OUTLOOK_BUSY_MS", u"2000"};
  ScopedComInit com;
  ASSERT_TRUE(com.ok());
  FakeOutlookServer outlook(HostPath(TW_FAKE_OUTLOOK_SERVER_EXE));
  ASSERT_TRUE(outlook.connected());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramFolder programs[2];  // the stalled run's and the one beside it
    for (const ProgramFolder& program : programs) program.WriteSettings(2, server.port());
    c.stall(outlook);
    ProcessResult stalled;
    std::thread first([&] { stalled = programs[0].Sync(); });
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (!outlook.Stalled() && GetTickCount64() < deadline) Sleep(20);
    ProcessResult beside;
    std::thread second([&] { beside = programs[1].Sync(); });
    first.join();
    outlook.Unstall();
    second.join();
    EXPECT_EQ(stalled.output, Utf16ToUtf8(c.expected));
    EXPECT_EQ(stalled.exitCode, 1u);
    EXPECT_EQ(beside.output, Utf16ToUtf8(u"[Outlook 2007] 更新了3个联系人\r\n"));
    EXPECT_EQ(beside.exitCode, 0u);
  }
}

}  // namespace
