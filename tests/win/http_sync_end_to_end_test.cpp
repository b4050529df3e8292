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
#include "net/http_client_win.h"
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

// kAnswer as gzip sends it: Python's gzip.compress(kAnswer, 9, mtime=0).
constexpr char kAnswerGzip[] =
    "\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\xB3\xB1\xAF\xC8\xCD\x51\x28\x4B\x2D\x2A\xCE\xCC"
    "\xCF\xB3\x55\x32\xD4\x33\x50\x52\x48\xCD\x4B\xCE\x4F\xC9\xCC\x4B\xB7\x55\x2A\x2D\x49\xD3"
    "\xB5\x50\xB2\xB7\xB3\x49\x4C\x49\x29\x4A\x2D\x2E\x4E\xCA\xCF\xCF\x2E\xB6\xB3\x29\x00\x2A"
    "\xCF\xCF\x53\xF0\x4B\xCC\x4D\xB5\x55\x7A\xBA\x67\xC1\x93\x1D\x9D\x4A\x0A\xAE\xBA\xBE\x89"
    "\x99\x39\xB6\x4A\x55\x19\x89\x79\xE9\xC5\x89\x79\x0E\xC9\xF9\x45\x05\x7A\xA9\x15\x89\xB9"
    "\x05\x39\xA9\x4A\xFA\x68\xBA\x9E\xCD\xED\x7B\x3A\x7B\x36\x42\x57\x4E\x66\x71\x26\x86\x0E"
    "\x7D\x14\x6B\x01\x76\x73\x35\xF3\xAB\x00\x00\x00";
const std::string kGzipped(kAnswerGzip, sizeof(kAnswerGzip) - 1);
constexpr char kGzipHeaders[] = "Content-Type: text/xml\r\nContent-Encoding: gzip\r\n";

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
  // By default password "p&ss#1" in the older form: Base64 of its ANSI bytes.
  void WriteSettings(int emailClient, uint16_t port,
                     const std::string& passwordLines = "Password=cCZzcyMx\r\n") {
    program_.WriteSettings(emailClient, port, "SyncLevel=1\r\n", passwordLines);
  }

  ProgramFolder program_;
};

TEST_F(HttpSyncEndToEndTest, WholeAnswerIsFetchedKeptAndParsedCompressedOrNot) {
  // A server that ignores Accept-Encoding, and one that compresses.
  for (const ScriptedReply& reply :
       {Answer("HTTP/1.1 200 OK", kAnswer, "Content-Type: text/xml\r\n"),
        Answer("HTTP/1.1 200 OK", kGzipped, kGzipHeaders)}) {
    LoopbackHttpServer server({reply});
    WriteSettings(-1, server.port());  // no client chosen: nothing to write into
    DeleteFileW(AsWide(program_.File(u"address.xml")));
    const ProcessResult r = program_.Sync();

    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_EQ(r.output, std::string(kNoSyncTaskUtf8) + "\r\n");
    EXPECT_TRUE(program_.Log().ends_with(std::string(" :") + kNoSyncTaskGbk + "\r\n"))
        << program_.Log();
    EXPECT_EQ(ReadFileBytes(program_.File(u"address.xml")), kAnswer);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Target(),
              "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=p%26ss%231&onlydepart=1");
    EXPECT_EQ(requests[0].Header("Pragma"), "no-cache");
    EXPECT_EQ(requests[0].Header("Accept-Encoding"), "gzip, deflate");
  }
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
  const ProcessResult r = program_.Sync();

  const std::string maskedUrl = "http://127.0.0.1:" + std::to_string(server.port()) +
                                "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=******"
                                "&onlydepart=1";
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.output, kOpenUrlFailedUtf8 + maskedUrl + Utf16ToUtf8(u"（答复不完整）\r\n"));
  EXPECT_TRUE(
      program_.Log().ends_with(std::string(" :") + kOpenUrlFailedGbk + maskedUrl +
                               "\xA3\xA8\xB4\xF0\xB8\xB4\xB2\xBB\xCD\xEA\xD5\xFB\xA3\xA9\r\n"))
      << program_.Log();
  EXPECT_EQ(program_.Log().find("p&ss"), std::string::npos);
  // The run stopped before the copy and the writer: no half address book.
  EXPECT_FALSE(FileExists(program_.File(u"address.xml")));
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(HttpSyncEndToEndTest, CompressedAnswerCutShortCorruptOrTooLargeFails) {
  const std::string half = kGzipped.substr(0, kGzipped.size() / 2);
  std::string badCheck = kGzipped;
  badCheck[badCheck.size() - 6] ^= 0x01;  // the CRC of the decoded text
  std::string badBlock = kGzipped;
  badBlock[10] |= 0x06;  // the first block's type becomes the reserved one
  const std::string length = "Content-Length: " + std::to_string(kGzipped.size()) + "\r\n";
  struct Case {
    const char* what;
    ScriptedReply reply;
    std::u16string why;
  } const cases[] = {
      {"cut short",
       {ResponseHead("HTTP/1.1 200 OK", kGzipHeaders + length) + half, ReplyEnd::Close},
       u"（答复不完整）"},
      {"cut short, no length",
       {ResponseHead("HTTP/1.1 200 OK", kGzipHeaders) + half, ReplyEnd::Close},
       u"（答复不完整）"},
      {"wrong check", Answer("HTTP/1.1 200 OK", badCheck, kGzipHeaders, ReplyEnd::Close),
       u"（答复无法解压）"},
      {"bad block", Answer("HTTP/1.1 200 OK", badBlock, kGzipHeaders, ReplyEnd::Close),
       u"（答复无法解压）"},
      // A few megabytes that inflate past what a run keeps: malformed bytes
      // are kept as three each.
      {"600 MiB of malformed UTF-8",
       Answer("HTTP/1.1 200 OK", GzipOfRepeatedByte(0xFF, (600u << 20) / 258), kGzipHeaders),
       u"（答复超过256MB）"},
      {"1 GiB of blanks",
       Answer("HTTP/1.1 200 OK", GzipOfRepeatedByte(' ', (1u << 30) / 258), kGzipHeaders),
       u"（答复超过256MB）"},
  };
  for (const Case& c : cases) {
    LoopbackHttpServer server({c.reply});
    WriteSettings(5, server.port());
    DeleteFileW(AsWide(program_.File(u"address.xml")));
    const ProcessResult r = program_.Sync();

    const std::string maskedUrl = "http://127.0.0.1:" + std::to_string(server.port()) +
                                  "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=******"
                                  "&onlydepart=1";
    EXPECT_EQ(r.exitCode, 1u) << c.what;
    EXPECT_EQ(r.output, kOpenUrlFailedUtf8 + maskedUrl + Utf16ToUtf8(c.why) + "\r\n") << c.what;
    EXPECT_FALSE(FileExists(program_.File(u"address.xml"))) << c.what;
  }
}

}  // namespace

namespace {

TEST_F(HttpSyncEndToEndTest, ProtectedPasswordIsSentAndAnUnreadableOneMeansNone) {
  LoopbackHttpServer server({Ok(kAnswer)});
  const auto ini = program_.File(u"AddrBookSync.ini");
  SyncSettings s;
  s.EmailClient = -1;
  s.SyncLevel = 1;
  s.ServerPort = server.port();
  s.Account = u"zhang@corp.example";
  s.Password = u"p&ss#1";
  s.SavePassword = 1;
  ASSERT_TRUE(SaveSettings(ini, s));
  ProcessResult r = program_.Sync();
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
    r = program_.Sync();
    EXPECT_EQ(r.exitCode, 1u) << stored;
    EXPECT_EQ(r.output, Utf16ToUtf8(kNoPasswordText) + "\r\n") << stored;
    EXPECT_EQ(ReadFileBytes(ini), before);
  }
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(HttpSyncEndToEndTest, PolicyAddressMachineOverUserOverOwnAndNothingStored) {
  LoopbackHttpServer server({Ok(kAnswer)});
  const auto ini = program_.File(u"AddrBookSync.ini");
  SyncSettings own{.EmailClient = -1,
                   .ServerPort = server.port(),
                   .Account = u"zhang@corp.example",
                   .Password = u"pw",
                   .SavePassword = 1};
  ASSERT_TRUE(SaveSettings(ini, own));
  const std::string before = ReadFileBytes(ini);
  const auto at = [&](const char16_t* path) { return server.Url(path); };

  PolicyKeys policy;
  ASSERT_TRUE(policy.Set(HKEY_LOCAL_MACHINE, L"WebmailAddress", at(u"/machine")));
  ASSERT_TRUE(policy.Set(HKEY_CURRENT_USER, L"WebmailAddress", at(u"/user")));
  ASSERT_TRUE(policy.Set(HKEY_LOCAL_MACHINE, L"SyncLevel", DWORD{1}));
  ASSERT_TRUE(policy.Set(HKEY_CURRENT_USER, L"SyncLevel", DWORD{2}));  // out of range
  ASSERT_EQ(program_.Sync().exitCode, 0u);
  // Unusable values: the user's policy, then the user's own address.
  ASSERT_TRUE(policy.Set(HKEY_LOCAL_MACHINE, L"WebmailAddress", DWORD{1}));
  ASSERT_EQ(program_.Sync().exitCode, 0u);
  ASSERT_TRUE(policy.Set(HKEY_CURRENT_USER, L"WebmailAddress", at(u"/user?x=1")));
  ASSERT_EQ(program_.Sync().exitCode, 0u);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].Target(),
            "/machine/addresssync.asp?accnt=zhang@corp.example&pwd=pw&onlydepart=1");
  EXPECT_EQ(requests[1].Target(),
            "/user/addresssync.asp?accnt=zhang@corp.example&pwd=pw&onlydepart=1");
  EXPECT_EQ(requests[2].Target(),
            "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=pw&onlydepart=1");
  // Only the mark of the answer kept is written, no value of the policy.
  std::string after = ReadFileBytes(ini);
  const size_t mark = after.find("KeptAnswer=");
  ASSERT_NE(mark, std::string::npos) << after;
  EXPECT_EQ(after.erase(mark, after.find('\n', mark) + 1 - mark), before);

  // A password may not be kept: the saved one goes at start, nothing else.
  ASSERT_TRUE(policy.Set(HKEY_LOCAL_MACHINE, L"SavePassword", DWORD{0}));
  const ProcessResult r = program_.Sync();
  EXPECT_EQ(r.output, Utf16ToUtf8(kNoPasswordText) + "\r\n");
  SyncSettings left = own;
  left.Password.clear();
  EXPECT_EQ(LoadSettings(ini), left);
  EXPECT_EQ(server.Requests().size(), 3u);
}

}  // namespace
