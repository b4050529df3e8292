// How URL credentials are unescaped.

#include "net/url_escapes.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlEscapesTest, DecodesEscapesAsUtf8AndLeavesTheRest) {
  EXPECT_EQ(DecodeUrlEscapes(u"p%40ss%3a%09"), u"p@ss:\t");
  EXPECT_EQ(DecodeUrlEscapes(u"%E4%B8%AD文"), u"中文");
  EXPECT_EQ(DecodeUrlEscapes(u"100%"), u"100%");
  EXPECT_EQ(DecodeUrlEscapes(u"%zz%4z%4"), u"%zz%4z%4");
  EXPECT_EQ(DecodeUrlEscapes(u"%FF"), u"\uFFFD");
  EXPECT_EQ(DecodeUrlEscapes(u""), u"");
}

}  // namespace
