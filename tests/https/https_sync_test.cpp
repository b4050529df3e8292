// The program's "/sync" and CHttpClient against loopback HTTPS servers whose
// certificates come from a test authority: trusted, untrusted, wrong name.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "common/utf_convert.h"
#include "https_test_support_win.h"
#include "net/http_client_win.h"
#include "win_test_support.h"

namespace {

using namespace std::chrono_literals;

constexpr char kQuery[] =
    "/mail/addresssync.asp?accnt=demo@tarnwell-demo.example&pwd=******&onlydepart=0";

std::string Url(const std::string& host, uint16_t port) {
  return "https://" + host + ":" + std::to_string(port) + kQuery;
}

// The page with the real password, for the client itself.
std::u16string PlainUrl(const std::string& host, uint16_t port) {
  std::string url = Url(host, port);
  url.replace(url.find("******"), 6, "demo123");
  return Utf8ToUtf16(url);
}

HttpLastStatus FetchStatusOf(const std::u16string& url, std::u16string& text) {
  CHttpClient client(5s);
  Utf8Repairer body;  // what `text` held stays when no body is read
  (void)body.Append(Utf16ToUtf8(text));
  if (client.OpenUrl(url)) (void)client.ReadBody(body);
  text = Utf8ToUtf16(body.Take());
  return client.lastStatus();
}

bool WaitForAnswered(TestServer server, int count) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (AnsweredRequests(server) < count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

class HttpsSyncTest : public testing::Test {
 protected:
  HttpsSyncTest() : exe_(dir_.File(u"Tarnwell地址簿同步.exe")) {
    CopyFileW(AsWide(HostPath(TW_APP_EXE)), AsWide(exe_), FALSE);
  }

  void SetUp() override {
    ASSERT_NE(ServerPort(TestServer::Trusted), 0) << "HTTPS test servers not running";
    ASSERT_NE(ServerPort(TestServer::Mismatch), 0);
  }

  // No mail client: a run that gets the address book ends in "no task".
  ProcessResult Sync(const std::string& host, uint16_t port) {
    WriteFileBytes(dir_.File(u"AddrBookSync.ini"),
                   "[General]\r\nEmailClient=-1\r\n[Server]\r\nServerScheme=https\r\n"
                   "ServerHost=" +
                       host + "\r\nServerPort=" + std::to_string(port) +
                       "\r\nAccount=demo@tarnwell-demo.example\r\n"
                       "Password=ZGVtbzEyMw==\r\nSavePassword=1\r\n");
    return RunProgram(exe_, u"/sync");
  }

  void ExpectCertificateRefused(const std::string& host, uint16_t port, TestServer server,
                                const std::u16string& why) {
    const int answeredBefore = AnsweredRequests(server);
    const ProcessResult r = Sync(host, port);
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.output, Utf16ToUtf8(u"证书无效：") + Url(host, port) + Utf16ToUtf8(why) + "\r\n");
    EXPECT_FALSE(FileExists(dir_.File(u"address.xml")));
    EXPECT_EQ(ReadFileBytes(dir_.File(u"syncaddrs.log")).find("demo123"), std::string::npos);
    EXPECT_EQ(AnsweredRequests(server), answeredBefore);
  }

  ScratchDir dir_;
  std::u16string exe_;
};

TEST_F(HttpsSyncTest, TrustedAuthoritySyncsEndToEnd) {
  TrustedTestAuthority trust;
  ASSERT_TRUE(trust.added());
  const uint16_t port = ServerPort(TestServer::Trusted);
  const int answeredBefore = AnsweredRequests(TestServer::Trusted);

  // By name: Wine matches only the DNS names of a certificate, not its
  // IP addresses.
  const ProcessResult r = Sync("localhost", port);
  EXPECT_EQ(r.exitCode, 0u) << r.output;
  EXPECT_EQ(r.output, Utf16ToUtf8(u"未发现同步任务\r\n"));
  EXPECT_NE(ReadFileBytes(dir_.File(u"address.xml")).find("<addressbooks>"), std::string::npos);
  EXPECT_TRUE(WaitForAnswered(TestServer::Trusted, answeredBefore + 1));

  std::u16string text;
  EXPECT_EQ(FetchStatusOf(PlainUrl("localhost", port), text), HttpLastStatus::Success);
  EXPECT_NE(text.find(u"赵峰"), std::u16string::npos);
}

TEST_F(HttpsSyncTest, UntrustedAuthorityFailsWithCertificateText) {
  ASSERT_TRUE(TrustedTestAuthority::Remove());
  const uint16_t port = ServerPort(TestServer::Trusted);
  // Wine reports an unknown authority as a failed revocation check.
  ExpectCertificateRefused("127.0.0.1", port, TestServer::Trusted, u"（无法检查证书是否已被吊销）");

  std::u16string text = u"kept";
  EXPECT_EQ(FetchStatusOf(PlainUrl("localhost", port), text), HttpLastStatus::CertificateInvalid);
  EXPECT_EQ(text, u"kept");
}

TEST_F(HttpsSyncTest, NameMismatchFailsAlthoughTheAuthorityIsTrusted) {
  TrustedTestAuthority trust;
  ASSERT_TRUE(trust.added());
  const uint16_t port = ServerPort(TestServer::Mismatch);
  ExpectCertificateRefused("localhost", port, TestServer::Mismatch, u"（证书与服务器名称不符）");

  std::u16string text;
  EXPECT_EQ(FetchStatusOf(PlainUrl("127.0.0.1", port), text), HttpLastStatus::CertificateInvalid);
}

}  // namespace
