// The one UTF-8/UTF-16 boundary of the core.

#include "common/utf_convert.h"

#include <gtest/gtest.h>

namespace {

TEST(UtfConvertTest, RoundTripsAndMarksMalformedInput) {
  const std::u16string text = u"张三 <a@b> \U0001F600 é";
  bool valid = false;
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text, &valid)), text);
  EXPECT_TRUE(valid);

  EXPECT_EQ(Utf8ToUtf16("\xEF\xBB\xBFok"), u"\uFEFFok");  // a BOM is kept
  EXPECT_EQ(Utf8ToUtf16("a\xE5\xBC", &valid), u"a\uFFFD");  // cut in mid-character
  EXPECT_FALSE(valid);
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");            // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");        // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xFFx"), u"\uFFFDx");
  EXPECT_EQ(Utf16ToUtf8(u"\xD800x", &valid), "\xEF\xBF\xBDx");  // lone surrogate
  EXPECT_FALSE(valid);
}

}  // namespace
