// The one UTF-8/UTF-16 boundary of the core.

#include "common/utf_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

TEST(UtfConvertTest, RoundTripsAndMarksMalformedInput) {
  const std::u16string text =
      u"张三 <a@b> \U0001F600 é \x7F\x80\x7FF\x800 \U00010000 \uE000 \U0010FFFF";  // and each
                                                                                   // length's edges
  bool valid = false;
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text, &valid)), text);
  EXPECT_TRUE(valid);

  EXPECT_EQ(Utf8ToUtf16("\xEF\xBB\xBFok"), u"\uFEFFok");    // a BOM is kept
  EXPECT_EQ(Utf8ToUtf16("a\xE5\xBC", &valid), u"a\uFFFD");  // cut in mid-character
  EXPECT_FALSE(valid);
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");      // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xFFx"), u"\uFFFDx");
  EXPECT_EQ(Utf16ToUtf8(u"\xD800x", &valid), "\xEF\xBF\xBDx");  // lone surrogate
  EXPECT_EQ(Utf16ToUtf8(u"\xDFFF\xDBFF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(u"\xD800\xE000"), "\xEF\xBF\xBD\xEE\x80\x80");
  EXPECT_FALSE(valid);
}

// The answer is kept as repaired UTF-8 instead of decoded text, so the
// repair must put U+FFFD exactly where decoding does, whatever the mix and
// however the bytes arrive.
TEST(UtfConvertTest, RepairReplacesWhatDecodingReplaces) {
  const std::string pieces[] = {"a", "<p n='x'/>", "\xC3\xA9", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80",
                                "\xEF\xBF\xBD", "\xE4\xB8", "\xF0\x9F", "\x80", "\xBF\xBF",
                                "\xC0\xAF", "\xED\xA0\x80", "\xFF", "\xF4\x90\x80\x80",
                                "\xF8\x88\x80\x80\x80", "12345678",
                                // Either side of the overlong and the surrogate edges.
                                "\xE0\x9F\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xED\xBF\xBF"};
  std::mt19937 random(20261208);
  for (int round = 0; round < 500; ++round) {
    std::string bytes;
    const int count = std::uniform_int_distribution<int>(0, 30)(random);
    for (int i = 0; i < count; ++i) {
      bytes += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(random)];
    }
    bool decodedValid = false;
    bool repairedValid = false;
    const std::string expected = Utf16ToUtf8(Utf8ToUtf16(bytes, &decodedValid));
    const std::string repaired = RepairUtf8(bytes, &repairedValid);
    ASSERT_EQ(repaired, expected) << "round " << round;
    EXPECT_EQ(repairedValid, decodedValid);
    EXPECT_EQ(repairedValid, repaired == bytes);

    // The same bytes arriving in pieces cut anywhere, characters included.
    Utf8Repairer arriving;
    for (size_t at = 0; at < bytes.size();) {
      const size_t n =
          std::min(std::uniform_int_distribution<size_t>(1, 6)(random), bytes.size() - at);
      arriving.Append(std::string_view(bytes).substr(at, n));
      at += n;
    }
    ASSERT_EQ(arriving.Take(), expected) << "round " << round;
  }
  // A text of exactly the limit is kept whole; a byte more is refused.
  Utf8Repairer capped(5);
  EXPECT_TRUE(capped.Append("abcde"));
  EXPECT_FALSE(capped.Append("f"));
  EXPECT_EQ(capped.Take(), "abcde");
}

}  // namespace
