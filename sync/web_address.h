#pragma once
// The one reading of a Webmail address: the dialog splits what the user
// typed with it, and the HTTP client splits the run's URL with it, so what
// is stored is what the run asks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct WebAddress {
  bool https = false;                      // the scheme, in any letter case, is "https"
  std::optional<std::u16string> userInfo;  // before the "@", undecoded
  std::u16string host;                     // an IPv6 literal keeps its brackets
  // As written (larger numbers saturate), or the scheme's default when no
  // port is written; `portWritten` tells which.
  int32_t port = 0;
  bool portWritten = false;
  std::u16string path;                     // from the first "/" to "?" or "#"; may be empty
  std::optional<std::u16string> query;     // after "?", undecoded
  std::optional<std::u16string> fragment;  // after "#"
};

// Splits "http[s]://[user@]host[:port][/path][?query][#fragment]". Nothing
// for another scheme, an empty or malformed host, a port that is not a
// number, or a control character after the host.
std::optional<WebAddress> SplitWebAddress(std::u16string_view address);
