#pragma once
// Fetches the address-book answer over the platform's internet API.

#include <chrono>

#include "net/http_client_win.h"
#include "sync/run_stop.h"
#include "sync/sync_run.h"

// A server that sends a little now and then must not hold a run, and with
// it both run locks, for hours.
inline constexpr std::chrono::milliseconds kDefaultDownloadLimit = std::chrono::minutes(10);

class HttpAnswerFetcher final : public IAnswerFetcher {
 public:
  // A fetch that makes no progress for `stallLimit`, or that has not ended
  // after `downloadLimit`, is given up. The client's own time-outs normally
  // end a stalled exchange first; the stall limit is for platform stacks
  // that ignore them (Wine's TLS handshake does).
  explicit HttpAnswerFetcher(std::chrono::milliseconds timeout = kDefaultHttpTimeout,
                             std::chrono::milliseconds stallLimit = 4 * kDefaultHttpTimeout,
                             std::chrono::milliseconds downloadLimit = kDefaultDownloadLimit)
      : timeout_(timeout), stallLimit_(stallLimit), downloadLimit_(downloadLimit) {}
  // Ok only with the whole body; CertificateInvalid when an https server's
  // certificate is not trusted; a failed request, a refused or missing page,
  // a body cut short or too large, and a stalled or overlong fetch are all
  // Failed. Short of Ok, `problem` says why, as far as the client and the
  // platform told.
  FetchResult Fetch(const std::u16string& url) override;
  // Once `stop` is, a fetch going gives up at once, like one past its bound.
  void StopWith(const RunStop& stop) { stop_ = &stop; }
  // How bodies are read; the benchmark compares the ways.
  void SetBodyReads(BodyReads reads) { bodyReads_ = reads; }

 private:
  const RunStop* stop_ = nullptr;
  BodyReads bodyReads_ = BodyReads::Adaptive;
  std::chrono::milliseconds timeout_;
  std::chrono::milliseconds stallLimit_;
  std::chrono::milliseconds downloadLimit_;
};
