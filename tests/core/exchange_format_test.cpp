#include "sync/exchange_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// An answer written as text.
AddressBookAnswer Read(const std::u16string& answer) {
  return ReadAnswerText(AnswerText(Utf16ToUtf8(answer)));
}

AddrContactList Contacts(const std::u16string& answer) {
  const AddressBookAnswer read = Read(answer);
  EXPECT_EQ(AnswerKind::Contacts, read.kind);
  return read.contacts;
}

void ExpectKind(AnswerKind kind, const std::u16string& answer) {
  EXPECT_EQ(kind, Read(answer).kind) << "answer of " << answer.size() << " characters";
}

TEST(ExchangeFormatTest, DeclarationFollowedByAddressBook) {
  const std::u16string answer =
      u"<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
      u"<addressbooks count=\"3\">\r\n"
      u"  <person Name=\"张伟\" E-Mail=\"zhangwei@tarnwell.example\" Dept=\"研发部\"/>\r\n"
      u"  <!-- 外部联系人 -->\r\n"
      u"  <group><person Name=\"嵌套\" E-Mail=\"n@x\"/></group>\r\n"
      u"  <person Name=\"李&amp;娜\" E-Mail=\"\"></person>\r\n"
      u"  <person name=\"王芳\" e-mail=\"wangfang@tarnwell.example\"/>\r\n"
      u"</addressbooks>\r\n";
  const AddrContactList expected = {{u"张伟", u"zhangwei@tarnwell.example"},
                                    {u"李&娜", u""},
                                    {u"王芳", u"wangfang@tarnwell.example"}};
  EXPECT_EQ(expected, Contacts(answer));
}

TEST(ExchangeFormatTest, AnyWrappingElementAndOddPersons) {
  const std::u16string answer =
      u"<Result><info>ok</info><AddressBooks>"
      u"<person Name=\"A\" E-Mail=\"a@x\"/><person Dept=\"d\" NAME=\"A\" name=\"B\" e-mail=\"a@x\" "
      u"E-Mail=\"z\"/>"  // the first counts
      u"<person><Name>B</Name><E-Mail>b@x</E-Mail></person>"
      u"<PERSON Name E-Mail=' c@x '/>"
      u"</AddressBooks></Result>";
  const AddrContactList expected = {{u"A", u"a@x"}, {u"A", u"a@x"}, {u"", u""}, {u"", u" c@x "}};
  EXPECT_EQ(expected, Contacts(answer));
  EXPECT_TRUE(
      Contacts(u"<r><addressbooks/><addressbooks><person Name='x'/></addressbooks></r>").empty());
  // Cut off mid-list: what arrived still counts.
  EXPECT_EQ(2u, Contacts(u"<r><addressbooks><person Name='x'/><person Name").size());
}

TEST(ExchangeFormatTest, ServerErrorWinsOverAddressBook) {
  AddressBookAnswer read = Read(
      u"<?xml version='1.0'?><addressbooks><person Name='x'/></addressbooks>"
      u"<error>密码错误 &amp; 账号锁定</error>");
  EXPECT_EQ(AnswerKind::ServerError, read.kind);
  EXPECT_EQ(u"密码错误 & 账号锁定", read.errorText);
  EXPECT_TRUE(read.contacts.empty());

  // Followed by a child element the text stays as written.
  read = Read(u"<r><error>a &amp; b<code>3</code></error></r>");
  EXPECT_EQ(u"a &amp; b", read.errorText);
  read = Read(u"<r><error/></r>");
  EXPECT_EQ(AnswerKind::ServerError, read.kind);
  EXPECT_EQ(u"", read.errorText);
}

TEST(ExchangeFormatTest, AnAddressBookCutShortIsStillReadButMarkedOpen) {
  const AddressBookAnswer whole =
      Read(u"<?xml version=\"1.0\"?><addressbooks><person Name=\"a\"/></addressbooks>");
  EXPECT_TRUE(whole.addressBookClosed);
  const AddressBookAnswer cut =
      Read(u"<?xml version=\"1.0\"?><addressbooks><person Name=\"a\"/><person Na");
  EXPECT_EQ(AnswerKind::Contacts, cut.kind);
  EXPECT_EQ(2u, cut.contacts.size());  // the cut person counts too
  EXPECT_FALSE(cut.addressBookClosed);
}

TEST(ExchangeFormatTest, UnreadableAnswers) {
  ExpectKind(AnswerKind::ParseFailed, u"");
  ExpectKind(AnswerKind::ParseFailed, u"服务器内部错误");
  ExpectKind(AnswerKind::ParseFailed, u"<addressbooks><person Name='x'/></addressbooks>");
  ExpectKind(AnswerKind::ParseFailed, u"<r><x><addressbooks/></x></r>");
  ExpectKind(AnswerKind::ParseFailed, u"<r/><s><addressbooks/></s>");  // only the first element's
  ExpectKind(AnswerKind::ParseFailed, u"<r><addressbooks></r2>");
  ExpectKind(AnswerKind::ParseFailed,
             u"<r><addressbooks><person Name='&copy;'/></addressbooks></r>");
  ExpectKind(AnswerKind::ParseFailed, u"<r><error>&#20;</error></r>");
}

// The run reads the bytes as they came: a malformed byte is replaced as
// decoding would, and each writer takes the texts in its own form, UTF-8
// as kept or UTF-16.
TEST(ExchangeFormatTest, BytesOfTheAnswerStayUtf8UntilAWriterWantsUtf16) {
  const AnswerText answer(
      std::string("<?xml version=\"1.0\"?><addressbooks>"
                  "<person Name=\"\xE5\xBC\xA0&amp;\xE4\xBC\x9F\" E-Mail=\"zw@x\"/>"
                  "<person Name=\"a\xFF"
                  "b\" E-Mail=\"\xF0\x9F\x98\x80@x\"/></addressbooks>"));
  EXPECT_NE(std::string::npos, answer.Utf8().find("a\xEF\xBF\xBD"
                                                  "b"));
  const AddressBookAnswer read = ReadAnswerText(answer);
  ASSERT_EQ(AnswerKind::Contacts, read.kind);
  ASSERT_EQ(2u, read.contacts.size());
  EXPECT_EQ("\xE5\xBC\xA0&\xE4\xBC\x9F", read.contacts.NameUtf8(0));
  EXPECT_EQ("zw@x", read.contacts.EMailUtf8(0));
  EXPECT_EQ(
      "a\xEF\xBF\xBD"
      "b",
      read.contacts.NameUtf8(1));
  EXPECT_EQ("\xF0\x9F\x98\x80@x", read.contacts.EMailUtf8(1));
  const AddrContactList expected = {{u"张&伟", u"zw@x"}, {u"a\uFFFDb", u"\U0001F600@x"}};
  EXPECT_EQ(expected, read.contacts);
  EXPECT_EQ((AddrContact{u"a\uFFFDb", u"\U0001F600@x"}), read.contacts[1]);
}

TEST(ExchangeFormatTest, LargeBookIsReadInOrder) {
  std::u16string answer = u"<?xml version='1.0'?><addressbooks>";
  const int count = 20000;
  for (int i = 0; i < count; ++i) {
    const std::string digits = std::to_string(i);
    const std::u16string n(digits.begin(), digits.end());
    answer += u"<person Name='" + n + u"' E-Mail='" + n + u"@x'/><note/>";
  }
  const AddrContactList contacts = Contacts(answer + u"</addressbooks>");
  ASSERT_EQ(static_cast<std::size_t>(count), contacts.size());
  EXPECT_EQ(u"19999@x", contacts.back().EMail);
}

}  // namespace
