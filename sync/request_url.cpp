#include "sync/request_url.h"

#include "common/text_classes.h"
#include "common/utf_convert.h"

namespace {

bool NeedsEscape(char16_t c) {
  switch (c) {
    case u'%':
    case u'&':
    case u'#':
    case u'+':
    case u'=':
    case u'?':
    case u' ': return true;
    default: return c < 0x20 || c == 0x7F;
  }
}

}  // namespace

std::u16string EscapeQueryValue(const std::u16string& value) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  out.reserve(value.size());
  for (char16_t c : value) {
    if (NeedsEscape(c)) {
      out.push_back(u'%');
      out.push_back(kHex[(c >> 4) & 0xF]);
      out.push_back(kHex[c & 0xF]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::u16string NormalizeScheme(const std::u16string& scheme) {
  std::u16string lower;
  for (char16_t c : scheme) lower.push_back(FoldAsciiCase(c));
  return lower == u"https" ? u"https" : u"http";
}

int DefaultPortOfScheme(const std::u16string& scheme) {
  return NormalizeScheme(scheme) == u"https" ? 443 : 80;
}

std::u16string BuildRequestUrl(const SyncSettings& s, PasswordInUrl password) {
  std::u16string url = NormalizeScheme(s.ServerScheme) + u"://";
  url += s.ServerHost;
  url += u":";
  url += AsciiToUtf16(std::to_string(s.ServerPort));
  url += u"/";
  // An empty virtual directory means the server's root, not "//".
  if (!s.ServerVirtual.empty()) url += s.ServerVirtual + u"/";
  url += u"addresssync.asp?accnt=";
  url += EscapeQueryValue(s.Account);
  url += u"&pwd=";
  url += password == PasswordInUrl::Plain ? EscapeQueryValue(s.Password) : u"******";
  url += u"&onlydepart=";
  url += s.SyncLevel != 0 ? u"1" : u"0";
  return url;
}
