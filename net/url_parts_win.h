#pragma once
// The pieces of a request URL that CHttpClient connects and asks with.

#include <windows.h>
#include <wininet.h>

#include <string>

struct UrlParts {
  bool secure = false;  // https: TLS with the platform's certificate checks
  std::u16string host;
  INTERNET_PORT port = 0;  // the written port, else the scheme's default
  std::u16string userName;
  std::u16string password;
  std::u16string pathAndQuery;  // always starts with "/"; the query undecoded
};

// Splits an http or https URL. False (with `parts` unspecified) for any
// other, for one that cannot be split, and for a port outside 1 to 65535.
[[nodiscard]] bool SplitUrl(const std::u16string& url, UrlParts& parts);
