// Whole runs of the program's "/sync" against a scripted server on
// loopback: with each mail client chosen, the answer written into Foxmail
// 7's address folder (read back with the folder tool) or into the fakes of
// the address-book library and of Outlook (whose entries a state file
// carries between this process and the program); the outcomes that need
// no mail client; two runs that start together.

// First: the server's header brings winsock2.h, which must precede windows.h.
#include "loopback_http_server_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "common/utf_convert.h"
#include "foxmail7/foxmail7_test_support_win.h"
#include "http_test_replies.h"
#include "tests/doubles/fake_outlook_control.h"
#include "tests/doubles/fake_outlook_server_control.h"
#include "tests/doubles/fake_wab_control.h"
#include "win_test_support.h"

#include <sddl.h>

namespace {

using Lines = std::vector<std::u16string>;

class SyncProgram : public testing::Test {
 protected:
  ProcessResult Sync(int emailClient) {
    program_.WriteSettings(emailClient, server_.port());
    return program_.Sync();
  }

  // The log's last text, after its time stamp.
  std::string LastLogText() {
    const std::string log = program_.Log();
    const size_t colon = log.find(" :");
    return colon == std::string::npos ? log : log.substr(colon + 2);
  }

  ScriptedReply reply_ = Ok(kThreeColleagues);  // to every request
  LoopbackHttpServer server_{[this](const RecordedRequest&) { return reply_; }};
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
  std::string book = "<?xml version=\"1.0\" encoding=\"utf-8\"?><addressbooks>";
  for (int k = 1; k <= 70000; ++k) {
    const std::string n = std::to_string(k);
    book += "<person Name=\"P" + n + "\" E-Mail=\"p" + n + "@tarnwell.example\"/>";
  }
  reply_ = Ok(book + "</addressbooks>");
  const ProcessResult sync = Sync(5);
  EXPECT_EQ(
      Utf16ToUtf8(u"[Foxmail 7.x] 更新了65535个联系人（Foxmail 7最多保存65535个，共70000个）\r\n"),
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

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const std::string kTwoPeople = std::string(kDeclaration) +
                               "<addressbooks><person Name=\"\xE5\xBC\xA0\xE4\xB8\x89\" "
                               "E-Mail=\"zhang@corp.example\"/><person Name=\"Li\" "
                               "E-Mail=\"li@corp.example\"/></addressbooks>";

TEST_F(SyncProgram, Foxmail56IsRefusedWithoutAnyBoxAndNoClientChosenDoesNothing) {
  for (int client : {4, -1}) {
    const ProcessResult r = Sync(client);
    EXPECT_EQ(r.exitCode, 0u) << client;
    EXPECT_EQ(r.output, Utf16ToUtf8(u"未发现同步任务\r\n")) << client;
  }
  // The answer was fetched and kept each time.
  EXPECT_EQ(server_.Requests().size(), 2u);
  EXPECT_EQ(ReadFileBytes(program_.File(u"address.xml")), kThreeColleagues);
}

TEST_F(SyncProgram, WrongPasswordEndsWithTheServersText) {
  reply_ = Ok(std::string(kDeclaration) + "<error>" + Utf16ToUtf8(u"帐号或密码错误") + "</error>");
  const ProcessResult r = Sync(5);
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.output, Utf16ToUtf8(u"帐号或密码错误\r\n"));
  // In the log, in code page 936.
  EXPECT_EQ(LastLogText(), "\xD5\xCA\xBA\xC5\xBB\xF2\xC3\xDC\xC2\xEB\xB4\xED\xCE\xF3\r\n");
}

// A server's error text is the server's to choose, but the log line, the
// output and every box stay one line, and of a sensible length.
TEST(ServerErrorTextTest, NeitherForgesLogLinesNorFloodsThem) {
  const std::string forged =
      "bad\r\n2026-01-01 00:00:00 :" + Utf16ToUtf8(u"[Foxmail 7.x] 更新了1个联系人") + "\r\x01.";
  std::string flood;
  for (int i = 0; i < 499; ++i) flood += Utf16ToUtf8(u"错");
  while (flood.size() < 200 * 1024) flood += Utf16ToUtf8(u"\U0001F600");
  LoopbackHttpServer server(
      std::vector<ScriptedReply>{Ok(std::string(kDeclaration) + "<error>" + forged + "</error>"),
                                 Ok(std::string(kDeclaration) + "<error>" + flood + "</error>")});
  ProgramFolder program;
  program.WriteSettings(5, server.port());

  const ProcessResult first = program.Sync();
  EXPECT_EQ(first.exitCode, 1u);
  EXPECT_EQ(first.output, "bad  2026-01-01 00:00:00 :" +
                              Utf16ToUtf8(u"[Foxmail 7.x] 更新了1个联系人") + "  .\r\n");
  // 500 characters, the last a pair of UTF-16 units, then the mark.
  const ProcessResult second = program.Sync();
  EXPECT_EQ(second.exitCode, 1u);
  EXPECT_EQ(second.output, flood.substr(0, 499 * 3 + 4) + Utf16ToUtf8(u"…") + "\r\n");

  const std::string log = program.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log.substr(0, 400);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\r'), 2) << log.substr(0, 400);
  EXPECT_EQ(log.find("\n2026-01-01"), std::string::npos);
  EXPECT_LT(log.size(), 2000u);
}

// A peer that accepts the request and closes without a status line, at
// once or after a pause shorter than the time-out, never answered.
TEST(NoAnswerTest, AConnectionClosedWithoutAStatusLineIsAFailedDownload) {
  for (DWORD pause : {0, 2000}) {
    LoopbackHttpServer server([pause](const RecordedRequest&) {
      if (pause) Sleep(pause);  // the peer's own dawdling
      return ScriptedReply{"", ReplyEnd::Close};
    });
    ProgramFolder program;
    program.WriteSettings(5, server.port());
    const ProcessResult r = program.Sync();
    EXPECT_EQ(r.exitCode, 1u) << pause;
    EXPECT_EQ(r.output, Utf16ToUtf8(u"打开URL失败：") +
                            "http://127.0.0.1:" + std::to_string(server.port()) +
                            "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=******"
                            "&onlydepart=0\r\n")
        << pause;
    EXPECT_FALSE(FileExists(program.File(u"address.xml"))) << pause;
  }
}

TEST_F(SyncProgram, UnknownEntityIsAParseFailureNotACrash) {
  reply_ = Ok(std::string(kDeclaration) + "<addressbooks><person Name=\"a&nbsp;b\"/>");
  const ProcessResult r = Sync(5);
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.output, Utf16ToUtf8(u"解析XML失败\r\n"));
}

TEST_F(SyncProgram, ADownloadCutShortNeverReachesTheWriter) {
  // The answer but its last 40 bytes, in chunks; then the connection drops
  // before the final zero-length chunk.
  const std::string cut = kTwoPeople.substr(0, kTwoPeople.size() - 40);
  reply_ = {ResponseHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") +
                ChunkedBody({cut.substr(0, 100), cut.substr(100)}, false),
            ReplyEnd::Reset};
  const ProcessResult r = Sync(5);  // Foxmail 7, not installed: the writer would say so
  EXPECT_EQ(r.exitCode, 1u);
  // The run's own check, or the platform's failed read.
  const std::string failed = Utf16ToUtf8(u"打开URL失败：") +
                             "http://127.0.0.1:" + std::to_string(server_.port()) +
                             "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=******"
                             "&onlydepart=0";
  EXPECT_TRUE(r.output == failed + Utf16ToUtf8(u"（答复不完整）\r\n") ||
              r.output == failed + Utf16ToUtf8(u"（连接被中断）\r\n"))
      << r.output;
  // When the platform reports the cut as the end of the data, the copy keeps
  // what arrived, for whoever looks into the failure; when it reports the
  // reset as a failed read (it may, on a busy machine), nothing is kept.
  // Either way no partial book is ever taken for a whole one.
  const std::string copy = ReadFileBytes(program_.File(u"address.xml"));
  EXPECT_TRUE(copy.empty() || copy == cut) << copy;
}

// Two programs started together: the second run's request reaches the
// server only after the first run has ended.
TEST(RunLockTest, TwoProgramsNeverSyncAtTheSameTime) {
  std::mutex m;
  std::condition_variable changed;
  int inFlight = 0;
  int maxInFlight = 0;
  int served = 0;
  LoopbackHttpServer server([&](const RecordedRequest&) {
    std::unique_lock lock(m);
    maxInFlight = std::max(maxInFlight, ++inFlight);
    changed.notify_all();
    // Hold the answer until a second request overlaps or the deadline
    // passes; serialised runs never overlap, so they take the deadline.
    changed.wait_for(lock, std::chrono::seconds(3), [&] { return inFlight > 1; });
    --inFlight;
    ++served;
    return Ok(kTwoPeople);
  });
  ProgramFolder a;
  ProgramFolder b;
  a.WriteSettings(-1, server.port());
  b.WriteSettings(-1, server.port());
  ProcessResult ra;
  std::thread other([&] { ra = a.Sync(); });
  const ProcessResult rb = b.Sync();
  other.join();
  EXPECT_EQ(ra.exitCode, 0u);
  EXPECT_EQ(rb.exitCode, 0u);
  EXPECT_EQ(served, 2);
  EXPECT_EQ(maxInFlight, 1);
}

// The run lock is the user's own: a run that cannot have it within its
// bound (shortened here) fails with its text and touches nothing. Wine has
// no private namespaces, so the program names the lock after the user's SID
// there, where another user could make the name first: a name somebody else
// made, or one the user cannot open, is refused at once, never waited for.
TEST(RunLockTest, ARunThatCannotHaveTheUsersRunLockFailsAndChangesNothing) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  UniqueHandle ownedToken(token);
  alignas(TOKEN_USER) unsigned char user[256];
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof user, &size));
  wchar_t* sid = nullptr;
  ASSERT_TRUE(ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid));
  UniqueLocalMemory ownedSid(sid);
  const std::u16string name = u"Global\\TarnwellAddrBookSync.Run." + FromWide(sid);

  LoopbackHttpServer server([](const RecordedRequest&) { return Ok(kTwoPeople); });
  ProgramFolder program;
  program.WriteSettings(-1, server.port());
  ScopedEnvironmentVariable bound{u"TW_TEST_RUN_LOCK_WAIT_MS", u"1000"};
  const std::u16string own = u"O:" + FromWide(sid) + u"D:P(A;;GA;;;" + FromWide(sid) + u")";
  const struct {
    const char* what;
    std::u16string access;
    const char16_t* expected;
  } cases[] = {
      {"held by another run", own, u"等待另一个同步结束超过30分钟，本次未同步\r\n"},
      {"made by someone else, open to all", u"O:S-1-5-21-1-2-3-4D:(A;;GA;;;WD)",
       u"无法取得同步锁，本次未同步\r\n"},
      {"made for SYSTEM only", u"D:P(A;;GA;;;SY)", u"无法取得同步锁，本次未同步\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        AsWide(c.access), SDDL_REVISION_1, &descriptor, nullptr));
    UniqueLocalMemory ownedDescriptor(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    UniqueHandle held(CreateMutexW(&attributes, TRUE, AsWide(name)));
    ASSERT_TRUE(held);
    const ProcessResult r = program.Sync();
    EXPECT_EQ(r.output, Utf16ToUtf8(c.expected));
    EXPECT_EQ(r.exitCode, 1u);
    ReleaseMutex(held.get());
  }
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_FALSE(FileExists(program.File(u"address.xml")));
}

}  // namespace
