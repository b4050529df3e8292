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

// Splits a URL. Only https asks for TLS; any other scheme the platform can
// split is requested as plain HTTP. False (with `parts` unspecified) for an
// empty or unsplittable URL.
bool SplitUrl(const std::u16string& url, UrlParts& parts);
