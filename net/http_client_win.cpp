#include "net/http_client_win.h"

#include <iterator>
#include <new>
#include <vector>

#include "common/win/wide_text.h"
#include "net/http_query_win.h"
#include "net/response_body_decoder.h"
#include "net/url_escapes.h"

namespace {

// Keep-alive, no redirects, no cookies, a no-cache pragma, and never the
// web cache: the URL carries the password and the answer is the company
// directory, so neither may land in the user's profile or come from it.
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_RAW_DATA | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT |
    INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
    INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
    INTERNET_FLAG_IGNORE_CERT_CN_INVALID | INTERNET_FLAG_HYPERLINK | INTERNET_FLAG_PRAGMA_NOCACHE |
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

constexpr wchar_t kAcceptHeader[] = L"Accept: */*\r\n";
// Large reads: under Wine every InternetReadFile costs a round trip through
// its socket layer, and 2048-byte reads made a large body many times slower.
constexpr size_t kReadBlockBytes = 256 * 1024;

struct UrlParts {
  std::u16string host;
  INTERNET_PORT port = 0;
  std::u16string userName;
  std::u16string password;
  std::u16string pathAndQuery;
};

std::u16string Part(const wchar_t* start, DWORD length) {
  return start ? FromWide(start, length) : std::u16string();
}

// Components are taken as pointers into the URL, undecoded: the caller has
// escaped the query, and decoding it here would undo that.
bool SplitUrl(const std::u16string& url, UrlParts& parts) {
  URL_COMPONENTSW components{};
  components.dwStructSize = sizeof(components);
  components.dwHostNameLength = 1;
  components.dwUserNameLength = 1;
  components.dwPasswordLength = 1;
  components.dwUrlPathLength = 1;  // no extra-info request: the query stays in the path
  if (url.empty() ||
      !InternetCrackUrlW(AsWide(url), static_cast<DWORD>(url.size()), 0, &components)) {
    return false;
  }
  parts.host = Part(components.lpszHostName, components.dwHostNameLength);
  parts.port = components.nPort;
  parts.userName = DecodeUrlEscapes(Part(components.lpszUserName, components.dwUserNameLength));
  parts.password = DecodeUrlEscapes(Part(components.lpszPassword, components.dwPasswordLength));
  parts.pathAndQuery = Part(components.lpszUrlPath, components.dwUrlPathLength);
  if (parts.pathAndQuery.empty() || parts.pathAndQuery[0] != u'/') {
    parts.pathAndQuery = u"/" + parts.pathAndQuery;
  }
  return true;
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
  request_.reset();
  connection_.reset();
  internet_.reset();
}

bool CHttpClient::Connect(const std::u16string& host, INTERNET_PORT port) {
  if (connection_ && connectedPort_ == port && SameHost(connectedHost_, host)) return true;

  CloseAll();
  connectedHost_.clear();
  connectedPort_ = 0;
  internet_.reset(InternetOpenW(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!internet_) return false;
  connection_.reset(InternetConnectW(internet_.get(), AsWide(host), port, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection_) return false;
  connectedHost_ = host;
  connectedPort_ = port;
  return true;
}

bool CHttpClient::SendRequest(const std::u16string& url) {
  UrlParts parts;
  if (!SplitUrl(url, parts)) {
    lastStatus_ = HttpLastStatus::BadUrl;
    return false;
  }
  lastStatus_ = HttpLastStatus::RequestFailed;
  if (!Connect(parts.host, parts.port)) return false;

  request_.reset(HttpOpenRequestW(connection_.get(), L"GET", AsWide(parts.pathAndQuery), nullptr,
                                  nullptr, nullptr, kRequestFlags, 0));
  if (!request_) return false;
  SetTimeouts(request_.get(), timeout_);
  if (!HttpAddRequestHeadersW(request_.get(), kAcceptHeader,
                              static_cast<DWORD>(std::size(kAcceptHeader) - 1), 0)) {
    return false;
  }
  if (!SetCredential(request_.get(), INTERNET_OPTION_USERNAME, parts.userName) ||
      !SetCredential(request_.get(), INTERNET_OPTION_PASSWORD, parts.password)) {
    return false;
  }
  if (!HttpSendRequestW(request_.get(), nullptr, 0, nullptr, 0)) return false;

  const ResponseVerdict verdict = JudgeResponse(QueryResponseFacts(request_.get()));
  lastStatus_ = verdict.status;
  bodyExpected_ = verdict.body;
  return verdict.status == HttpLastStatus::Success;
}

bool CHttpClient::OpenUrl(const std::u16string& url) {
  request_.reset();
  bodyExpected_ = {};
  const bool ok = SendRequest(url);
  if (!ok) request_.reset();
  return ok;
}

bool CHttpClient::ReadWholeBody(std::u16string& text) {
  ResponseBodyDecoder body;
  if (bodyExpected_.framing == BodyFraming::DeclaredLength) {
    body.Reserve(bodyExpected_.declaredLength);
  }
  std::vector<char> block(kReadBlockBytes);
  bool readFailed = false;
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request_.get(), block.data(), static_cast<DWORD>(block.size()), &read)) {
      readFailed = true;
      break;
    }
    if (read == 0) break;
    body.Append(block.data(), read);
  }
  request_.reset();
  if (!BodyArrivedWhole(bodyExpected_, body.received(), readFailed)) {
    lastStatus_ = HttpLastStatus::BodyIncomplete;
    return false;
  }
  text = body.TakeText();
  lastStatus_ = HttpLastStatus::Success;
  return true;
}

bool CHttpClient::ReadBody(std::u16string& text) {
  if (!request_) {
    lastStatus_ = HttpLastStatus::NoRequest;
    return false;
  }
  if (bodyExpected_.framing == BodyFraming::None) {
    request_.reset();
    lastStatus_ = HttpLastStatus::Success;
    return true;
  }
  text.clear();
  try {
    return ReadWholeBody(text);
  } catch (const std::bad_alloc&) {
    request_.reset();
    text.clear();
    lastStatus_ = HttpLastStatus::OutOfMemory;
    return false;
  }
}
