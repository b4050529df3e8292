#pragma once
// Raw HTTP answers for LoopbackHttpServer scripts.

#include <string>
#include <string_view>
#include <vector>

#include "loopback_http_server_win.h"

// Status line and headers with the blank line that ends them. `headers`
// holds whole lines, each ending in CR LF.
inline std::string ResponseHead(std::string_view statusLine, std::string_view headers = {}) {
  return std::string(statusLine) + "\r\n" + std::string(headers) + "\r\n";
}

// An answer with a Content-Length that matches its body.
inline ScriptedReply Answer(std::string_view statusLine, std::string_view body,
                            std::string_view extraHeaders = {},
                            ReplyEnd end = ReplyEnd::KeepAlive) {
  std::string headers = "Content-Length: " + std::to_string(body.size()) + "\r\n";
  headers += extraHeaders;
  return {ResponseHead(statusLine, headers) + std::string(body), end};
}

inline ScriptedReply Ok(std::string_view body) { return Answer("HTTP/1.1 200 OK", body); }

// A chunked body made of `chunks`, with the final zero-length chunk unless
// `complete` is false.
inline std::string ChunkedBody(const std::vector<std::string>& chunks, bool complete = true) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const std::string& chunk : chunks) {
    if (chunk.empty()) continue;  // a zero size would end the body
    std::string size;
    for (size_t n = chunk.size(); n > 0; n /= 16) size.insert(size.begin(), kHex[n % 16]);
    out += size + "\r\n" + chunk + "\r\n";
  }
  if (complete) out += "0\r\n\r\n";
  return out;
}
