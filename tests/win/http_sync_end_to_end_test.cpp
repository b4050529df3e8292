// The program's "/sync" against the loopback server: the request it sends,
// and what a whole or a cut-short answer leaves on screen, in the log and
// on disk.

// Winsock first: it must come before anything that includes windows.h.
#include "loopback_http_server_win.h"

#include <gtest/gtest.h>
#include <wincrypt.h>

#include "app/password_codec.h"
#include "app/private_profile_win.h"
#include "app/settings_store_win.h"
#include "common/utf_convert.h"
#include "common/win/scoped_handles.h"
#include "http_test_replies.h"
#include "sync/sync_run.h"
#include "win_test_support.h"

namespace {

// "未发现同步任务" and "打开URL失败：": UTF-8 on standard output, the ANSI code
// page (936) in the log.
constexpr char kNoSyncTaskUtf8[] =
    "\xE6\x9C\xAA\xE5\x8F\x91\xE7\x8E\xB0\xE5\x90\x8C\xE6\xAD\xA5\xE4\xBB\xBB\xE5\x8A\xA1";
constexpr char kNoSyncTaskGbk[] = "\xCE\xB4\xB7\xA2\xCF\xD6\xCD\xAC\xB2\xBD\xC8\xCE\xCE\xF1";
constexpr char kOpenUrlFailedUtf8[] =
    "\xE6\x89\x93\xE5\xBC\x80URL\xE5\xA4\xB1\xE8\xB4\xA5\xEF\xBC\x9A";
constexpr char kOpenUrlFailedGbk[] = "\xB4\xF2\xBF\xAAURL\xCA\xA7\xB0\xDC\xA3\xBA";

constexpr char kAnswer[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><addressbooks>"
    "<person Name=\"\xE5\xBC\xA0\xE4\xB8\x89\" E-Mail=\"zhangsan@corp.example\"/>"
    "<person Name=\"\xE6\x9D\x8E\xE5\x9B\x9B\" E-Mail=\"lisi@corp.example\"/>"
    "</addressbooks>";

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The password as another user's (or another program's) protection would
// store it: the same user here, but with other entropy, which the platform
// refuses to undo just the same.
std::string ProtectedElsewhere(std::string secret) {
  char otherEntropy[] = "another program";
  DATA_BLOB in{static_cast<DWORD>(secret.size()), reinterpret_cast<BYTE*>(secret.data())};
  DATA_BLOB entropy{sizeof(otherEntropy) - 1, reinterpret_cast<BYTE*>(otherEntropy)};
  DATA_BLOB out{};
  if (!CryptProtectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                        &out)) {
    return "failed";
  }
  UniqueLocalMemory owner(out.pbData);
  return Utf16ToUtf8(Base64Encode(std::string(reinterpret_cast<char*>(out.pbData), out.cbData)));
}

class HttpSyncEndToEndTest : public testing::Test {
 protected:
  HttpSyncEndToEndTest() : exe_(dir_.File(u"Tarnwell地址簿同步.exe")) {
    CopyFileW(AsWide(HostPath(TW_APP_EXE)), AsWide(exe_), FALSE);
  }

  // By default password "p&ss#1" in the older form: Base64 of its ANSI bytes.
  void WriteSettings(int emailClient, uint16_t port,
                     const std::string& passwordLines = "Password=cCZzcyMx\r\n") {
    WriteFileBytes(dir_.File(u"AddrBookSync.ini"),
                   "[General]\r\nEmailClient=" + std::to_string(emailClient) +
                       "\r\nSyncLevel=1\r\n[Server]\r\nServerHost=127.0.0.1\r\nServerPort=" +
                       std::to_string(port) +
                       "\r\nServerVirtual=mail\r\nAccount=zhang@corp.example\r\n" +
                       passwordLines + "SavePassword=1\r\n");
  }
  ProcessResult Sync() { return RunProgram(exe_, u"/sync"); }
  std::string Log() { return ReadFileBytes(dir_.File(u"syncaddrs.log")); }

  ScratchDir dir_;
  std::u16string exe_;
};

TEST_F(HttpSyncEndToEndTest, WholeAnswerIsFetchedKeptAndParsed) {
  LoopbackHttpServer server({Answer("HTTP/1.1 200 OK", kAnswer, "Content-Type: text/xml\r\n")});
  WriteSettings(-1, server.port());  // no client chosen: nothing to write into
  const ProcessResult r = Sync();

  EXPECT_EQ(r.exitCode, 0u) << r.output;
  EXPECT_EQ(r.output, std::string(kNoSyncTaskUtf8) + "\r\n");
  EXPECT_TRUE(EndsWith(Log(), std::string(" :") + kNoSyncTaskGbk + "\r\n")) << Log();
  EXPECT_NE(ReadFileBytes(dir_.File(u"address.xml")).find("lisi@corp.example"), std::string::npos);

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Target(),
            "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=p%26ss%231&onlydepart=1");
  EXPECT_EQ(requests[0].Header("Pragma"), "no-cache");
}

TEST_F(HttpSyncEndToEndTest, AnswerCutShortFailsAndWritesNothing) {
  std::string cut = kAnswer;
  cut.resize(cut.size() / 2);
  LoopbackHttpServer server(
      {{ResponseHead("HTTP/1.1 200 OK",
                     "Content-Length: " + std::to_string(sizeof(kAnswer) - 1) + "\r\n") +
            cut,
        ReplyEnd::Close}});
  WriteSettings(5, server.port());
  const ProcessResult r = Sync();

  const std::string maskedUrl = "http://127.0.0.1:" + std::to_string(server.port()) +
                                "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=******"
                                "&onlydepart=1";
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.output, kOpenUrlFailedUtf8 + maskedUrl + "\r\n");
  EXPECT_TRUE(EndsWith(Log(), std::string(" :") + kOpenUrlFailedGbk + maskedUrl + "\r\n")) << Log();
  EXPECT_EQ(Log().find("p&ss"), std::string::npos);
  // The run stopped before the copy and the writer: no half address book.
  EXPECT_FALSE(FileExists(dir_.File(u"address.xml")));
  EXPECT_EQ(server.Requests().size(), 1u);
}

}  // namespace

namespace {

TEST_F(HttpSyncEndToEndTest, ProtectedPasswordIsSentAndAnUnreadableOneMeansNone) {
  LoopbackHttpServer server({Ok(kAnswer)});
  const auto ini = dir_.File(u"AddrBookSync.ini");
  SyncSettings s;
  s.EmailClient = -1;
  s.SyncLevel = 1;
  s.ServerPort = server.port();
  s.Account = u"zhang@corp.example";
  s.Password = u"p&ss#1";
  s.SavePassword = 1;
  SaveSettings(ini, s);
  ProcessResult r = Sync();
  EXPECT_EQ(r.exitCode, 0u) << r.output;
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Target(),
            "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=p%26ss%231&onlydepart=1");

  // Damaged (cut, or its signature broken), or protected for someone else.
  const std::string blob =
      Utf16ToUtf8(PrivateProfile(ini).ReadString(u"Server", u"ProtectedPassword", u""));
  ASSERT_GT(blob.size(), 40u);
  std::string signatureBroken = blob;
  signatureBroken[blob.size() - 8] = blob[blob.size() - 8] == 'A' ? 'B' : 'A';
  for (const std::string& stored : {blob.substr(0, blob.size() / 2), signatureBroken,
                                    ProtectedElsewhere("p&ss#1"), std::string("not a blob")}) {
    WriteSettings(5, server.port(), "Password=\r\nProtectedPassword=" + stored + "\r\n");
    const std::string before = ReadFileBytes(ini);
    r = Sync();
    EXPECT_EQ(r.exitCode, 1u) << stored;
    EXPECT_EQ(r.output, Utf16ToUtf8(kNoPasswordText) + "\r\n") << stored;
    EXPECT_EQ(ReadFileBytes(ini), before);
  }
  EXPECT_EQ(server.Requests().size(), 1u);
}

}  // namespace
