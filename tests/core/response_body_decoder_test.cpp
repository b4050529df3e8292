// How a body is collected from reads of any size.

#include "net/response_body_decoder.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "common/utf_convert.h"

namespace {

TEST(ResponseBodyDecoderTest, ZeroByteEndsOnlyItsSliceButAllBytesCount) {
  ResponseBodyDecoder body;
  body.Reserve(std::numeric_limits<uint64_t>::max());  // a server's wild claim is harmless
  // Slices count from the body's start, whatever the reads.
  body.Append("ab\0cd", 5);
  body.Append("ef", 2);
  std::string read(2 * ResponseBodyDecoder::kSliceBytes, 'x');
  read[ResponseBodyDecoder::kSliceBytes - 7] = 'y';  // the second slice's first byte
  read[ResponseBodyDecoder::kSliceBytes] = '\0';
  body.Append(read.data(), read.size());
  EXPECT_EQ(body.received(), 7u + read.size());
  EXPECT_EQ(body.TakeUtf8().Take(),
            "ab"
            "y" +
                std::string(6 + 7, 'x'));
  EXPECT_EQ(body.TakeUtf8().Take(), "");
}

TEST(ResponseBodyDecoderTest, KeepsByteOrderMarkAndReplacesMalformedBytes) {
  ResponseBodyDecoder body;
  const std::string bytes = "\xEF\xBB\xBF<a>\xFF</a>\xE4\xB8";  // ends in half a character
  body.Append(std::vector<char>(bytes.begin(), bytes.end()).data(), bytes.size());
  EXPECT_EQ(Utf8ToUtf16(body.TakeUtf8().Take()), u"\uFEFF<a>\uFFFD</a>\uFFFD");
}

}  // namespace
