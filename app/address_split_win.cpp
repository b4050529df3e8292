#include "app/address_split_win.h"

#include <windows.h>
#include <winhttp.h>

#include "common/win/wide_text.h"

AddressParts SplitAddress(const std::u16string& address) {
  // Buffers as the splitter expects them; every part starts empty.
  wchar_t scheme[260] = {}, host[260] = {}, user[260] = {}, password[260] = {}, path[260] = {};
  wchar_t extra[4096] = {};
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.lpszScheme = scheme;
  parts.dwSchemeLength = ARRAYSIZE(scheme);
  parts.lpszHostName = host;
  parts.dwHostNameLength = ARRAYSIZE(host);
  parts.lpszUserName = user;
  parts.dwUserNameLength = ARRAYSIZE(user);
  parts.lpszPassword = password;
  parts.dwPasswordLength = ARRAYSIZE(password);
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = ARRAYSIZE(path);
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = ARRAYSIZE(extra);
  AddressParts out;
  out.parsed = WinHttpCrackUrl(AsWide(address), 0, ICU_ESCAPE, &parts) != FALSE;
  if (out.parsed) {
    out.https = parts.nScheme == INTERNET_SCHEME_HTTPS;
    out.host = FromWide(host);
    out.port = parts.nPort;
    out.path = FromWide(path);
  }
  return out;
}
