// How a response's status and headers are judged, how a body is collected,
// and how URL credentials are unescaped.

#include "net/http_response_rules.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "common/utf_convert.h"
#include "net/response_body_decoder.h"
#include "net/url_escapes.h"

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

TEST(HttpResponseRulesTest, LeadingDecimalReadsDigitsAndSaturates) {
  EXPECT_EQ(LeadingDecimal(u"200"), 200u);
  EXPECT_EQ(LeadingDecimal(u"401 Unauthorized"), 401u);
  EXPECT_EQ(LeadingDecimal(u"abc"), 0u);
  EXPECT_EQ(LeadingDecimal(u"-5"), 0u);
  EXPECT_EQ(LeadingDecimal(u""), 0u);
  EXPECT_EQ(LeadingDecimal(u"4294967296"), 4294967296u);  // beyond 32 bits is not 0
  EXPECT_EQ(LeadingDecimal(u"99999999999999999999999"), std::numeric_limits<uint64_t>::max());
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
      {Facts(500, u"500", u"12"), BodyFraming::DeclaredLength, 12},
      {Facts(200, u"200", u"0"), BodyFraming::None, 0},
      {Facts(200, u"200", u"junk"), BodyFraming::None, 0},
      {Facts(200, u"200", u"5000000000"), BodyFraming::DeclaredLength, 5000000000u},
      {Facts(503, u"503", std::nullopt, u"Chunked"), BodyFraming::Chunked, 0},
      {Facts(200, u"200", u"0", u"chunked"), BodyFraming::Chunked, 0},  // chunking wins
      {Facts(500, u"500", std::nullopt, u"gzip, chunked"), BodyFraming::None, 0},
  };
  for (const Case& c : cases) {
    const ResponseVerdict v = JudgeResponse(c.facts);
    const std::string shown = std::to_string(c.facts.statusNumber);
    EXPECT_EQ(v.status, HttpLastStatus::Success) << shown;
    EXPECT_EQ(v.body.framing, c.framing) << shown;
    EXPECT_EQ(v.body.declaredLength, c.length) << shown;
  }
}

TEST(ResponseBodyDecoderTest, ZeroByteEndsOnlyItsSliceButAllBytesCount) {
  ResponseBodyDecoder body;
  body.Reserve(std::numeric_limits<uint64_t>::max());  // a server's wild claim is harmless
  body.Append("ab\0cd", 5);
  body.Append("ef", 2);
  std::string read(2 * ResponseBodyDecoder::kSliceBytes, 'x');
  read[1] = '\0';  // drops the rest of the first slice only
  read[ResponseBodyDecoder::kSliceBytes] = 'y';
  body.Append(read.data(), read.size());
  EXPECT_EQ(body.received(), 7u + read.size());
  const std::u16string text = body.TakeText();
  EXPECT_EQ(text,
            u"abef"
            u"x"
            u"y" +
                std::u16string(ResponseBodyDecoder::kSliceBytes - 1, u'x'));
  EXPECT_EQ(body.TakeText(), u"");
}

TEST(ResponseBodyDecoderTest, KeepsByteOrderMarkAndReplacesMalformedBytes) {
  ResponseBodyDecoder body;
  body.Append("\xEF\xBB\xBF<a>\xFF</a>\xE4\xB8", 13);  // ends in half a character
  EXPECT_EQ(body.TakeText(), u"\uFEFF<a>\uFFFD</a>\uFFFD");
}

TEST(ResponseBodyDecoderTest, AnySplitIntoReadsDecodesLikeTheWhole) {
  // Pieces of valid and broken UTF-8, glued at random and cut at random.
  const std::string pieces[] = {"a",
                                "<p/>",
                                "\xC3\xA9",
                                "\xE4\xB8\xAD",
                                "\xF0\x9F\x98\x80",
                                "\xE4\xB8",
                                "\xF0\x9F",
                                "\x80",
                                "\xBF\xBF",
                                "\xC0\xAF",
                                "\xED\xA0\x80",
                                "\xFF",
                                "\xF8\x88\x80\x80\x80"};
  std::mt19937 random(20261207);
  for (int round = 0; round < 300; ++round) {
    std::string whole;
    const int count = std::uniform_int_distribution<int>(0, 40)(random);
    for (int i = 0; i < count; ++i) {
      whole += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(random)];
    }
    ResponseBodyDecoder body;
    for (size_t at = 0; at < whole.size();) {
      const size_t n = std::uniform_int_distribution<size_t>(1, 5)(random);
      const size_t take = std::min(n, whole.size() - at);
      body.Append(whole.data() + at, take);
      at += take;
    }
    ASSERT_EQ(body.TakeText(), Utf8ToUtf16(whole)) << "round " << round;
  }
}

TEST(UrlEscapesTest, DecodesEscapesAsUtf8AndLeavesTheRest) {
  EXPECT_EQ(DecodeUrlEscapes(u"p%40ss%3a"), u"p@ss:");
  EXPECT_EQ(DecodeUrlEscapes(u"%E4%B8%AD文"), u"中文");
  EXPECT_EQ(DecodeUrlEscapes(u"100%"), u"100%");
  EXPECT_EQ(DecodeUrlEscapes(u"%zz%4"), u"%zz%4");
  EXPECT_EQ(DecodeUrlEscapes(u"%FF"), u"\uFFFD");
  EXPECT_EQ(DecodeUrlEscapes(u""), u"");
}

}  // namespace
