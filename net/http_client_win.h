#pragma once
// Fetches one document with an HTTP GET over WinInet and hands back its body
// as text. One client serves one thread; the sync run makes one per run.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "common/utf_convert.h"
#include "common/win/scoped_handles.h"
#include "net/body_read_size.h"
#include "net/http_last_status.h"
#include "net/http_response_rules.h"

class ResponseBodyDecoder;

// Long enough for a slow server to build a large address book, short enough
// that a server which stops answering cannot hold a run (and with it the
// scheduler thread) for long.
inline constexpr std::chrono::milliseconds kDefaultHttpTimeout = std::chrono::seconds(30);
// About twenty times the book of a company of 200,000, counted as the text
// kept (decoded and repaired): a server that keeps sending, or a small
// compressed answer that inflates without end, must not take the
// workstation's memory before the run gives up.
inline constexpr uint64_t kDefaultBodyLimit = uint64_t{256} << 20;

class CHttpClient {
 public:
  // `timeout` bounds connecting, sending the request and each wait for data.
  explicit CHttpClient(std::chrono::milliseconds timeout = kDefaultHttpTimeout);
  CHttpClient(const CHttpClient&) = delete;
  CHttpClient& operator=(const CHttpClient&) = delete;
  ~CHttpClient();

  // Sends a GET for `url` (reusing the connection when scheme, host and port
  // are those of the last call) and judges the response. An https URL goes
  // over TLS with the platform's certificate checks; a certificate it does
  // not trust for the host fails with CertificateInvalid. The path and query
  // go out exactly as given; credentials in the URL are left to the
  // platform's HTTP authentication. True: a response waits for ReadBody.
  // False: lastStatus() says why and no request is open. Nothing is taken
  // from or written to the platform's web cache.
  [[nodiscard]] bool OpenUrl(const std::u16string& url);

  // Reads the body of the response that OpenUrl left open into `body`,
  // which keeps it as UTF-8 and repairs it (see Utf8Repairer), and closes
  // the request. When the response announced no body, `body` is left as it
  // was. False when no response is open, or (with `body` emptied) when
  // memory runs out or the body did not arrive whole.
  [[nodiscard]] bool ReadBody(Utf8Repairer& body);

  // The one call allowed from another thread, while OpenUrl or ReadBody
  // blocks: closes the request, which makes the blocked call return where
  // the platform allows it, and lets nothing start afterwards.
  void Abort();

  HttpLastStatus lastStatus() const { return lastStatus_; }
  // The platform's error when sending the request or reading the body
  // failed (an ERROR_INTERNET_... value), else 0: why, beside lastStatus().
  DWORD lastError() const { return lastError_; }
  // Called after every read of the body that brought bytes (for a watchdog).
  void SetProgressCallback(std::function<void()> onProgress) {
    onProgress_ = std::move(onProgress);
  }
  // True, from any thread, while a read waits for a whole block (see
  // BodyReadSize): it brings its bytes all at once, when it returns.
  bool waitingForBlock() const { return waitingForBlock_; }
  // How the body is read; the benchmark compares the ways.
  void SetBodyReads(BodyReads reads) { bodyReads_ = reads; }
  // A body whose text kept (decoded, zero-cut and repaired UTF-8) would be
  // longer than this fails ReadBody with BodyTooLarge.
  void SetBodyLimit(uint64_t bytes) { bodyLimit_ = bytes; }
  // Whether the last body matched the length its response announced (or
  // it had none), so that a body cut short was caught by ReadBody.
  bool bodyLengthAnnounced() const { return BodyLengthConfirmed(bodyExpected_, bodyReceived_); }

 private:
  [[nodiscard]] bool SendRequest(const std::u16string& url);
  [[nodiscard]] bool Connect(const std::u16string& host, INTERNET_PORT port, bool secure);
  [[nodiscard]] bool ReadWholeBody(ResponseBodyDecoder& body);
  // Reads `wanted` bytes, waiting for them all, or what has arrived when 0.
  [[nodiscard]] bool ReadSome(std::vector<char>& block, size_t wanted, DWORD& read);
  void CloseAll();
  // The request for a blocking call, which must not hold the guard that
  // Abort takes; null once closed.
  HINTERNET Request();
  // Calls `use` under the guard that Abort takes, only while the request is
  // open: a closed handle's value may already be another request's.
  bool WithRequest(const std::function<bool(HINTERNET)>& use);
  // Closes the request handle held so far and keeps `request` instead.
  void ReplaceRequest(HINTERNET request);

  // Declared in order of opening, so they are also destroyed request first.
  UniqueHInternet internet_;
  UniqueHInternet connection_;
  UniqueHInternet request_;  // under requestMutex_: Abort closes it
  std::mutex requestMutex_;
  bool aborted_ = false;
  HttpLastStatus lastStatus_ = HttpLastStatus::Success;
  DWORD lastError_ = 0;
  BodyPlan bodyExpected_;
  uint64_t bodyReceived_ = 0;
  std::function<void()> onProgress_;
  std::atomic<bool> waitingForBlock_{false};
  BodyReads bodyReads_ = BodyReads::Adaptive;
  std::u16string connectedHost_;
  int32_t connectedPort_ = 0;
  bool connectedSecure_ = false;
  bool decoding_ = false;  // the platform decodes compressed bodies
  std::chrono::milliseconds timeout_;
  uint64_t bodyLimit_ = kDefaultBodyLimit;
};
