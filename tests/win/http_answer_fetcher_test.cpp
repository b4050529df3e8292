// The run's fetcher: whole answers with their framing, and the watchdog
// that gives up a fetch the platform never ends.

// Winsock first: it must come before anything that includes windows.h.
#include "loopback_http_server_win.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <thread>

#include "common/utf_convert.h"
#include "http_test_replies.h"
#include "net/http_answer_fetcher_win.h"
#include "net/socket_io_cancel_win.h"

namespace {

using namespace std::chrono_literals;

TEST(HttpAnswerFetcherTest, TellsWhetherTheLengthWasAnnounced) {
  LoopbackHttpServer server(std::vector<ScriptedReply>{
      Ok("<a/>"),
      {ResponseHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") + ChunkedBody({"<a/>"}),
       ReplyEnd::KeepAlive}});
  HttpAnswerFetcher fetcher;
  FetchResult r = fetcher.Fetch(server.Url(u"/mail/addresssync.asp"));
  EXPECT_EQ(r.status, FetchStatus::Ok);
  EXPECT_EQ(r.body.Utf8(), "<a/>");
  EXPECT_TRUE(r.lengthAnnounced);
  r = fetcher.Fetch(server.Url(u"/mail/addresssync.asp"));
  EXPECT_EQ(r.status, FetchStatus::Ok);
  EXPECT_EQ(r.body.Utf8(), "<a/>");
  EXPECT_FALSE(r.lengthAnnounced);
}

// A peer that accepts and never speaks TLS: Wine's handshake ignores the
// client's time-outs, so only the watchdog ends the fetch.
TEST(HttpAnswerFetcherTest, AStalledTlsHandshakeIsGivenUp) {
  LoopbackHttpServer silent([](const RecordedRequest&) {
    return ScriptedReply{"", ReplyEnd::Stall};
  });
  HttpAnswerFetcher fetcher(500ms, 2s);
  std::u16string url = silent.Url(u"/mail/addresssync.asp");
  url.replace(0, 4, u"https");
  const auto start = std::chrono::steady_clock::now();
  const FetchResult r = fetcher.Fetch(url);
  EXPECT_NE(r.status, FetchStatus::Ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
}

// Progress keeps a fetch going, for so long: a slow but steady link is read
// to its end, however large the client's reads, and a trickle without end
// is given up at the download's bound.
TEST(HttpAnswerFetcherTest, ASlowLinkIsReadAndATrickleEndsInTime) {
  const std::string body(1200, 'a');  // 100 bytes every 150 ms: 1.8 s
  const std::string fast(4 << 20, 'a');
  struct Case {
    const char* what;
    ScriptedReply reply;
    size_t kept;
  } const cases[] = {
      {"slow but steady",
       {ResponseHead("HTTP/1.1 200 OK", "Content-Length: 1200\r\n"), ReplyEnd::KeepAlive, body, 100,
        150ms},
       body.size()},
      {"slow after a fast start",
       {ResponseHead("HTTP/1.1 200 OK",
                     "Content-Length: " + std::to_string(fast.size() + body.size()) + "\r\n") +
            fast,
        ReplyEnd::KeepAlive, body, 100, 150ms},
       fast.size() + body.size()},
      {"a trickle without end",
       {ResponseHead("HTTP/1.1 200 OK"), ReplyEnd::Close, std::string(100'000, 'a'), 1, 100ms},
       0},
  };
  constexpr auto kDownloadLimit = 5s;
  for (const Case& c : cases) {
    LoopbackHttpServer server({c.reply});
    HttpAnswerFetcher fetcher(1500ms, 1s, kDownloadLimit);
    const auto start = std::chrono::steady_clock::now();
    const FetchResult r = fetcher.Fetch(server.Url(u"/mail/addresssync.asp"));
    EXPECT_EQ(r.status == FetchStatus::Ok, c.kept != 0) << c.what;
    EXPECT_EQ(r.body.size(), c.kept) << c.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, kDownloadLimit + 5s) << c.what;
  }
}

int ThreadsOfThisProcess() {
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  return count;
}

// A peer that the system accepts and that never reads or writes: a socket
// that listens and never takes a connection. It has no threads of its own.
class MutePeer {
 public:
  MutePeer() {
    listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_.get(), SOMAXCONN);
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  uint16_t port() const { return port_; }
  std::u16string HttpsUrl() const {
    return u"https://127.0.0.1:" + AsciiToUtf16(std::to_string(port_)) + u"/mail/addresssync.asp";
  }

 private:
  WinsockSession winsock_ = StartWinsock();  // first in, last out
  UniqueSocket listener_;
  uint16_t port_ = 0;
};

// The cancel that ends a given-up fetch under Wine is aimed at the server's
// port: another connection's pending read is left alone.
TEST(HttpAnswerFetcherTest, SocketCancelLeavesOtherPortsAlone) {
  struct PendingRead {
    explicit PendingRead(uint16_t port) {
      overlapped.hEvent = event.get();
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(port);
      connected =
          connect(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
      WSABUF buffer{1, &byte};
      DWORD flags = 0;
      WSARecv(socket.get(), &buffer, 1, nullptr, &flags, &overlapped, nullptr);
    }
    // Declared first, destroyed last: the socket ends its read first.
    WSAOVERLAPPED overlapped{};
    UniqueHandle event{WSACreateEvent()};
    UniqueSocket socket{::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)};
    char byte = 0;
    bool connected = false;
  };
  MutePeer server;
  MutePeer other;
  PendingRead cancelled(server.port());
  PendingRead leftAlone(other.port());
  ASSERT_TRUE(cancelled.connected && leftAlone.connected);

  EXPECT_EQ(CancelSocketIoToPort(server.port()), 1);
  ASSERT_EQ(WaitForSingleObject(cancelled.event.get(), 10'000), WAIT_OBJECT_0);
  DWORD transferred = 0;
  DWORD flags = 0;
  EXPECT_FALSE(WSAGetOverlappedResult(cancelled.socket.get(), &cancelled.overlapped, &transferred,
                                      FALSE, &flags));
  EXPECT_EQ(WSAGetLastError(), WSA_OPERATION_ABORTED);
  EXPECT_EQ(WaitForSingleObject(leftAlone.event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// Giving up a fetch ends its thread: twenty of them in one process (a
// resident program stalled on twenty days) leave the thread count where it
// was.
TEST(HttpAnswerFetcherTest, GivenUpFetchesLeaveNoThreadBehind) {
  MutePeer peer;
  HttpAnswerFetcher fetcher(60s, 200ms);  // the client's own time-outs never come
  // The platform starts its helper threads once, on first use.
  EXPECT_NE(fetcher.Fetch(peer.HttpsUrl()).status, FetchStatus::Ok);
  const int before = ThreadsOfThisProcess();
  for (int i = 0; i < 20; ++i) EXPECT_NE(fetcher.Fetch(peer.HttpsUrl()).status, FetchStatus::Ok);
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  int now = ThreadsOfThisProcess();
  while (now > before && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);  // between two looks at the thread list
    now = ThreadsOfThisProcess();
  }
  EXPECT_LE(now, before);
}

}  // namespace
