// How a response's status and headers are judged.

#include "net/http_response_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

ResponseFacts Facts(uint32_t number, std::optional<std::u16string> text,
                    std::optional<std::u16string> length = std::nullopt,
                    std::optional<std::u16string> encoding = std::nullopt) {
  ResponseFacts f;
  f.statusNumber = number;
  f.headerBlockRead = true;
  f.statusText = std::move(text);
  f.contentLength = std::move(length);
  f.transferEncoding = std::move(encoding);
  return f;
}

ResponseFacts Compressed(ResponseFacts f, std::u16string coding) {
  f.contentEncoding = std::move(coding);
  return f;
}

TEST(HttpResponseRulesTest, LeadingDecimalReadsDigitsAndSaturates) {
  EXPECT_EQ(LeadingDecimal(u"200"), 200u);
  EXPECT_EQ(LeadingDecimal(u"401 Unauthorized"), 401u);
  EXPECT_EQ(LeadingDecimal(u"abc"), 0u);
  EXPECT_EQ(LeadingDecimal(u"-5"), 0u);
  EXPECT_EQ(LeadingDecimal(u""), 0u);
  EXPECT_EQ(LeadingDecimal(u"4294967296"), 4294967296u);  // beyond 32 bits is not 0
  EXPECT_EQ(LeadingDecimal(u"99999999999999999999999"), std::numeric_limits<uint64_t>::max());
  EXPECT_EQ(LeadingDecimal(u"18446744073709551614"), std::numeric_limits<uint64_t>::max() - 1);
}

TEST(HttpResponseRulesTest, RefusalsComeFirstInTheirOrder) {
  EXPECT_EQ(JudgeResponse(Facts(401, u"401")).status, HttpLastStatus::Unauthorized);
  EXPECT_EQ(JudgeResponse(Facts(404, u"404")).status, HttpLastStatus::NotFound);
  // Only the text reads 401.
  EXPECT_EQ(JudgeResponse(Facts(0, u"401")).status, HttpLastStatus::Unauthorized);
  EXPECT_EQ(JudgeResponse(Facts(0, u"401abc")).status, HttpLastStatus::Unauthorized);

  ResponseFacts unreadable = Facts(200, u"200");
  unreadable.headerBlockRead = false;
  EXPECT_EQ(JudgeResponse(unreadable).status, HttpLastStatus::RequestFailed);
  unreadable.statusNumber = 404;  // the numeric refusals are judged before the block
  EXPECT_EQ(JudgeResponse(unreadable).status, HttpLastStatus::NotFound);

  ResponseFacts versioned = Facts(200, u"200");
  versioned.version = u"HTTP/1.1";
  EXPECT_EQ(JudgeResponse(versioned).status, HttpLastStatus::Success);
  versioned.version = u"HTTP/0.9";  // an old-style answer is no answer
  EXPECT_EQ(JudgeResponse(versioned).status, HttpLastStatus::RequestFailed);

  // No status line at all: nothing was answered.
  EXPECT_EQ(JudgeResponse(Facts(0, std::nullopt)).status, HttpLastStatus::RequestFailed);
}

TEST(HttpResponseRulesTest, StatusLengthAndChunkingDecideTheBody) {
  struct Case {
    ResponseFacts facts;
    BodyFraming framing;
    uint64_t length;
  };
  const Case cases[] = {
      {Facts(200, u"200"), BodyFraming::UntilClose, 0},
      {Facts(299, u"299"), BodyFraming::UntilClose, 0},
      {Facts(200, std::nullopt), BodyFraming::UntilClose, 0},  // the number alone will do
      {Facts(500, u"500"), BodyFraming::None, 0},
      {Facts(302, u"302"), BodyFraming::None, 0},
      {Facts(999, u"999"), BodyFraming::None, 0},
      {Facts(500, u"500", u"12"), BodyFraming::DeclaredLength, 12},
      {Facts(200, u"200", u"0"), BodyFraming::None, 0},
      {Facts(200, u"200", u"junk"), BodyFraming::None, 0},
      {Facts(200, u"200", u"5000000000"), BodyFraming::DeclaredLength, 5000000000u},
      {Facts(503, u"503", std::nullopt, u"Chunked"), BodyFraming::Chunked, 0},
      {Facts(200, u"200", u"0", u"chunked"), BodyFraming::Chunked, 0},  // chunking wins
      {Facts(500, u"500", std::nullopt, u"gzip, chunked"), BodyFraming::None, 0},
      // Sent compressed: the length counted the compressed bytes.
      {Compressed(Facts(200, u"200", u"30"), u"gzip"), BodyFraming::UntilClose, 0},
      {Compressed(Facts(500, u"500", u"30"), u" Deflate "), BodyFraming::UntilClose, 0},
      {Compressed(Facts(200, u"200", u"30"), u"identity"), BodyFraming::DeclaredLength, 30},
      {Compressed(Facts(200, u"200", u"30"), u""), BodyFraming::DeclaredLength, 30},
  };
  for (const Case& c : cases) {
    const ResponseVerdict v = JudgeResponse(c.facts);
    const std::string shown = std::to_string(c.facts.statusNumber);
    EXPECT_EQ(v.status, HttpLastStatus::Success) << shown;
    EXPECT_EQ(v.body.framing, c.framing) << shown;
    EXPECT_EQ(v.body.declaredLength, c.length) << shown;
  }
}

TEST(HttpResponseRulesTest, OnlyABodyOfTheAnnouncedLengthConfirmsIt) {
  const BodyPlan declared{BodyFraming::DeclaredLength, 144};
  EXPECT_TRUE(BodyLengthConfirmed(declared, 144));
  EXPECT_TRUE(BodyLengthConfirmed({}, 0));  // nothing to read
  // The platform decompressed it: the length counted the compressed bytes.
  EXPECT_FALSE(BodyLengthConfirmed(declared, 171));
  EXPECT_FALSE(BodyLengthConfirmed({BodyFraming::Chunked, 0}, 0));
  EXPECT_FALSE(BodyLengthConfirmed({BodyFraming::UntilClose, 0}, 171));
  // Less than announced is a cut connection; a failed read is never whole.
  EXPECT_TRUE(BodyArrivedWhole(declared, 144, false));
  EXPECT_FALSE(BodyArrivedWhole(declared, 143, false));
  EXPECT_FALSE(BodyArrivedWhole({BodyFraming::UntilClose, 0}, 9, true));
}

}  // namespace
