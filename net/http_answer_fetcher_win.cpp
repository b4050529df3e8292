#include "net/http_answer_fetcher_win.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "net/socket_io_cancel_win.h"
#include "net/url_parts_win.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a given-up fetch may take to end once its connection is cut.
constexpr auto kEndingTime = std::chrono::seconds(10);
constexpr auto kWatchInterval = std::chrono::milliseconds(100);

// What the fetching thread and the waiting caller share. It outlives an
// abandoned fetch: the thread owns a reference until it ends.
struct SharedFetch {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  FetchResult result;
  CHttpClient* client = nullptr;  // while the thread has one; under `mutex`
  std::atomic<Clock::rep> lastProgress{Clock::now().time_since_epoch().count()};

  void NoteProgress() { lastProgress = Clock::now().time_since_epoch().count(); }
  Clock::duration SinceProgress() const {
    return Clock::now() - Clock::time_point(Clock::duration(lastProgress.load()));
  }
};

// Lets the watchdog reach the client for exactly as long as it lives.
class ClientRegistration {
 public:
  ClientRegistration(SharedFetch& shared, CHttpClient& client) : shared_(shared) {
    std::lock_guard lock(shared_.mutex);
    shared_.client = &client;
  }
  ~ClientRegistration() {
    std::lock_guard lock(shared_.mutex);
    shared_.client = nullptr;
  }
  ClientRegistration(const ClientRegistration&) = delete;
  ClientRegistration& operator=(const ClientRegistration&) = delete;

 private:
  SharedFetch& shared_;
};

// Published for WinInet's content decoding; mingw-w64's wininet.h lacks it.
constexpr DWORD kDecodingFailed = 12175;  // ERROR_INTERNET_DECODING_FAILED

DownloadProblem ProblemOfError(DWORD error) {
  switch (error) {
    case 0: return {};
    case ERROR_INTERNET_TIMEOUT: return {DownloadCause::TimedOut};
    case ERROR_INTERNET_NAME_NOT_RESOLVED: return {DownloadCause::NameNotResolved};
    case ERROR_INTERNET_CANNOT_CONNECT: return {DownloadCause::CannotConnect};
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET: return {DownloadCause::ConnectionBroken};
    case ERROR_HTTP_INVALID_SERVER_RESPONSE: return {DownloadCause::InvalidResponse};
    case kDecodingFailed: return {DownloadCause::DecodingFailed};
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR: return {DownloadCause::SecureChannelFailed};
    case ERROR_INTERNET_INVALID_CA: return {DownloadCause::CertificateAuthority};
    case ERROR_INTERNET_SEC_CERT_CN_INVALID: return {DownloadCause::CertificateName};
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID: return {DownloadCause::CertificateDate};
    case ERROR_INTERNET_SEC_CERT_REVOKED: return {DownloadCause::CertificateRevoked};
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED: return {DownloadCause::RevocationUnknown};
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return {DownloadCause::OutOfMemory};
    default: return {DownloadCause::PlatformError, error};
  }
}

// What the client knew of its failure, for the run's text.
DownloadProblem ProblemOf(const CHttpClient& client) {
  switch (client.lastStatus()) {
    case HttpLastStatus::NotFound: return {DownloadCause::HttpNotFound};
    case HttpLastStatus::Unauthorized: return {DownloadCause::HttpUnauthorized};
    case HttpLastStatus::BadUrl: return {DownloadCause::BadUrl};
    case HttpLastStatus::OutOfMemory: return {DownloadCause::OutOfMemory};
    case HttpLastStatus::BodyTooLarge: return {DownloadCause::TooLarge, kDefaultBodyLimit};
    case HttpLastStatus::BodyIncomplete:
      // A body that stopped early without a failed read was cut by the peer.
      return client.lastError() ? ProblemOfError(client.lastError())
                                : DownloadProblem{DownloadCause::CutShort};
    case HttpLastStatus::Success:
    case HttpLastStatus::NoRequest:
    case HttpLastStatus::RequestFailed:
    case HttpLastStatus::CertificateInvalid: break;
  }
  return ProblemOfError(client.lastError());
}

FetchResult FetchOnce(const std::u16string& url, std::chrono::milliseconds timeout, BodyReads reads,
                      SharedFetch& shared) {
  CHttpClient client(timeout);
  client.SetBodyReads(reads);
  const ClientRegistration registration(shared, client);
  client.SetProgressCallback([&shared] { shared.NoteProgress(); });
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
    result.problem = ProblemOf(client);
  }
  return result;
}

void FetchThread(std::shared_ptr<SharedFetch> shared, std::u16string url,
                 std::chrono::milliseconds timeout, BodyReads reads) {
  FetchResult result;
  try {
    result = FetchOnce(url, timeout, reads, *shared);
  } catch (...) {
    // Nothing may leave this thread (it would end the program): whatever
    // went wrong, the download failed.
    result = {};
  }
  std::lock_guard lock(shared->mutex);
  shared->result = std::move(result);
  shared->done = true;
  shared->finished.notify_all();
}

// Ends a fetch given up: the request is closed, which returns the blocked
// call where the platform allows it; where it does not (Wine), the pending
// socket operations to the server's port are cancelled until the thread is
// done. True when it ended.
bool EndGivenUpFetch(SharedFetch& shared, std::unique_lock<std::mutex>& lock,
                     const std::u16string& url) {
  if (shared.client) shared.client->Abort();
  UrlParts parts;
  const bool cancelSockets = ClosingRequestLeavesReadsBlocked() && SplitUrl(url, parts);
  const auto deadline = Clock::now() + kEndingTime;
  while (!shared.done && Clock::now() < deadline) {
    if (shared.finished.wait_for(lock, kWatchInterval, [&] { return shared.done; })) break;
    if (cancelSockets) {
      lock.unlock();
      CancelSocketIoToPort(parts.port);
      lock.lock();
    }
  }
  return shared.done;
}

}  // namespace

FetchResult HttpAnswerFetcher::Fetch(const std::u16string& url) {
  if (stop_ && stop_->Stopped()) return {};
  auto shared = std::make_shared<SharedFetch>();
  std::thread thread;
  try {
    thread = std::thread(FetchThread, shared, url, timeout_, bodyReads_);
  } catch (...) {
    return {};  // no thread to be had: the download failed
  }

  const auto giveUpAt = Clock::now() + downloadLimit_;
  std::unique_lock lock(shared->mutex);
  while (!shared->done) {
    // A read waiting for a whole block shows its bytes only when it
    // returns; it waits only where bytes flowed just before.
    const bool waitingForBlock = shared->client && shared->client->waitingForBlock();
    const bool stalled = !waitingForBlock && shared->SinceProgress() > stallLimit_;
    const bool overlong = Clock::now() >= giveUpAt;
    if (stalled || overlong || (stop_ && stop_->Stopped())) {
      const bool ended = EndGivenUpFetch(*shared, lock, url);
      lock.unlock();
      if (ended) {
        thread.join();
      } else {
        // The last resort: the thread stays blocked in the platform and
        // keeps its share of the state alive until it returns.
        thread.detach();
      }
      // A fetch given up is a failed download, whatever arrived meanwhile.
      FetchResult givenUp;
      if (stalled) givenUp.problem = {DownloadCause::TimedOut};
      if (overlong) {
        givenUp.problem = {
            DownloadCause::TooLong,
            static_cast<uint64_t>(
                std::chrono::duration_cast<std::chrono::seconds>(downloadLimit_).count())};
      }
      return givenUp;
    }
    shared->finished.wait_for(lock, kWatchInterval);
  }
  lock.unlock();
  thread.join();
  return std::move(shared->result);
}
