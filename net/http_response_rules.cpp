#include "net/http_response_rules.h"

#include <limits>

#include "common/text_classes.h"

uint64_t LeadingDecimal(std::u16string_view text) {
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    const uint64_t digit = static_cast<uint64_t>(c - u'0');
    if (value > (kMax - digit) / 10) return kMax;
    value = value * 10 + digit;
  }
  return value;
}

ResponseVerdict JudgeResponse(const ResponseFacts& facts) {
  if (facts.statusNumber == 401) return {HttpLastStatus::Unauthorized, {}};
  if (facts.statusNumber == 404) return {HttpLastStatus::NotFound, {}};
  if (!facts.headerBlockRead) return {HttpLastStatus::RequestFailed, {}};

  const uint64_t status = facts.statusText ? LeadingDecimal(*facts.statusText) : facts.statusNumber;
  if (status == 401) return {HttpLastStatus::Unauthorized, {}};
  // Platforms take a connection closed without a status line for an
  // old-style answer without headers: status 0, or version 0.9. Nothing
  // was answered.
  if (status < 100 || status > 999 || (facts.version && facts.version->starts_with(u"HTTP/0."))) {
    return {HttpLastStatus::RequestFailed, {}};
  }
  const bool successful = status >= 200 && status <= 299;

  BodyPlan body;
  if (successful) body.framing = BodyFraming::UntilClose;
  if (facts.contentLength) {
    const uint64_t length = LeadingDecimal(*facts.contentLength);
    body = length > 0 ? BodyPlan{BodyFraming::DeclaredLength, length} : BodyPlan{};
  }
  if (body.framing == BodyFraming::DeclaredLength && facts.contentEncoding) {
    const std::u16string_view coding = TrimmedBlanks(*facts.contentEncoding);
    if (!coding.empty() && !EqualsIgnoringAsciiCase(coding, u"identity")) {
      body = {.framing = BodyFraming::UntilClose, .declaredLength = 0};
    }
  }
  if (facts.transferEncoding && EqualsIgnoringAsciiCase(*facts.transferEncoding, u"chunked")) {
    body = {.framing = BodyFraming::Chunked, .declaredLength = 0};
  }
  return {HttpLastStatus::Success, body};
}

bool BodyArrivedWhole(const BodyPlan& plan, uint64_t received, bool readFailed) {
  if (readFailed) return false;
  // Less than announced is a cut connection, whatever the platform said.
  if (plan.framing == BodyFraming::DeclaredLength) return received >= plan.declaredLength;
  return true;
}

bool BodyLengthConfirmed(const BodyPlan& plan, uint64_t received) {
  return plan.framing == BodyFraming::None ||
         (plan.framing == BodyFraming::DeclaredLength && received == plan.declaredLength);
}
