#include "sync/web_address.h"

#include <limits>

#include "common/text_classes.h"

namespace {

// Blanks and control characters cannot be part of a server's name.
bool IsHostCharacter(char16_t c) {
  return c > u' ' && c != 0x7F && c != u'\\' && c != u'[' && c != u']' && c != u'@';
}

bool IsIpv6LiteralCharacter(char16_t c) {
  return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') || c == u':' ||
         c == u'.';
}

std::optional<int32_t> ReadPort(std::u16string_view digits) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  int32_t value = 0;
  for (char16_t c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    const int32_t digit = c - u'0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return value;
}

// "host", "host:port", "[v6]" or "[v6]:port".
bool SplitHostAndPort(std::u16string_view text, WebAddress& out) {
  std::u16string_view portText;
  bool hasPort = false;
  if (!text.empty() && text.front() == u'[') {
    const size_t close = text.find(u']');
    if (close == std::u16string_view::npos || close == 1) return false;
    for (char16_t c : text.substr(1, close - 1)) {
      if (!IsIpv6LiteralCharacter(c)) return false;
    }
    out.host = std::u16string(text.substr(0, close + 1));
    const std::u16string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != u':') return false;
      hasPort = true;
      portText = rest.substr(1);
    }
  } else {
    const size_t colon = text.find(u':');
    const std::u16string_view host = text.substr(0, colon);
    if (host.empty()) return false;
    for (char16_t c : host) {
      if (!IsHostCharacter(c)) return false;
    }
    out.host = std::u16string(host);
    if (colon != std::u16string_view::npos) {
      hasPort = true;
      portText = text.substr(colon + 1);
    }
  }
  // "host:" names no port: the default applies, as browsers read it.
  out.portWritten = hasPort && !portText.empty();
  if (out.portWritten) {
    const std::optional<int32_t> port = ReadPort(portText);
    if (!port) return false;
    out.port = *port;
  } else {
    out.port = out.https ? 443 : 80;
  }
  return true;
}

}  // namespace

std::optional<WebAddress> SplitWebAddress(std::u16string_view address) {
  const size_t schemeEnd = address.find(u"://");
  if (schemeEnd == std::u16string_view::npos) return std::nullopt;
  WebAddress out;
  const std::u16string_view scheme = address.substr(0, schemeEnd);
  if (EqualsIgnoringAsciiCase(scheme, u"https")) {
    out.https = true;
  } else if (!EqualsIgnoringAsciiCase(scheme, u"http")) {
    return std::nullopt;
  }

  std::u16string_view rest = address.substr(schemeEnd + 3);
  const size_t authorityEnd = rest.find_first_of(u"/?#");
  std::u16string_view authority = rest.substr(0, authorityEnd);
  rest =
      authorityEnd == std::u16string_view::npos ? std::u16string_view() : rest.substr(authorityEnd);

  // The last "@" ends the user information: a password may hold one.
  if (const size_t at = authority.rfind(u'@'); at != std::u16string_view::npos) {
    out.userInfo = std::u16string(authority.substr(0, at));
    authority.remove_prefix(at + 1);
  }
  if (!SplitHostAndPort(authority, out)) return std::nullopt;
  // A line break in the path would end the stored setting's line and start
  // another; no control character belongs in an address.
  for (char16_t c : rest) {
    if (c < u' ' || c == 0x7F) return std::nullopt;
  }

  if (const size_t hash = rest.find(u'#'); hash != std::u16string_view::npos) {
    out.fragment = std::u16string(rest.substr(hash + 1));
    rest = rest.substr(0, hash);
  }
  if (const size_t question = rest.find(u'?'); question != std::u16string_view::npos) {
    out.query = std::u16string(rest.substr(question + 1));
    rest = rest.substr(0, question);
  }
  out.path = std::u16string(rest);
  return out;
}
