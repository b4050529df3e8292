#include "net/http_answer_fetcher_win.h"

FetchResult HttpAnswerFetcher::Fetch(const std::u16string& url) {
  CHttpClient client(timeout_);
  FetchResult result;
  if (client.OpenUrl(url) && client.ReadBody(result.body)) {
    result.status = FetchStatus::Ok;
    result.lengthAnnounced = client.bodyLengthAnnounced();
  } else {
    result.body.clear();
    if (client.lastStatus() == HttpLastStatus::CertificateInvalid) {
      result.status = FetchStatus::CertificateInvalid;
    }
  }
  return result;
}
