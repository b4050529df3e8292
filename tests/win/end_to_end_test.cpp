// Whole runs of the program's "/sync" against a scripted server: the
// outcomes that need no mail client, and two runs that start together.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/utf_convert.h"
#include "http_test_replies.h"
#include "loopback_http_server_win.h"
#include "common/win/scoped_handles.h"
#include "tests/doubles/fake_library_win.h"
#include "win_test_support.h"

#include <sddl.h>

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const std::string kTwoPeople = std::string(kDeclaration) +
                               "<addressbooks><person Name=\"\xE5\xBC\xA0\xE4\xB8\x89\" "
                               "E-Mail=\"zhang@corp.example\"/><person Name=\"Li\" "
                               "E-Mail=\"li@corp.example\"/></addressbooks>";

class EndToEndTest : public testing::Test {
 protected:
  explicit EndToEndTest(ScriptedReply reply = Ok(kTwoPeople))
      : server_([reply](const RecordedRequest&) { return reply; }) {}

  ProcessResult Sync(int client) {
    program_.WriteSettings(client, server_.port());
    return program_.Sync();
  }
  std::string LastLogText() {
    const std::string log = program_.Log();
    const size_t colon = log.find(" :");
    return colon == std::string::npos ? log : log.substr(colon + 2);
  }

  LoopbackHttpServer server_;
  ProgramFolder program_;
};

TEST_F(EndToEndTest, Foxmail56IsRefusedWithoutAnyBoxAndNoClientChosenDoesNothing) {
  for (int client : {4, -1}) {
    const ProcessResult r = Sync(client);
    EXPECT_EQ(r.exitCode, 0u) << client;
    EXPECT_EQ(r.output, Utf16ToUtf8(u"未发现同步任务\r\n")) << client;
  }
  // The answer was fetched and kept each time.
  EXPECT_EQ(server_.Requests().size(), 2u);
  EXPECT_EQ(ReadFileBytes(program_.File(u"address.xml")), kTwoPeople);
}

class ServerErrorTest : public EndToEndTest {
 protected:
  ServerErrorTest()
      : EndToEndTest(Ok(std::string(kDeclaration) +
                        "<error>\xE5\xB8\x90\xE5\x8F\xB7\xE6\x88\x96\xE5\xAF\x86\xE7\xA0\x81"
                        "\xE9\x94\x99\xE8\xAF\xAF</error>")) {}
};

TEST_F(ServerErrorTest, WrongPasswordEndsWithTheServersText) {
  const ProcessResult r = Sync(5);
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.output, Utf16ToUtf8(u"帐号或密码错误\r\n"));
  // In the log, in code page 936.
  EXPECT_EQ(LastLogText(), "\xD5\xCA\xBA\xC5\xBB\xF2\xC3\xDC\xC2\xEB\xB4\xED\xCE\xF3\r\n");
}

// A server's error text is the server's to choose, but the log line, the
// output and every box stay one line, and of a sensible length.
TEST(ServerErrorTextTest, NeitherForgesLogLinesNorFloodsThem) {
  const std::string forged = "bad\r\n2026-01-01 00:00:00 :" + Utf16ToUtf8(u"[Foxmail 7.x] 更新了1个联系人") + "\r\x01.";
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
  EXPECT_EQ(first.output, "bad  2026-01-01 00:00:00 :" + Utf16ToUtf8(u"[Foxmail 7.x] 更新了1个联系人") + "  .\r\n");
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
    EXPECT_EQ(r.output, Utf16ToUtf8(u"打开URL失败：") + "http://127.0.0.1:" +
                            std::to_string(server.port()) +
                            "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=******"
                            "&onlydepart=0\r\n")
        << pause;
    EXPECT_FALSE(FileExists(program.File(u"address.xml"))) << pause;
  }
}

class UnparsableAnswerTest : public EndToEndTest {
 protected:
  UnparsableAnswerTest()
      : EndToEndTest(Ok(std::string(kDeclaration) + "<addressbooks><person Name=\"a&nbsp;b\"/>")) {}
};

TEST_F(UnparsableAnswerTest, UnknownEntityIsAParseFailureNotACrash) {
  const ProcessResult r = Sync(5);
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.output, Utf16ToUtf8(u"解析XML失败\r\n"));
}

class ChunkedCutTest : public EndToEndTest {
 protected:
  // The answer but its last 40 bytes, in chunks; then the connection drops
  // before the final zero-length chunk.
  ChunkedCutTest() : EndToEndTest(CutReply(kTwoPeople.substr(0, kTwoPeople.size() - 40))) {}
  static ScriptedReply CutReply(const std::string& cut) {
    return {ResponseHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") +
                ChunkedBody({cut.substr(0, 100), cut.substr(100)}, false),
            ReplyEnd::Reset};
  }
};

TEST_F(ChunkedCutTest, ADownloadCutShortNeverReachesTheWriter) {
  const ProcessResult r = Sync(5);  // Foxmail 7, not installed: the writer would say so
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.output, Utf16ToUtf8(u"打开URL失败：") + "http://127.0.0.1:" +
                          std::to_string(server_.port()) +
                          "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=******"
                          "&onlydepart=0\r\n");
  // When the platform reports the cut as the end of the data, the copy keeps
  // what arrived, for whoever looks into the failure; when it reports the
  // reset as a failed read (it may, on a busy machine), nothing is kept.
  // Either way no partial book is ever taken for a whole one.
  const std::string copy = ReadFileBytes(program_.File(u"address.xml"));
  EXPECT_TRUE(copy.empty() || copy == kTwoPeople.substr(0, kTwoPeople.size() - 40)) << copy;
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

// The run lock is the user's own, by name: a run that cannot have it within
// its bound (shortened here), or cannot open it at all because someone made
// the name for themselves only, fails with its text and touches nothing; it
// never takes another name instead.
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
  const struct {
    const char* what;
    const wchar_t* access;  // null: as the program makes it
    const char16_t* expected;
  } cases[] = {
      {"held by another run", nullptr, u"等待另一个同步结束超过30分钟，本次未同步\r\n"},
      {"made by someone else for SYSTEM only", L"D:P(A;;GA;;;SY)",
       u"无法取得同步锁，本次未同步\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (c.access) {
      ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(c.access, SDDL_REVISION_1,
                                                                       &descriptor, nullptr));
    }
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
