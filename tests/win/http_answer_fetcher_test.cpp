// The run's fetcher: whole answers with their framing, and the watchdog
// that gives up a fetch the platform never ends.

#include <gtest/gtest.h>

#include "http_test_replies.h"
#include "loopback_http_server_win.h"
#include "net/http_answer_fetcher_win.h"

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
  EXPECT_EQ(r.body, u"<a/>");
  EXPECT_TRUE(r.lengthAnnounced);
  r = fetcher.Fetch(server.Url(u"/mail/addresssync.asp"));
  EXPECT_EQ(r.status, FetchStatus::Ok);
  EXPECT_EQ(r.body, u"<a/>");
  EXPECT_FALSE(r.lengthAnnounced);
}

// A peer that accepts and never speaks TLS: Wine's handshake ignores the
// client's time-outs, so only the watchdog ends the fetch.
TEST(HttpAnswerFetcherTest, AStalledTlsHandshakeIsGivenUp) {
  LoopbackHttpServer silent([](const RecordedRequest&) { return ScriptedReply{"", ReplyEnd::Stall}; });
  HttpAnswerFetcher fetcher(500ms, 2s);
  std::u16string url = silent.Url(u"/mail/addresssync.asp");
  url.replace(0, 4, u"https");
  const auto start = std::chrono::steady_clock::now();
  const FetchResult r = fetcher.Fetch(url);
  EXPECT_NE(r.status, FetchStatus::Ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
}

}  // namespace
