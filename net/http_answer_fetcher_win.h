#pragma once
// Fetches the address-book answer over the platform's internet API.

#include <chrono>

#include "net/http_client_win.h"
#include "sync/sync_run.h"

class HttpAnswerFetcher final : public IAnswerFetcher {
 public:
  explicit HttpAnswerFetcher(std::chrono::milliseconds timeout = kDefaultHttpTimeout)
      : timeout_(timeout) {}
  // Ok only with the whole body; CertificateInvalid when an https server's
  // certificate is not trusted; a failed request, a refused or missing page
  // and a body cut short are all Failed.
  FetchResult Fetch(const std::u16string& url) override;

 private:
  std::chrono::milliseconds timeout_;
};
