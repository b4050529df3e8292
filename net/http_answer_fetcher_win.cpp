#include "net/http_answer_fetcher_win.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// What the fetching thread and the waiting caller share. It outlives an
// abandoned fetch: the thread owns a reference until it ends.
struct SharedFetch {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  FetchResult result;
  std::atomic<Clock::rep> lastProgress{Clock::now().time_since_epoch().count()};

  void NoteProgress() { lastProgress = Clock::now().time_since_epoch().count(); }
  Clock::duration SinceProgress() const {
    return Clock::now() - Clock::time_point(Clock::duration(lastProgress.load()));
  }
};

FetchResult FetchOnce(const std::u16string& url, std::chrono::milliseconds timeout,
                      const std::function<void()>& onProgress) {
  CHttpClient client(timeout);
  client.SetProgressCallback(onProgress);
  FetchResult result;
  Utf8Repairer body;
  if (client.OpenUrl(url) && client.ReadBody(body)) {
    result.status = FetchStatus::Ok;
    result.body = AnswerText(std::move(body));
    result.lengthAnnounced = client.bodyLengthAnnounced();
  } else {
    if (client.lastStatus() == HttpLastStatus::CertificateInvalid) {
      result.status = FetchStatus::CertificateInvalid;
    }
  }
  return result;
}

}  // namespace

FetchResult HttpAnswerFetcher::Fetch(const std::u16string& url) {
  auto shared = std::make_shared<SharedFetch>();
  std::thread([shared, url, timeout = timeout_] {
    FetchResult result = FetchOnce(url, timeout, [shared] { shared->NoteProgress(); });
    std::lock_guard lock(shared->mutex);
    shared->result = std::move(result);
    shared->done = true;
    shared->finished.notify_all();
  }).detach();

  std::unique_lock lock(shared->mutex);
  while (!shared->done) {
    if (shared->SinceProgress() > stallLimit_) {
      // The thread stays blocked in the platform until the process ends;
      // the run goes on without it and reports a failed download.
      return {};
    }
    shared->finished.wait_for(lock, std::chrono::milliseconds(200));
  }
  return std::move(shared->result);
}
