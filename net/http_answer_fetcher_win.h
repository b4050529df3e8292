#pragma once
// Fetches the address-book answer over the platform's internet API.

#include <chrono>

#include "net/http_client_win.h"
#include "sync/sync_run.h"

class HttpAnswerFetcher final : public IAnswerFetcher {
 public:
  // A fetch that makes no progress for `stallLimit` is given up. The
  // client's own time-outs normally end a stalled exchange first; the limit
  // is for platform stacks that ignore them (Wine's TLS handshake does).
  explicit HttpAnswerFetcher(std::chrono::milliseconds timeout = kDefaultHttpTimeout,
                             std::chrono::milliseconds stallLimit = 4 * kDefaultHttpTimeout)
      : timeout_(timeout), stallLimit_(stallLimit) {}
  // Ok only with the whole body; CertificateInvalid when an https server's
  // certificate is not trusted; a failed request, a refused or missing page,
  // a body cut short and a stalled fetch are all Failed.
  FetchResult Fetch(const std::u16string& url) override;

 private:
  std::chrono::milliseconds timeout_;
  std::chrono::milliseconds stallLimit_;
};
