#pragma once
// Fetches the address-book answer over the platform's internet API.

#include "sync/sync_run.h"

class HttpAnswerFetcher final : public IAnswerFetcher {
 public:
  FetchResult Fetch(const std::u16string& url) override;
};
