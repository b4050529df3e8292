// The program's "/sync" with each mail client chosen: the mail server's
// answer on loopback, written into Foxmail 7's address folder (read back
// with the folder tool), or into the fakes of the address-book library and
// of Outlook, whose entries a state file carries between this process and
// the program.

// First: the server's header brings winsock2.h, which must precede windows.h.
#include "loopback_http_server_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "common/utf_convert.h"
#include "foxmail7/foxmail7_test_support_win.h"
#include "http_test_replies.h"
#include "tests/doubles/fake_outlook_control.h"
#include "tests/doubles/fake_outlook_server_control.h"
#include "tests/doubles/fake_wab_control.h"
#include "win_test_support.h"

namespace {

using Lines = std::vector<std::u16string>;

class SyncProgram : public testing::Test {
 protected:
  ProcessResult Sync(int emailClient) {
    program_.WriteSettings(emailClient, server_.port());
    return program_.Sync();
  }

  std::string answer_ = kThreeColleagues;
  LoopbackHttpServer server_{[this](const RecordedRequest&) { return Ok(answer_); }};
  ProgramFolder program_;
};

class Foxmail7SyncProgram : public SyncProgram {
 protected:
  Foxmail7SyncProgram() { fox_.GiveUserFolder(); }
  ProcessResult ListFolder() {
    return RunProgram(HostPath(TW_FOXMAIL7_READ_EXE), u"\"" + fox_.folder + u"\"");
  }

  // The program is a process of its own: it needs the prefix's own key.
  TestFoxmail7Installation fox_{FoxmailCommandKey::Scope::Shared};
};

TEST_F(Foxmail7SyncProgram, ReplacesTheAddressFolderWithTheCompanyContacts) {
  ASSERT_TRUE(server_.listening());
  const ProcessResult sync = Sync(5);
  EXPECT_EQ(
      "[Foxmail 7.x] \xE6\x9B\xB4\xE6\x96\xB0\xE4\xBA\x86"
      "3\xE4\xB8\xAA\xE8\x81\x94\xE7\xB3\xBB\xE4\xBA\xBA\r\n",
      sync.output);  // "[Foxmail 7.x] 更新了3个联系人"
  EXPECT_EQ(0u, sync.exitCode);
  EXPECT_EQ(kSevenFilesListing, ListDirectory(fox_.folder));
  EXPECT_EQ(u"400\\|", ListDirectory(fox_.addressDir));

  const ProcessResult listing = ListFolder();
  EXPECT_EQ(0u, listing.exitCode);
  EXPECT_EQ(
      "\xE5\xBC\xA0\xE4\xBC\x9F\tzhangwei@tarnwell.example\r\n\tnoname@tarnwell.example\r\n"
      "\xE6\x9D\x8E\xE5\xA8\x9C\tlina@tarnwell.example\r\n",
      listing.output);
}

// Foxmail 7 counts and numbers contacts in 16 bits.
TEST_F(Foxmail7SyncProgram, KeepsTheFirst65535OfALargerBookAndSaysSo) {
  answer_ = "<?xml version=\"1.0\" encoding=\"utf-8\"?><addressbooks>";
  for (int k = 1; k <= 70000; ++k) {
    const std::string n = std::to_string(k);
    answer_ += "<person Name=\"P" + n + "\" E-Mail=\"p" + n + "@tarnwell.example\"/>";
  }
  answer_ += "</addressbooks>";
  const ProcessResult sync = Sync(5);
  EXPECT_EQ(Utf16ToUtf8(u"[Foxmail 7.x] 更新了65535个联系人（Foxmail 7最多保存65535个，共70000个）\r\n"),
            sync.output);
  EXPECT_EQ(0u, sync.exitCode);

  const ProcessResult listing = ListFolder();
  EXPECT_EQ(0u, listing.exitCode);  // a folder Foxmail 7 reads as meant
  EXPECT_EQ(65535, std::count(listing.output.begin(), listing.output.end(), '\n'));
  EXPECT_TRUE(listing.output.starts_with("P1\tp1@tarnwell.example\r\n"));
  EXPECT_TRUE(listing.output.ends_with("\nP65535\tp65535@tarnwell.example\r\n"));
}

TEST_F(Foxmail7SyncProgram, WithoutFoxmail7SaysSoAndTouchesNothing) {
  fox_.key.Remove();
  const ProcessResult sync = Sync(5);
  EXPECT_EQ(1u, sync.exitCode);
  EXPECT_EQ(
      "\xE6\x9C\xAA\xE6\x89\xBE\xE5\x88\xB0"
      "Foxmail7\r\n",
      sync.output);  // "未找到Foxmail7"
  EXPECT_EQ(kUserFolderListing, ListDirectory(fox_.folder));
  EXPECT_EQ(1u, ListFolder().exitCode);  // the user's files are no Foxmail 7 folder
}

// With a fake of the writer's library, whose entries a state file carries
// between this process and the program.
template <class Fake>
class FakeWriterSyncProgram : public SyncProgram {
 protected:
  FakeWriterSyncProgram(const char16_t* stateVariable, const char* library)
      : stateFile_(stateVariable, program_.File(u"fake-state.txt")), fake_(HostPath(library)) {}

  ScopedEnvironmentVariable stateFile_;
  Fake fake_;
};

struct WabSyncProgram : FakeWriterSyncProgram<FakeWab> {
  WabSyncProgram() : FakeWriterSyncProgram(u"TW_FAKE_WAB_STATE", TW_FAKE_WAB_DLL) {}
};

TEST_F(WabSyncProgram, ReplacesTheMarkedEntriesWithTheCompanyContacts) {
  ASSERT_TRUE(server_.listening());
  ASSERT_TRUE(fake_.loaded());
  fake_.AddMailUser(u"Own", u"own@tarnwell.example", u"");
  fake_.AddMailUser(u"Old", u"old@tarnwell.example", u"KESTRANODE_MAIL");

  const ProcessResult sync = Sync(0);
  EXPECT_EQ(sync.output, Utf16ToUtf8(u"[Outlook Express] 更新了3个联系人\r\n"));
  EXPECT_EQ(sync.exitCode, 0u);
  fake_.Reload();
  EXPECT_EQ(fake_.Entries(),
            (Lines{u"Own|own@tarnwell.example|", u"张伟|zhangwei@tarnwell.example|KESTRANODE_MAIL",
                   u"noname@tarnwell.example|noname@tarnwell.example|KESTRANODE_MAIL",
                   u"李娜|lina@tarnwell.example|KESTRANODE_MAIL"}));
}

TEST_F(WabSyncProgram, WithoutTheAddressBookTheRunFailsAndIsLogged) {
  fake_.registration().Remove();
  const ProcessResult sync = Sync(0);
  EXPECT_EQ(sync.output, Utf16ToUtf8(u"无法打开Windows通讯簿\r\n"));
  EXPECT_EQ(sync.exitCode, 1u);
  const std::string log = program_.Log();
  // "无法打开Windows通讯簿" in code page 936.
  EXPECT_NE(log.find(" :\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA"
                     "Windows\xCD\xA8\xD1\xB6\xB2\xBE\r\n"),
            std::string::npos)
      << log;
}

struct OutlookSyncProgram : FakeWriterSyncProgram<FakeOutlook> {
  OutlookSyncProgram() : FakeWriterSyncProgram(u"TW_FAKE_OUTLOOK_STATE", TW_FAKE_OUTLOOK_DLL) {}
};

TEST_F(OutlookSyncProgram, ReplacesTheMarkedContactsWithTheCompanyContacts) {
  ASSERT_TRUE(server_.listening());
  ASSERT_TRUE(fake_.loaded());
  fake_.AddContact(FakeOutlook::kContactsFolder, u"Own", u"own@tarnwell.example", u"");
  fake_.AddContact(FakeOutlook::kContactsFolder, u"Old", u"old@tarnwell.example",
                      u"KESTRANODE_MAIL");
  // Outlook 2003-2010 create every marked contact anew, also one that is
  // already there: what a user added to it goes.
  fake_.AddContact(FakeOutlook::kContactsFolder, u"张伟", u"zhangwei@tarnwell.example",
                      u"KESTRANODE_MAIL");
  fake_.SetNote(FakeOutlook::kContactsFolder, u"张伟", u"分机 8021");
  fake_.AddContact(FakeOutlook::kOtherFolder, u"Kept", u"kept@tarnwell.example",
                      u"KESTRANODE_MAIL");

  const ProcessResult sync = Sync(2);
  EXPECT_EQ(sync.output, Utf16ToUtf8(u"[Outlook 2007] 更新了3个联系人\r\n"));
  EXPECT_EQ(sync.exitCode, 0u);
  fake_.Reload();
  EXPECT_EQ(fake_.Contacts(FakeOutlook::kContactsFolder),
            (Lines{u"Own|own@tarnwell.example|", u"张伟|zhangwei@tarnwell.example|KESTRANODE_MAIL",
                   u"|noname@tarnwell.example|KESTRANODE_MAIL",
                   u"李娜|lina@tarnwell.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(fake_.Contacts(FakeOutlook::kOtherFolder),
            (Lines{u"Kept|kept@tarnwell.example|KESTRANODE_MAIL"}));
}

TEST_F(OutlookSyncProgram, Outlook2013AndLaterLeavesContactsThatAreAlreadyThere) {
  ASSERT_TRUE(fake_.loaded());
  fake_.AddContact(FakeOutlook::kContactsFolder, u"张伟", u"zhangwei@tarnwell.example",
                      u"KESTRANODE_MAIL");
  fake_.SetNote(FakeOutlook::kContactsFolder, u"张伟", u"分机 8021");
  const ProcessResult sync = Sync(6);
  EXPECT_EQ(sync.output, Utf16ToUtf8(u"[Outlook 2013+] 更新了3个联系人\r\n"));
  EXPECT_EQ(sync.exitCode, 0u);
  fake_.Reload();
  EXPECT_EQ(fake_.Contacts(FakeOutlook::kContactsFolder),
            (Lines{u"张伟|zhangwei@tarnwell.example|KESTRANODE_MAIL|分机 8021",
                   u"|noname@tarnwell.example|KESTRANODE_MAIL",
                   u"李娜|lina@tarnwell.example|KESTRANODE_MAIL"}));
}

TEST_F(OutlookSyncProgram, WithoutOutlookTheRunFailsAndIsLogged) {
  fake_.Unregister();
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
