#include "xml/xml_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

XmlNode Parse(std::u16string_view text, XmlError expected = XmlError::None) {
  XmlError error = XmlError::OutOfMemory;
  XmlNode document = ParseXmlDocument(text, &error);
  EXPECT_EQ(expected, error) << "code " << static_cast<int>(error);
  return document;
}

std::u16string Repeat(std::u16string_view piece, int count) {
  std::u16string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

TEST(XmlTokens, KindsAndSpans) {
  const std::u16string text = u"<a b='c>d' e=f/> \"g <?x</ / <!-- ";
  XmlTokenizer tokenizer(text);
  using K = XmlTokenKind;
  const std::vector<std::pair<K, std::u16string_view>> expected = {
      {K::TagOpen, u"<"},        {K::Text, u"a"},   {K::Text, u"b"},          {K::Equals, u"="},
      {K::QuotedText, u"'c>d'"}, {K::Text, u"e"},   {K::Equals, u"="},        {K::Text, u"f"},
      {K::ShortClose, u"/>"},    {K::Text, u"\"g"}, {K::DeclOpen, u"<?"},     {K::Text, u"x"},
      {K::EndTagOpen, u"</"},    {K::Text, u"/"},   {K::RawSection, u"<!--"}, {K::EndOfInput, u""}};
  for (const auto& [kind, span] : expected) {
    const XmlToken token = tokenizer.Next();
    EXPECT_EQ(kind, token.kind) << "at " << token.start;
    EXPECT_EQ(span, std::u16string_view(text).substr(token.start, token.length));
  }
}

TEST(XmlTokens, OnlyFourWhitespaceCharacters) {
  XmlNode doc = Parse(u"<a\u00A0b\fc\td/>");
  EXPECT_EQ(u"a\u00A0b\fc", *doc.ChildAt(0).Name());
  EXPECT_EQ(u"d", doc.ChildAt(0).Attributes()[0].name);
}

TEST(XmlErrors, CodesOfRejectedAndToleratedTexts) {
  const std::vector<std::pair<std::u16string_view, XmlError>> cases = {
      {u"", XmlError::None},
      {u"<a><b>unclosed", XmlError::None},
      {u"<a b=\"1\"", XmlError::None},
      {u"<a></a\t>", XmlError::None},
      {u"<a></b>", XmlError::Unbalanced},
      {u"<a></ab>", XmlError::Unbalanced},
      {u"<a/></b>", XmlError::MismatchedEndTag},
      {u"<>", XmlError::BadStartTag},
      {u"<?>", XmlError::BadStartTag},
      {u"<a>x<", XmlError::BadStartTag},
      {u"<a></>", XmlError::BadEndTag},
      {u"<a></a b>", XmlError::BadEndTag},
      {u"<a></a", XmlError::BadEndTag},
      {u"<a \"b\">", XmlError::UnexpectedToken},
      {u"<a b=>", XmlError::UnexpectedToken},
      {u"<a b c=/>", XmlError::UnexpectedToken},
      {u"<a>x > y</a>", XmlError::UnexpectedToken},
      {u"text />", XmlError::UnexpectedToken},
      {u"<a><!-- open", XmlError::Unbalanced},
      {u"<a b=\"&nbsp;\"/>", XmlError::UnknownEntity},
      {u"<a>&#38;</a>", XmlError::UnknownEntity},
      {u"<a>&amp</a>", XmlError::UnknownEntity},
  };
  for (const auto& [text, code] : cases) {
    XmlError error = XmlError::OutOfMemory;
    const XmlNode doc = ParseXmlDocument(text, &error);
    EXPECT_EQ(code, error) << std::string(text.begin(), text.end());
    const bool accepted = code == XmlError::None || code == XmlError::MismatchedEndTag;
    EXPECT_EQ(accepted, !doc.IsEmpty()) << std::string(text.begin(), text.end());
  }
}

TEST(XmlErrors, NullEmptyAndNulTerminatedTexts) {
  EXPECT_TRUE(ParseXmlDocument(static_cast<const char16_t*>(nullptr)).IsEmpty());
  const XmlNode empty = Parse(u"  \r\n");
  ASSERT_FALSE(empty.IsEmpty());
  EXPECT_FALSE(empty.Name());
  EXPECT_EQ(0u, empty.ChildCount());
  // A NUL ends the text: what follows it is never seen.
  EXPECT_EQ(1u, Parse(std::u16string(u"<a/>\0<<<", 8)).ChildCount());
}

TEST(XmlErrors, NestingDepthIsBounded) {
  const std::u16string deepest = Repeat(u"<a>", kMaxXmlDepth) + Repeat(u"</a>", kMaxXmlDepth);
  XmlNode node = Parse(deepest);
  for (int i = 0; i < kMaxXmlDepth; ++i) node = node.ChildAt(0);
  EXPECT_EQ(u"a", *node.Name());
  Parse(Repeat(u"<a>", kMaxXmlDepth + 1), XmlError::TooDeep);
  Parse(Repeat(u"<a b=c>", 200000), XmlError::TooDeep);
}

TEST(XmlAttributes, ValuesNamesAndDuplicates) {
  const XmlNode a =
      Parse(u"<a Name='x' name=\"y\" flag E-Mail=a&amp;b&LT; q = \"&quot;\"/>").ChildAt(0);
  ASSERT_EQ(5u, a.Attributes().size());
  EXPECT_EQ(u"x", *a.GetAttribute(u"NAME"));
  EXPECT_EQ(u"y", *a.Attributes()[1].value);
  EXPECT_FALSE(a.GetAttribute(u"flag"));
  EXPECT_EQ(u"a&b<", *a.GetAttribute(u"e-mail"));
  EXPECT_EQ(u"\"", *a.GetAttribute(u"q"));
  EXPECT_FALSE(a.GetAttribute(u"missing"));

  // Values far larger than the tree's storage blocks.
  const std::u16string big(300000, u'x');
  const XmlNode r = Parse(u"<r a='" + big + u"' b='" + big + u"y'/>").ChildAt(0);
  EXPECT_EQ(big, *r.GetAttribute(u"a"));
  EXPECT_EQ(big + u"y", *r.GetAttribute(u"b"));
}

TEST(XmlTexts, DecodedOnlyBeforeAnEndTag) {
  const XmlNode a = Parse(u"<a> x &amp; \"y\" = z <b/>  &amp;&APOS;&gt;  </a> lost").ChildAt(0);
  ASSERT_EQ(2u, a.Texts().size());
  EXPECT_EQ(u"x &amp; \"y\" = z", *a.TextAt(0));
  EXPECT_EQ(u"&'>", *a.TextAt(1));
  EXPECT_FALSE(a.TextAt(2));
  // Undecoded texts never look at their entities.
  EXPECT_EQ(u"&#1;", *Parse(u"<a>&#1;<b/></a>").ChildAt(0).TextAt(0));
}

TEST(XmlRawSections, TableMarkersAndContent) {
  const XmlNode a = Parse(
                        u"<a>t &x; <!----><![cdata[<b>&]]><pre> </PRE><SCRIPT>if(a<b)</Script>"
                        u"<!DOCTYPE html></a>")
                        .ChildAt(0);
  ASSERT_EQ(5u, a.RawSections().size());
  EXPECT_EQ(u"t &x;", *a.TextAt(0));
  EXPECT_EQ(u"", a.RawSections()[0].content);
  EXPECT_EQ(u"<!--", a.RawSections()[0].openMarker);
  EXPECT_EQ(u"<b>&", a.RawSections()[1].content);
  EXPECT_EQ(u" ", a.RawSections()[2].content);
  EXPECT_EQ(u"if(a<b)", a.RawSections()[3].content);
  EXPECT_EQ(u" html", a.RawSections()[4].content);
  EXPECT_EQ(0u, a.ChildCount());
  // The closing marker's letter case must match exactly.
  Parse(u"<a><pre>x</pre></a>", XmlError::Unbalanced);
}

TEST(XmlEndTags, RecoveryFromMismatchedTags) {
  XmlNode doc = Parse(u"<P>text<q><r></p><s/>", XmlError::MismatchedEndTag);
  ASSERT_EQ(2u, doc.ChildCount());
  const XmlNode p = doc.FindChild(u"p");
  EXPECT_EQ(u"text", *p.TextAt(0));
  EXPECT_EQ(u"r", *p.ChildAt(0).ChildAt(0).Name());
  EXPECT_EQ(u"s", *doc.ChildAt(1).Name());

  doc = Parse(u"<a/><b>x</b></c><d/>", XmlError::MismatchedEndTag);
  EXPECT_EQ(2u, doc.ChildCount());
  EXPECT_EQ(u"x", *doc.FindChild(u"B").TextAt(0));
}

TEST(XmlEndTags, ElementsKnowWhetherTheTextClosedThem) {
  const XmlNode doc = Parse(u"<?xml version=\"1.0\"?><a><b/><c></c><d>cut");
  const XmlNode decl = doc.ChildAt(0);
  const XmlNode a = decl.FindChild(u"a");
  EXPECT_TRUE(a.FindChild(u"b").IsClosed());
  EXPECT_TRUE(a.FindChild(u"c").IsClosed());
  EXPECT_FALSE(a.FindChild(u"d").IsClosed());
  EXPECT_FALSE(a.IsClosed());
  EXPECT_FALSE(decl.IsClosed());  // a declaration stays open to the end
  EXPECT_FALSE(XmlNode().IsClosed());
  // An end tag meant for an enclosing element closes the inner one too.
  const XmlNode p = Parse(u"<p><q>text</p>", XmlError::MismatchedEndTag).ChildAt(0);
  EXPECT_TRUE(p.IsClosed());
  EXPECT_TRUE(p.ChildAt(0).IsClosed());
}

TEST(XmlDeclaration, StaysOpenAndHoldsTheDocument) {
  XmlNode doc = Parse(u"<?xml version=\"1.0\" encoding=utf-8?><r/><s/>");
  ASSERT_EQ(1u, doc.ChildCount());
  const XmlNode xml = doc.ChildAt(0);
  EXPECT_TRUE(xml.IsDeclaration());
  EXPECT_EQ(u"xml", *xml.Name());
  EXPECT_EQ(u"1.0", *xml.GetAttribute(u"version"));
  EXPECT_EQ(u"utf-8", *xml.GetAttribute(u"encoding"));
  EXPECT_EQ(2u, xml.Attributes().size());
  EXPECT_EQ(2u, xml.ChildCount());
  EXPECT_FALSE(xml.ChildAt(0).IsDeclaration());

  doc = Parse(u"<?xml version='1.0' standalone ?>");
  ASSERT_EQ(2u, doc.ChildAt(0).Attributes().size());
  EXPECT_EQ(u"standalone", doc.ChildAt(0).Attributes()[1].name);
}

TEST(XmlHandles, ChildrenOutliveTheirParent) {
  XmlNode doc = Parse(u"<a><b><c x='1'/></b></a>");
  XmlNode b = doc.ChildAt(0).ChildAt(0);
  XmlNode copy = b;
  EXPECT_TRUE(b.Parent() == doc.ChildAt(0));
  doc = XmlNode();
  EXPECT_TRUE(b.Parent().IsEmpty());
  EXPECT_TRUE(copy == b);
  const XmlNode c = b.ChildAt(0);
  EXPECT_TRUE(c.Parent() == b);
  b = XmlNode();
  copy = XmlNode();
  EXPECT_TRUE(c.Parent().IsEmpty());
  EXPECT_EQ(u"1", *c.GetAttribute(u"X"));
}

TEST(XmlHandles, EmptyHandleAndLookups) {
  const XmlNode none;
  EXPECT_TRUE(none.ChildAt(0).IsEmpty());
  EXPECT_TRUE(none.FindNthChild(u"a", 0).IsEmpty());
  EXPECT_FALSE(none.GetAttribute(u"a"));
  EXPECT_FALSE(none.TextAt(0));
  EXPECT_FALSE(none.Name());

  const XmlNode r = Parse(u"<r><p i=0/><x/><P i=1/><p i=2/></r>").ChildAt(0);
  EXPECT_TRUE(r.ChildAt(4).IsEmpty());
  std::size_t position = 1;
  EXPECT_EQ(u"1", *r.FindChild(u"p", &position).GetAttribute(u"i"));
  EXPECT_EQ(3u, position);
  EXPECT_EQ(u"2", *r.FindChild(u"p", &position).GetAttribute(u"i"));
  EXPECT_TRUE(r.FindChild(u"p", &position).IsEmpty());
  EXPECT_EQ(4u, position);
  EXPECT_EQ(u"1", *r.FindNthChild(u"p", 1).GetAttribute(u"i"));
  EXPECT_TRUE(r.FindNthChild(u"p", 3).IsEmpty());
  EXPECT_TRUE(
      Parse(u"<r><a/><b/><c/></r>").ChildAt(0).FindChild(u"d").IsEmpty());  // room for a fourth
}

}  // namespace
