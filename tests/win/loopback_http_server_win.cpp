#include "loopback_http_server_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>

#include "common/utf_convert.h"

namespace {

// How long a blocked socket wait lasts before the stop flag is looked at.
constexpr long kPollMicroseconds = 20'000;
constexpr size_t kSendSlice = 64 * 1024;
constexpr size_t kMaxHeadBytes = 1 << 20;

enum class Ready { Yes, No, Failed };

Ready WaitFor(SOCKET s, bool forWriting) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait{0, kPollMicroseconds};
  const int n = forWriting ? select(0, nullptr, &set, nullptr, &wait)
                           : select(0, &set, nullptr, nullptr, &wait);
  if (n < 0) return Ready::Failed;
  return n > 0 ? Ready::Yes : Ready::No;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

RecordedRequest ParseHead(const std::string& head) {
  RecordedRequest request;
  size_t lineStart = 0;
  bool first = true;
  while (lineStart < head.size()) {
    size_t lineEnd = head.find("\r\n", lineStart);
    if (lineEnd == std::string::npos) lineEnd = head.size();
    const std::string_view line(head.data() + lineStart, lineEnd - lineStart);
    if (first) {
      request.requestLine = std::string(line);
      first = false;
    } else if (const size_t colon = line.find(':'); colon != std::string_view::npos) {
      request.headers.emplace_back(std::string(Trim(line.substr(0, colon))),
                                   std::string(Trim(line.substr(colon + 1))));
    }
    lineStart = lineEnd + 2;
  }
  return request;
}

}  // namespace

std::optional<std::string> RecordedRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (EqualsIgnoringCase(key, name)) return value;
  }
  return std::nullopt;
}

std::string RecordedRequest::Target() const {
  const size_t start = requestLine.find(' ');
  const size_t end = requestLine.rfind(' ');
  if (start == std::string::npos || end <= start) return {};
  return requestLine.substr(start + 1, end - start - 1);
}

LoopbackHttpServer::LoopbackHttpServer(std::vector<ScriptedReply> replies)
    : LoopbackHttpServer(
          [replies = std::move(replies), next = size_t{0}](const RecordedRequest&) mutable {
            if (replies.empty()) return ScriptedReply{};
            const ScriptedReply& reply = replies[std::min(next, replies.size() - 1)];
            ++next;
            return reply;
          }) {}

LoopbackHttpServer::LoopbackHttpServer(Script script) : script_(std::move(script)) {
  if (!winsock_) return;
  listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!listener_) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof(address);
  if (bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener_.get(), SOMAXCONN) != 0 ||
      getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    listener_.reset();
    return;
  }
  port_ = ntohs(address.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() { Stop(); }

void LoopbackHttpServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  if (acceptThread_.joinable()) acceptThread_.join();
  // No thread is added once the accept loop has ended.
  for (std::thread& t : connectionThreads_) {
    if (t.joinable()) t.join();
  }
  listener_.reset();
}

std::u16string LoopbackHttpServer::Url(std::u16string_view pathAndQuery) const {
  return u"http://127.0.0.1:" + AsciiToUtf16(std::to_string(port_)) + std::u16string(pathAndQuery);
}

std::vector<RecordedRequest> LoopbackHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::AcceptLoop() {
  int accepted = 0;
  while (!stopping_) {
    const Ready ready = WaitFor(listener_.get(), false);
    if (ready == Ready::Failed) return;
    if (ready == Ready::No) continue;
    UniqueSocket connection(accept(listener_.get(), nullptr, nullptr));
    if (!connection) continue;
    const int number = ++accepted;
    std::lock_guard<std::mutex> lock(mutex_);
    connectionThreads_.emplace_back(
        [this, c = std::move(connection), number]() mutable { Serve(std::move(c), number); });
  }
}

std::optional<std::string> LoopbackHttpServer::ReceiveHead(SOCKET s, std::string& pending) {
  for (;;) {
    if (const size_t end = pending.find("\r\n\r\n"); end != std::string::npos) {
      std::string head = pending.substr(0, end);
      pending.erase(0, end + 4);
      return head;
    }
    if (pending.size() > kMaxHeadBytes) return std::nullopt;
    Ready ready = Ready::No;
    while (ready == Ready::No) {
      if (stopping_) return std::nullopt;
      ready = WaitFor(s, false);
    }
    if (ready == Ready::Failed) return std::nullopt;
    char buffer[4096];
    const int n = recv(s, buffer, sizeof(buffer), 0);
    if (n <= 0) return std::nullopt;  // the client closed the connection
    pending.append(buffer, static_cast<size_t>(n));
  }
}

bool LoopbackHttpServer::SendAll(SOCKET s, std::string_view bytes) {
  while (!bytes.empty()) {
    const Ready ready = WaitFor(s, true);
    if (stopping_ || ready == Ready::Failed) return false;
    if (ready == Ready::No) continue;
    const int n = send(s, bytes.data(), static_cast<int>(std::min(bytes.size(), kSendSlice)), 0);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool LoopbackHttpServer::SendTrickle(SOCKET s, const ScriptedReply& reply) {
  for (size_t at = 0; at < reply.trickle.size(); at += reply.trickleBytes) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopped_.wait_for(lock, reply.trickleEvery, [this] { return stopping_.load(); })) {
      return false;
    }
    lock.unlock();
    if (!SendAll(s, std::string_view(reply.trickle).substr(at, reply.trickleBytes))) return false;
  }
  return true;
}

void LoopbackHttpServer::HoldOpen(SOCKET s) {
  char byte;
  for (Ready ready = Ready::No; !stopping_ && ready != Ready::Failed;) {
    ready = WaitFor(s, false);
    if (ready == Ready::Yes && recv(s, &byte, 1, 0) <= 0) return;
  }
}

size_t LoopbackHttpServer::MostConnectionsAtOnce() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mostOpen_;
}

void LoopbackHttpServer::Serve(UniqueSocket connection, int number) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    mostOpen_ = std::max(mostOpen_, ++open_);
  }
  struct Closed {  // counted once the socket is
    LoopbackHttpServer& server;
    UniqueSocket& socket;
    ~Closed() {
      socket.reset();
      std::lock_guard<std::mutex> lock(server.mutex_);
      --server.open_;
    }
  } const closed{*this, connection};
  std::string pending;
  bool reused = false;
  for (;;) {
    const std::optional<std::string> head = ReceiveHead(connection.get(), pending);
    if (!head) return;
    RecordedRequest request = ParseHead(*head);
    request.connection = number;
    request.reusedConnection = reused;
    reused = true;
    {
      // Recorded before the reply goes out, so a client call that returned
      // has always been recorded.
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    ScriptedReply reply;
    {
      std::lock_guard<std::mutex> lock(scriptMutex_);
      reply = script_(request);
    }
    if (!SendAll(connection.get(), reply.bytes) || !SendTrickle(connection.get(), reply)) return;
    switch (reply.end) {
      case ReplyEnd::KeepAlive: continue;
      case ReplyEnd::Close: shutdown(connection.get(), SD_SEND); return;
      case ReplyEnd::Reset: {
        linger abort{1, 0};
        setsockopt(connection.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                   sizeof(abort));
        return;
      }
      case ReplyEnd::Stall: HoldOpen(connection.get()); return;
    }
  }
}
