#pragma once
// How the status and headers of a response decide the outcome of OpenUrl
// and whether and how far its body is read. No platform calls: the Windows
// client gathers the facts, these rules judge them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/http_last_status.h"

// The leading decimal digits of `text` as a number: text without leading
// digits reads as 0, and numbers too large saturate instead of wrapping.
uint64_t LeadingDecimal(std::u16string_view text);

enum class BodyFraming {
  None,            // nothing is read
  UntilClose,      // read until the server ends the body
  DeclaredLength,  // Content-Length announced `declaredLength` bytes (> 0)
  Chunked,         // chunked transfer; the platform decodes it
};

struct BodyPlan {
  BodyFraming framing = BodyFraming::None;
  uint64_t declaredLength = 0;
};

// What the platform could tell about a response. An empty optional means the
// query failed or the header is absent.
struct ResponseFacts {
  uint32_t statusNumber = 0;  // 0 when the numeric query failed
  bool headerBlockRead = false;
  std::optional<std::u16string> statusText;
  std::optional<std::u16string> version;  // "HTTP/1.1"
  std::optional<std::u16string> contentLength;
  std::optional<std::u16string> transferEncoding;
  std::optional<std::u16string> contentEncoding;
};

struct ResponseVerdict {
  HttpLastStatus status = HttpLastStatus::RequestFailed;  // Success: `body` applies
  BodyPlan body;
};

// 401 and 404 fail, and so does an answer without a status line (the
// server closed without answering); any other status (redirects and server
// errors too) succeeds and only decides whether a body is read. The length
// of a body sent compressed counts the compressed bytes, which the platform
// decodes: such a body is read to its end like one without length.
ResponseVerdict JudgeResponse(const ResponseFacts& facts);

// Whether a body that ended after `received` bytes, with or without a
// failed read, arrived whole. Only a declared length can be checked: the
// platform decodes chunks itself and reports a lost end, if at all, as a
// failed read, and a body without length ends when the server closes.
bool BodyArrivedWhole(const BodyPlan& plan, uint64_t received, bool readFailed);

// Whether a body that arrived whole was also checked by its length: it
// had none to read, or exactly the announced number of bytes. A body the
// platform decompressed is longer than the length announced for its
// compressed form; only the answer itself can show that such a body is
// whole.
bool BodyLengthConfirmed(const BodyPlan& plan, uint64_t received);
