#include "net/http_answer_fetcher_win.h"

FetchResult HttpAnswerFetcher::Fetch(const std::u16string& url) {
  CHttpClient client(timeout_);
  FetchResult result;
  if (client.OpenUrl(url) && client.ReadBody(result.body)) {
    result.status = FetchStatus::Ok;
  } else {
    result.body.clear();
  }
  return result;
}
