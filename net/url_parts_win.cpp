#include "net/url_parts_win.h"

#include "common/win/wide_text.h"
#include "net/url_escapes.h"

namespace {

std::u16string Part(const wchar_t* start, DWORD length) {
  return start ? FromWide(start, length) : std::u16string();
}

}  // namespace

// Components are taken as pointers into the URL, undecoded: the caller has
// escaped the query, and decoding it here would undo that.
bool SplitUrl(const std::u16string& url, UrlParts& parts) {
  URL_COMPONENTSW components{};
  components.dwStructSize = sizeof(components);
  components.dwSchemeLength = 1;
  components.dwHostNameLength = 1;
  components.dwUserNameLength = 1;
  components.dwPasswordLength = 1;
  components.dwUrlPathLength = 1;  // no extra-info request: the query stays in the path
  if (url.empty() ||
      !InternetCrackUrlW(AsWide(url), static_cast<DWORD>(url.size()), 0, &components)) {
    return false;
  }
  parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  parts.host = Part(components.lpszHostName, components.dwHostNameLength);
  parts.port = components.nPort;
  if (parts.port == 0) {
    parts.port = parts.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  }
  parts.userName = DecodeUrlEscapes(Part(components.lpszUserName, components.dwUserNameLength));
  parts.password = DecodeUrlEscapes(Part(components.lpszPassword, components.dwPasswordLength));
  parts.pathAndQuery = Part(components.lpszUrlPath, components.dwUrlPathLength);
  if (parts.pathAndQuery.empty() || parts.pathAndQuery[0] != u'/') {
    parts.pathAndQuery = u"/" + parts.pathAndQuery;
  }
  return true;
}
