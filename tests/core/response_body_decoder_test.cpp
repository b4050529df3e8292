// How a body is collected from reads of any size.

#include "net/response_body_decoder.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "common/utf_convert.h"

namespace {

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
  EXPECT_EQ(body.TakeUtf8().Take(),
            "abef"
            "x"
            "y" +
                std::string(ResponseBodyDecoder::kSliceBytes - 1, 'x'));
  EXPECT_EQ(body.TakeUtf8().Take(), "");
}

TEST(ResponseBodyDecoderTest, KeepsByteOrderMarkAndReplacesMalformedBytes) {
  ResponseBodyDecoder body;
  body.Append("\xEF\xBB\xBF<a>\xFF</a>\xE4\xB8", 13);  // ends in half a character
  EXPECT_EQ(Utf8ToUtf16(body.TakeUtf8().Take()), u"\uFEFF<a>\uFFFD</a>\uFFFD");
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
    ASSERT_EQ(Utf8ToUtf16(body.TakeUtf8().Take()), Utf8ToUtf16(whole)) << "round " << round;
  }
}

}  // namespace
