#pragma once
// Raw HTTP answers for LoopbackHttpServer scripts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loopback_http_server_win.h"

// The company's address book that the client tests sync: two people and
// an address without a name.
inline constexpr char kThreeColleagues[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<addressbooks count=\"3\">\r\n"
    "<person Name=\"\xE5\xBC\xA0\xE4\xBC\x9F\" E-Mail=\"zhangwei@tarnwell.example\"/>\r\n"
    "<person Name=\"\" E-Mail=\"noname@tarnwell.example\"/>\r\n"
    "<person Name=\"\xE6\x9D\x8E\xE5\xA8\x9C\" E-Mail=\"lina@tarnwell.example\"/>\r\n"
    "</addressbooks>\r\n";

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

// A gzip stream that inflates to `1 + 258 * runs` copies of `byte`: one
// literal, then deflate's longest match over and over in fixed codes,
// about 160 times smaller than what it inflates to. Made when sent, with
// the true check value, so a client that reads it to the end accepts it.
inline std::string GzipOfRepeatedByte(unsigned char byte, size_t runs) {
  std::string out("\x1F\x8B\x08\0\0\0\0\0\0\xFF", 10);
  uint64_t bits = 0;
  int count = 0;
  auto put = [&](uint32_t value, int n) {  // deflate packs from the low bit
    bits |= uint64_t{value} << count;
    for (count += n; count >= 8; count -= 8, bits >>= 8) out.push_back(static_cast<char>(bits));
  };
  auto reversed = [](uint32_t code, int n) {  // Huffman codes go high bit first
    uint32_t r = 0;
    for (int i = 0; i < n; ++i) r |= ((code >> i) & 1u) << (n - 1 - i);
    return r;
  };
  put(0b011, 3);  // the last block, fixed codes
  if (byte < 144)
    put(reversed(0x30u + byte, 8), 8);
  else
    put(reversed(0x190u + byte - 144, 9), 9);
  const uint32_t lengthThenDistance = reversed(0xC5, 8);  // length 258, then distance 1 (0, 5 bits)
  for (size_t i = 0; i < runs; ++i) put(lengthThenDistance, 13);
  put(0, 7);  // the end of the block
  if (count > 0) put(0, 8 - count);
  // The check value: the step that adds one byte is affine over GF(2), so
  // it is raised to the count by squaring instead of taken 600 million times.
  struct Step {
    uint32_t column[32];
    uint32_t add;
    uint32_t operator()(uint32_t x) const {
      uint32_t y = add;
      for (int i = 0; i < 32; ++i) y ^= (x >> i & 1u) ? column[i] : 0;
      return y;
    }
  };
  auto then = [](const Step& first, const Step& second) {
    Step both{};
    for (int i = 0; i < 32; ++i) both.column[i] = second(first.column[i]) ^ second.add;
    both.add = second(first.add);
    return both;
  };
  auto table = [](uint32_t c) {
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    return c;
  };
  Step power{}, step{};
  for (int i = 0; i < 32; ++i) {
    power.column[i] = 1u << i;
    step.column[i] = table((1u << i) & 0xFF) ^ ((1u << i) >> 8);
  }
  step.add = table(byte);
  const uint64_t size = 1 + 258 * uint64_t{runs};
  for (uint64_t n = size; n > 0; n >>= 1, step = then(step, step)) {
    if (n & 1) power = then(power, step);
  }
  const uint32_t crc = power(0xFFFFFFFFu);
  for (uint32_t word : {~crc, static_cast<uint32_t>(size)}) {
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>(word >> (8 * k)));
  }
  return out;
}
