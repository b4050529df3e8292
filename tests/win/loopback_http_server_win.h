#pragma once
// A scripted HTTP server on 127.0.0.1 for tests: it answers each request
// with exactly the bytes a test hands it, misbehaving where asked (dropped
// or reset connections, stalls), and records every request. It listens on
// a free port from construction until Stop() or destruction.

#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "common/win/scoped_handles.h"

struct RecordedRequest {
  std::string requestLine;                                   // "GET /path?query HTTP/1.1"
  std::vector<std::pair<std::string, std::string>> headers;  // in arrival order
  int connection = 0;                                        // which accepted connection, from 1
  bool reusedConnection = false;  // an earlier request came on the same one

  // The value of the first header of that name (any case), if there is one.
  std::optional<std::string> Header(std::string_view name) const;
  std::string Target() const;  // the path and query of the request line
};

enum class ReplyEnd {
  KeepAlive,  // wait for the next request on the same connection
  Close,      // close the connection gracefully
  Reset,      // abort the connection (the client sees a reset)
  Stall,      // keep the connection open and silent until the server stops or the client closes
};

struct ScriptedReply {
  std::string bytes;  // sent exactly as given: status line, headers, body
  ReplyEnd end = ReplyEnd::KeepAlive;
  // Then these, `trickleBytes` at a time every `trickleEvery`: a slow link.
  std::string trickle = {};
  size_t trickleBytes = 1;
  std::chrono::milliseconds trickleEvery{0};
};

class LoopbackHttpServer {
 public:
  using Script = std::function<ScriptedReply(const RecordedRequest&)>;

  // Every request gets the reply that `script` makes for it. The script runs
  // on the server's threads.
  explicit LoopbackHttpServer(Script script);
  // The n-th request gets replies[n]; later ones get the last reply again.
  explicit LoopbackHttpServer(std::vector<ScriptedReply> replies);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // Closes every connection, stalled ones too, and waits for the threads.
  void Stop();

  bool listening() const { return port_ != 0; }
  uint16_t port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `pathAndQuery`.
  std::u16string Url(std::u16string_view pathAndQuery) const;
  std::vector<RecordedRequest> Requests() const;
  size_t MostConnectionsAtOnce() const;

 private:
  void AcceptLoop();
  void Serve(UniqueSocket connection, int number);
  bool SendAll(SOCKET s, std::string_view bytes);
  bool SendTrickle(SOCKET s, const ScriptedReply& reply);
  std::optional<std::string> ReceiveHead(SOCKET s, std::string& pending);
  void HoldOpen(SOCKET s);

  WinsockSession winsock_ = StartWinsock();
  Script script_;
  std::mutex scriptMutex_;  // scripts may keep state; connections run in parallel
  UniqueSocket listener_;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  std::vector<RecordedRequest> requests_;
  size_t open_ = 0;
  size_t mostOpen_ = 0;
  std::vector<std::thread> connectionThreads_;
  std::thread acceptThread_;
};
