#include "net/http_client_win.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <new>
#include <vector>

#include "common/win/wide_text_win.h"
#include "net/http_query_win.h"
#include "net/response_body_decoder.h"
#include "net/url_parts_win.h"

namespace {

// Keep-alive, no redirects, no cookies, a no-cache pragma, and never the
// web cache: the URL carries the password and the answer is the company
// directory, so neither may land in the user's profile or come from it.
constexpr DWORD kCommonRequestFlags =
    INTERNET_FLAG_RAW_DATA | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT |
    INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
    INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS | INTERNET_FLAG_HYPERLINK |
    INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
// Plain HTTP keeps the flags it always had; the certificate ones do
// nothing there.
constexpr DWORD kPlainRequestFlags = kCommonRequestFlags | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
                                     INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
// Every certificate check stays in force: an address book that anyone on
// the way could have swapped is worse than none, and the URL carries the
// password.
constexpr DWORD kSecureRequestFlags = kCommonRequestFlags | INTERNET_FLAG_SECURE;

constexpr wchar_t kAcceptHeader[] = L"Accept: */*\r\n";
// A company's whole address book is mostly repeated markup: compressed it
// is a small fraction of the bytes. Asked for only where the platform
// decodes it, so the body read is the same either way.
constexpr wchar_t kAcceptEncodingHeader[] = L"Accept-Encoding: gzip, deflate\r\n";

// The ways the platform says the server's certificate is not to be trusted
// for this host. Wine 8 reports an unknown authority as a failed revocation
// check, so that counts too.
bool IsCertificateRejection(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SEC_CERT_REVOKED: return true;
    default: return false;
  }
}

bool SameHost(const std::u16string& a, const std::u16string& b) {
  return CompareStringOrdinal(AsWide(a), static_cast<int>(a.size()), AsWide(b),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Set on the request itself: Wine does not hand send and receive time-outs
// down from the session or connection handle. Should a platform refuse one,
// its own default applies.
void SetTimeouts(HINTERNET request, std::chrono::milliseconds timeout) {
  DWORD ms = static_cast<DWORD>(timeout.count());
  InternetSetOptionW(request, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof(ms));
  InternetSetOptionW(request, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof(ms));
  InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof(ms));
}

bool SetCredential(HINTERNET request, DWORD option, std::u16string& value) {
  if (value.empty()) return true;
  return InternetSetOptionW(request, option, AsWideBuffer(value),
                            static_cast<DWORD>(value.size() + 1)) != FALSE;
}

}  // namespace

CHttpClient::CHttpClient(std::chrono::milliseconds timeout) : timeout_(timeout) {}

CHttpClient::~CHttpClient() { CloseAll(); }

void CHttpClient::CloseAll() {
  ReplaceRequest(nullptr);
  connection_.reset();
  internet_.reset();
}

bool CHttpClient::Connect(const std::u16string& host, INTERNET_PORT port, bool secure) {
  if (connection_ && connectedPort_ == port && connectedSecure_ == secure &&
      SameHost(connectedHost_, host)) {
    return true;
  }

  CloseAll();
  connectedHost_.clear();
  connectedPort_ = 0;
  internet_.reset(InternetOpenW(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!internet_) return false;
  BOOL decode = TRUE;
  decoding_ = InternetSetOptionW(internet_.get(), INTERNET_OPTION_HTTP_DECODING, &decode,
                                 sizeof(decode)) != FALSE;
  connection_.reset(InternetConnectW(internet_.get(), AsWide(host), port, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection_) return false;
  connectedHost_ = host;
  connectedPort_ = port;
  connectedSecure_ = secure;
  return true;
}

bool CHttpClient::SendRequest(const std::u16string& url) {
  UrlParts parts;
  if (!SplitUrl(url, parts)) {
    lastStatus_ = HttpLastStatus::BadUrl;
    return false;
  }
  lastStatus_ = HttpLastStatus::RequestFailed;
  if (!Connect(parts.host, parts.port, parts.secure)) return false;

  const DWORD flags = parts.secure ? kSecureRequestFlags : kPlainRequestFlags;
  ReplaceRequest(HttpOpenRequestW(connection_.get(), L"GET", AsWide(parts.pathAndQuery), nullptr,
                                  nullptr, nullptr, flags, 0));
  const bool prepared = WithRequest([&](HINTERNET request) {
    SetTimeouts(request, timeout_);
    if (!HttpAddRequestHeadersW(request, kAcceptHeader,
                                static_cast<DWORD>(std::size(kAcceptHeader) - 1), 0)) {
      return false;
    }
    if (decoding_ &&
        !HttpAddRequestHeadersW(request, kAcceptEncodingHeader,
                                static_cast<DWORD>(std::size(kAcceptEncodingHeader) - 1), 0)) {
      return false;
    }
    return SetCredential(request, INTERNET_OPTION_USERNAME, parts.userName) &&
           SetCredential(request, INTERNET_OPTION_PASSWORD, parts.password);
  });
  if (!prepared) return false;
  if (!HttpSendRequestW(Request(), nullptr, 0, nullptr, 0)) {
    lastError_ = GetLastError();
    if (parts.secure && IsCertificateRejection(lastError_)) {
      lastStatus_ = HttpLastStatus::CertificateInvalid;
    }
    return false;
  }

  const ResponseVerdict verdict =
      JudgeResponse(QueryResponseFacts([this](DWORD infoLevel, void* buffer, DWORD* bytes) {
        return WithRequest([&](HINTERNET request) {
          return HttpQueryInfoW(request, infoLevel, buffer, bytes, nullptr) != FALSE;
        });
      }));
  lastStatus_ = verdict.status;
  bodyExpected_ = verdict.body;
  return verdict.status == HttpLastStatus::Success;
}

bool CHttpClient::OpenUrl(const std::u16string& url) {
  ReplaceRequest(nullptr);
  bodyExpected_ = {};
  bodyReceived_ = 0;
  lastError_ = 0;
  const bool ok = SendRequest(url);
  if (!ok) ReplaceRequest(nullptr);
  return ok;
}

void CHttpClient::Abort() {
  std::lock_guard lock(requestMutex_);
  aborted_ = true;
  request_.reset();
}

HINTERNET CHttpClient::Request() {
  std::lock_guard lock(requestMutex_);
  return request_.get();
}

bool CHttpClient::WithRequest(const std::function<bool(HINTERNET)>& use) {
  std::lock_guard lock(requestMutex_);
  if (!request_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return use(request_.get());
}

void CHttpClient::ReplaceRequest(HINTERNET request) {
  UniqueHInternet incoming(request);
  std::lock_guard lock(requestMutex_);
  // After Abort nothing new may start; the handle goes at once.
  if (!aborted_) request_ = std::move(incoming);
}

bool CHttpClient::ReadSome(std::vector<char>& block, size_t wanted, DWORD& read) {
  read = 0;
  if (wanted == 0) {
    DWORD available = 0;
    if (!InternetQueryDataAvailable(Request(), &available, 0, 0)) return false;
    if (available == 0) return true;
    wanted = std::min<size_t>(available, block.size());
  } else {
    // It waits for the whole block: bytes flowed a moment ago.
    waitingForBlock_ = true;
  }
  return InternetReadFile(Request(), block.data(), static_cast<DWORD>(wanted), &read) != FALSE;
}

bool CHttpClient::ReadWholeBody(ResponseBodyDecoder& body) {
  if (bodyExpected_.framing == BodyFraming::DeclaredLength) {
    body.Reserve(bodyExpected_.declaredLength);
  }
  std::vector<char> block(BodyReadSize::kLargest);
  BodyReadSize size(bodyReads_);
  bool readFailed = false;
  bool tooLarge = false;
  for (;;) {
    DWORD read = 0;
    const auto start = std::chrono::steady_clock::now();
    if (!ReadSome(block, size.Next(), read)) {
      lastError_ = GetLastError();
      readFailed = true;
      break;
    }
    size.Took(read, static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - start)
                                              .count()));
    if (read == 0) break;
    if (!body.Append(block.data(), read)) {
      tooLarge = true;
      break;
    }
    if (onProgress_) onProgress_();
    waitingForBlock_ = false;  // only once the progress is noted
  }
  waitingForBlock_ = false;
  ReplaceRequest(nullptr);
  bodyReceived_ = body.received();
  if (tooLarge) {
    lastStatus_ = HttpLastStatus::BodyTooLarge;
    return false;
  }
  if (!BodyArrivedWhole(bodyExpected_, body.received(), readFailed)) {
    lastStatus_ = HttpLastStatus::BodyIncomplete;
    return false;
  }
  lastStatus_ = HttpLastStatus::Success;
  return true;
}

bool CHttpClient::ReadBody(Utf8Repairer& body) {
  if (!Request()) {
    lastStatus_ = HttpLastStatus::NoRequest;
    return false;
  }
  if (bodyExpected_.framing == BodyFraming::None) {
    ReplaceRequest(nullptr);
    lastStatus_ = HttpLastStatus::Success;
    return true;
  }
  body = Utf8Repairer();
  try {
    ResponseBodyDecoder decoder(bodyLimit_);
    if (!ReadWholeBody(decoder)) return false;
    body = decoder.TakeUtf8();
    return true;
  } catch (const std::bad_alloc&) {
    ReplaceRequest(nullptr);
    body = Utf8Repairer();
    lastStatus_ = HttpLastStatus::OutOfMemory;
    return false;
  }
}
