#include "net/url_parts_win.h"

#include "net/url_escapes.h"
#include "sync/web_address.h"

// The same splitter as the dialog's, so the run asks exactly the server
// that was stored. The query stays undecoded: the caller escaped it, and
// decoding it here would undo that.
bool SplitUrl(const std::u16string& url, UrlParts& parts) {
  const std::optional<WebAddress> address = SplitWebAddress(url);
  if (!address || address->port < 1 || address->port > 65535) return false;
  parts.secure = address->https;
  parts.host = address->host;
  parts.port = static_cast<INTERNET_PORT>(address->port);
  parts.userName.clear();
  parts.password.clear();
  if (address->userInfo) {
    const std::u16string& info = *address->userInfo;
    const size_t colon = info.find(u':');
    parts.userName = DecodeUrlEscapes(std::u16string_view(info).substr(0, colon));
    if (colon != std::u16string::npos) parts.password = DecodeUrlEscapes(info.substr(colon + 1));
  }
  // The fragment belongs to the reader and never goes out.
  parts.pathAndQuery = address->path.empty() ? u"/" : address->path;
  if (address->query) parts.pathAndQuery += u"?" + *address->query;
  return true;
}
