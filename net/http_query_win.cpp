#include "net/http_query_win.h"

#include "common/win/wide_text_win.h"

namespace {

// The text of one HTTP_QUERY_* value; empty when it is absent or the query
// fails for any reason.
std::optional<std::u16string> QueryHeaderText(const HeaderQuery& query, DWORD infoLevel) {
  std::u16string text(256, u'\0');
  // The platform names the size it needs; a header can grow between calls
  // only in theory, so a few rounds are plenty.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(char16_t));
    if (query(infoLevel, AsWideBuffer(text), &bytes)) {
      text.resize(bytes / sizeof(char16_t));
      return text;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    text.assign(bytes / sizeof(char16_t) + 1, u'\0');
  }
  return std::nullopt;
}

}  // namespace

ResponseFacts QueryResponseFacts(const HeaderQuery& query) {
  ResponseFacts facts;
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!query(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size)) {
    status = 0;
  }
  facts.statusNumber = status;
  // The block itself is not used: being able to read it is the check.
  facts.headerBlockRead = QueryHeaderText(query, HTTP_QUERY_RAW_HEADERS_CRLF).has_value();
  facts.statusText = QueryHeaderText(query, HTTP_QUERY_STATUS_CODE);
  facts.version = QueryHeaderText(query, HTTP_QUERY_VERSION);
  facts.contentLength = QueryHeaderText(query, HTTP_QUERY_CONTENT_LENGTH);
  facts.transferEncoding = QueryHeaderText(query, HTTP_QUERY_TRANSFER_ENCODING);
  facts.contentEncoding = QueryHeaderText(query, HTTP_QUERY_CONTENT_ENCODING);
  return facts;
}
